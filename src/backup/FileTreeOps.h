#pragma once
// Copying a file or a folder tree into a folder, making a folder path level by
// level, deleting a file or a tree: full Windows paths, 1 for success and 0 for
// failure, the user told only through message boxes with fixed texts.
#include <string>

#include "platform/Platform.h"

namespace pelorin {

class CFileTreeOps {
 public:
  explicit CFileTreeOps(const Platform& platform) : platform_(platform) {}
  virtual ~CFileTreeOps() = default;

  // Copies the file or folder `source` into the folder `destination`, made first
  // when missing. 1 when the copy ran to its end, 0 when it stopped early. A
  // single file whose copy failed does not change the result; `failedCopies`,
  // when given, is increased by one for each such file.
  int CopyTree(std::string source, std::string destination, int* failedCopies = nullptr);
  // Copies the file `source` to the path `target` (its folder exists), over an
  // existing file, carrying the source's attributes: 1 copied, 0 no such file
  // (or a folder), -1 the copy failed.
  int CopyFileAs(const std::string& source, const std::string& target);
  // 1 when the folder and every folder above it exist or were created.
  int MakePath(std::string path);
  // Deletes the file or the folder with everything below it; 1 when it is gone
  // (or, for a single file, when the user chose to leave it).
  int DeleteTree(std::string path);

 private:
  // Copies one file over an existing target, carrying the source's attributes;
  // false when the copy itself failed.
  bool CopyOneFile(const std::string& from, const std::string& to, std::uint32_t attributes);
  // The questions after a failed delete; false when the user chose to stop.
  bool AskAfterFailedDelete(const std::string& firstText, const std::string& path);
  bool Found(const std::string& path);

  Platform platform_;
};

// `format` with its "%s" replaced by `path`.
std::string FormatWithPath(const char* format, const std::string& path);

}  // namespace pelorin
