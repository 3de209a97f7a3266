#pragma once
// Registry over HKEY_LOCAL_MACHINE with RegOpenKeyExA (KEY_ALL_ACCESS),
// RegEnumKeyA and RegQueryValueExA.
#include "platform/Registry.h"
#include "platform/win32/Handles.h"

namespace pelorin::win32 {

class Win32RegistryKey : public RegistryKey {
 public:
  explicit Win32RegistryKey(RegKeyHandle key) : key_(std::move(key)) {}
  std::uint32_t EnumKey(std::uint32_t index, char* name, std::uint32_t cap) override;
  std::uint32_t QueryValue(const char* valueName, std::uint32_t* type, unsigned char* data,
                           std::uint32_t* size) override;

 private:
  RegKeyHandle key_;
};

class Win32Registry : public Registry {
 public:
  std::uint32_t OpenKey(const std::string& path, std::unique_ptr<RegistryKey>& key) override;
};

}  // namespace pelorin::win32
