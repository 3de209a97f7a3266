#include "platform/SystemInfo.h"

#include "platform/Errors.h"
#include "platform/Mbcs.h"

namespace pelorin {
namespace {

bool ArchitectureFromCode(std::uint32_t code, Architecture& arch) {
  switch (code) {  // PROCESSOR_ARCHITECTURE_*
    case 0: arch = Architecture::kX86; return true;
    case 5: arch = Architecture::kArm; return true;
    case 6: arch = Architecture::kIa64; return true;
    case 9: arch = Architecture::kAmd64; return true;
    case 12: arch = Architecture::kArm64; return true;
  }
  return false;
}

bool ArchitectureFromName(const std::string& name, Architecture& arch) {
  const std::string lower = mbcs::ToLowerAscii(name);
  if (lower == "x86") arch = Architecture::kX86;
  else if (lower == "amd64") arch = Architecture::kAmd64;
  else if (lower == "ia64") arch = Architecture::kIa64;
  else if (lower == "arm64") arch = Architecture::kArm64;
  else if (lower == "arm") arch = Architecture::kArm;
  else return false;
  return true;
}

}  // namespace

bool ReadRegistryValue(Registry& registry, const std::string& path, const char* name,
                       std::uint32_t& type, std::string& data) {
  std::unique_ptr<RegistryKey> key;
  if (registry.OpenKey(path, key) != err::kSuccess || !key) return false;
  // The value may change size between the two calls on a live system.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::uint32_t size = 0;
    if (key->QueryValue(name, &type, nullptr, &size) != err::kSuccess) return false;
    data.assign(size, '\0');
    std::uint32_t got = size;
    const std::uint32_t rc = key->QueryValue(
        name, &type, size ? reinterpret_cast<unsigned char*>(&data[0]) : nullptr, &got);
    if (rc == err::kSuccess) {
      data.resize(got < size ? got : size);
      return true;
    }
    if (rc != err::kMoreData) return false;
  }
  return false;
}

Architecture ArchitectureFromRegistry(Registry& registry) {
  Architecture arch = Architecture::kX86;
  std::uint32_t type = 0;
  std::string data;
  for (const char* database : kDriverDatabaseKeys) {
    if (ReadRegistryValue(registry, database, "Architecture", type, data) &&
        type == regtype::kDword && data.size() == 4) {
      const auto* b = reinterpret_cast<const unsigned char*>(data.data());
      const std::uint32_t code = b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t{b[3]} << 24);
      if (ArchitectureFromCode(code, arch)) return arch;
    }
  }
  if (ReadRegistryValue(registry,
                        "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                        "PROCESSOR_ARCHITECTURE", type, data) &&
      (type == regtype::kSz || type == regtype::kExpandSz)) {
    std::string text(data.c_str());
    if (ArchitectureFromName(text, arch)) return arch;
  }
  return Architecture::kX86;
}

}  // namespace pelorin
