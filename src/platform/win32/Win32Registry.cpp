#include "platform/win32/Win32Registry.h"

namespace pelorin::win32 {

namespace {

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

std::uint32_t Win32RegistryKey::EnumKey(std::uint32_t index, char* name, std::uint32_t cap) {
  return static_cast<std::uint32_t>(::RegEnumKeyA(key_.get(), index, name, cap));
}

std::uint32_t Win32RegistryKey::QueryValue(const char* valueName, std::uint32_t* type, unsigned char* data,
                                           std::uint32_t* size) {
  DWORD valueType = REG_NONE;
  DWORD bytes = size != nullptr ? *size : 0;
  const DWORD capacity = bytes;
  const LONG result = ::RegQueryValueExA(key_.get(), valueName, nullptr, &valueType, data,
                                         size != nullptr ? &bytes : nullptr);
  // Windows terminates a string value stored without its NUL when the buffer has
  // room; wine does so too, except for a value of length 0, where it writes
  // nothing and a caller's buffer would keep whatever it held before.
  if (result == ERROR_SUCCESS && data != nullptr && IsStringType(valueType) && bytes < capacity &&
      (bytes == 0 || data[bytes - 1] != 0)) {
    data[bytes] = 0;
  }
  if (type != nullptr) *type = valueType;
  if (size != nullptr) *size = bytes;
  return static_cast<std::uint32_t>(result);
}

std::uint32_t Win32Registry::OpenKey(const std::string& path, std::unique_ptr<RegistryKey>& key) {
  key.reset();
  RegKeyHandle opened;
  const LONG result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, opened.Receive());
  if (result == ERROR_SUCCESS) key = std::make_unique<Win32RegistryKey>(std::move(opened));
  return static_cast<std::uint32_t>(result);
}

}  // namespace pelorin::win32
