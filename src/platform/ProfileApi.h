#pragma once
// The four profile-file services, with the semantics of GetPrivateProfileStringA,
// GetPrivateProfileSectionA, GetPrivateProfileSectionNamesA and
// WritePrivateProfileStringA: case-insensitive section and key names, values
// trimmed, results cut to the buffer (the "size minus 2" results), CRLF lines,
// bytes written as given.
#include <cstdint>
#include <string>

namespace pelorin {

class ProfileApi {
 public:
  virtual ~ProfileApi() = default;

  // The value of `key` in `section`, or `defaultValue` when absent. Returns the
  // number of bytes copied without the terminator.
  virtual std::uint32_t ReadString(const char* section, const char* key, const char* defaultValue,
                                   char* buffer, std::uint32_t size, const std::string& file) = 0;
  // The lines of `section` as "key=value" strings, each NUL-terminated, the list
  // closed by one more NUL. Returns the count without the final NUL.
  virtual std::uint32_t ReadSection(const char* section, char* buffer, std::uint32_t size,
                                    const std::string& file) = 0;
  // The section names in file order, as a list like ReadSection's.
  virtual std::uint32_t ReadSectionNames(char* buffer, std::uint32_t size, const std::string& file) = 0;
  // Sets `key` in `section`, creating the file, the section or the key as needed.
  virtual bool WriteString(const char* section, const char* key, const char* value,
                           const std::string& file) = 0;
};

}  // namespace pelorin
