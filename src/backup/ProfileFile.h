#pragma once
// The one gateway to INI-style files: the backup manifests and the
// SourceDisksFiles section of a driver's INF. Each call is one profile service
// call, with the existence probe, the fixed buffers and the user-facing message.
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace pelorin {

using StringArray = std::vector<std::string>;

class CProfileFile {
 public:
  explicit CProfileFile(const Platform& platform) : platform_(platform) {}
  virtual ~CProfileFile() = default;

  static constexpr unsigned kValueBuffer = 520;
  static constexpr unsigned kSectionNamesBuffer = 780;
  static constexpr unsigned kSectionBuffer = 5200;

  void SetPath(const char* path) { path_ = path; }
  const std::string& Path() const { return path_; }

  // WritePrivateProfileStringA; its result unchanged. Creates a missing file.
  bool WriteValue(std::string section, std::string key, std::string value);
  // The value, or "找不到相应值" when the section or key is absent; an empty string
  // after the message box when the file does not exist.
  std::string ReadValue(std::string section, std::string key);
  // Appends the section names in file order (nothing when the file is missing).
  void GetSectionNames(StringArray& out);
  // Appends the section's lines as "key=value" in file order.
  void GetSection(std::string section, StringArray& out);
  // Whether the file exists, without a message.
  bool Present() const;

 private:
  bool Exists();
  static void AppendMultiString(const char* buffer, unsigned count, StringArray& out);

  Platform platform_;
  std::string path_;
};

}  // namespace pelorin
