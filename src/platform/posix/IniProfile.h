#pragma once
// The profile-file services over the drive map, with the results of the
// Windows calls: ReadString as GetPrivateProfileStringA, ReadSection as
// GetPrivateProfileSectionA, ReadSectionNames as GetPrivateProfileSectionNamesA,
// WriteString as WritePrivateProfileStringA (a null key deletes the section, a
// null value the key). The file is read afresh on every call; writes of this
// process are serialised.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ProfileApi.h"
#include "platform/posix/DriveMap.h"

namespace pelorin::posix {

class IniProfile : public ProfileApi {
 public:
  // `drives` must outlive this object.
  explicit IniProfile(const DriveMap& drives);

  std::uint32_t ReadString(const char* section, const char* key, const char* defaultValue,
                           char* buffer, std::uint32_t size, const std::string& file) override;
  std::uint32_t ReadSection(const char* section, char* buffer, std::uint32_t size,
                            const std::string& file) override;
  std::uint32_t ReadSectionNames(char* buffer, std::uint32_t size, const std::string& file) override;
  bool WriteString(const char* section, const char* key, const char* value,
                   const std::string& file) override;

  // The buffer rules of the services, shared with the fuzz target.
  // A string cut to size-1 bytes (at a whole character); returns the bytes copied.
  static std::uint32_t CopyString(const std::string& text, char* buffer, std::uint32_t size);
  // A NUL-separated list closed by one more NUL. When it does not fit, what fits
  // is copied, the last string cut, the buffer ends with two NULs and the
  // result is size-2.
  static std::uint32_t CopyList(const std::vector<std::string>& items, char* buffer,
                                std::uint32_t size);
  // A value with matching surrounding quotes (" or ') loses them.
  static std::string StripQuotes(const std::string& value);

 private:
  // 0 with the file's bytes, or the error code (2 no file, 3 no folder, ...).
  std::uint32_t Load(const std::string& file, std::string& bytes) const;
  static std::uint32_t LoadHost(const std::string& host, std::string& bytes);

  const DriveMap& drives_;
};

}  // namespace pelorin::posix
