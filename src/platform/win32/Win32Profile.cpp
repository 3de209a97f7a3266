#include "platform/win32/Win32Profile.h"

#include <windows.h>

namespace pelorin::win32 {

std::uint32_t Win32Profile::ReadString(const char* section, const char* key, const char* defaultValue, char* buffer,
                                       std::uint32_t size, const std::string& file) {
  return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file.c_str());
}

std::uint32_t Win32Profile::ReadSection(const char* section, char* buffer, std::uint32_t size,
                                        const std::string& file) {
  return ::GetPrivateProfileSectionA(section, buffer, size, file.c_str());
}

std::uint32_t Win32Profile::ReadSectionNames(char* buffer, std::uint32_t size, const std::string& file) {
  return ::GetPrivateProfileSectionNamesA(buffer, size, file.c_str());
}

bool Win32Profile::WriteString(const char* section, const char* key, const char* value, const std::string& file) {
  return ::WritePrivateProfileStringA(section, key, value, file.c_str()) != FALSE;
}

}  // namespace pelorin::win32
