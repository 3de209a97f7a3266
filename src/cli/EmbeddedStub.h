#pragma once
// The restorer stub of the Windows build, carried by the command-line edition so
// that it can write self-extracting backups: resource "SFX_EXE" 152.
#include "platform/Resources.h"

namespace pelorin::cli {

// False when this build was made without a stub.
bool HasEmbeddedStub();

class EmbeddedStubResources : public Resources {
 public:
  bool Find(const char* type, int id, const unsigned char** data, std::uint32_t* size) override;
};

}  // namespace pelorin::cli
