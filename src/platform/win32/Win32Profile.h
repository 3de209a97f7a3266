#pragma once
// The profile-file services of KERNEL32, one call each.
#include "platform/ProfileApi.h"

namespace pelorin::win32 {

class Win32Profile : public ProfileApi {
 public:
  std::uint32_t ReadString(const char* section, const char* key, const char* defaultValue, char* buffer,
                           std::uint32_t size, const std::string& file) override;
  std::uint32_t ReadSection(const char* section, char* buffer, std::uint32_t size, const std::string& file) override;
  std::uint32_t ReadSectionNames(char* buffer, std::uint32_t size, const std::string& file) override;
  bool WriteString(const char* section, const char* key, const char* value, const std::string& file) override;
};

}  // namespace pelorin::win32
