#pragma once
// The restorer stubs (both architectures' ids) as a module resource, a byte vector or absent; Le32 reads containers,
// PeMachine the programs.
#include <string>

#include "platform/Errors.h"
#include "platform/Resources.h"

namespace pelorin::testing {

class SfxStubResources : public Resources {
 public:
  bool Find(const char* type, int id, const unsigned char** data, std::uint32_t* size) override {
    if (!present || type != std::string("SFX_EXE") || (id != 152 && id != 153))
      return SetLastError(err::kResourceNameNotFound), false;
    *data = reinterpret_cast<const unsigned char*>(stub.data());
    *size = static_cast<std::uint32_t>(stub.size());
    return true;
  }
  std::string stub = std::string(64, 'M');
  bool present = true;
};

inline std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// The machine field of the PE image `bytes` start with; 0 when there is none.
inline unsigned PeMachine(const std::string& bytes) {
  if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0) return 0;
  const std::size_t pe = Le32(bytes, 0x3c);
  if (pe > bytes.size() - 8 || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
  return Le32(bytes, pe + 4) & 0xFFFF;
}

}  // namespace pelorin::testing
