#pragma once
// Copying a file to its place in a backup and making a folder path level by
// level: full Windows paths, the user told only through message boxes with
// fixed texts.
#include <string>

#include "platform/Platform.h"

namespace pelorin {

class CFileTreeOps {
 public:
  explicit CFileTreeOps(const Platform& platform) : platform_(platform) {}
  virtual ~CFileTreeOps() = default;

  // Copies the file `source` to the path `target` (its folder exists), over an
  // existing file, carrying the source's attributes: 1 copied, 0 no such file
  // (or a folder), -1 the copy failed.
  int CopyFileAs(const std::string& source, const std::string& target);
  // 1 when the folder and every folder above it exist or were created.
  int MakePath(std::string path);

 private:
  // Copies one file over an existing target, carrying the source's attributes;
  // false when the copy itself failed.
  bool CopyOneFile(const std::string& from, const std::string& to, std::uint32_t attributes);
  bool Found(const std::string& path);

  Platform platform_;
};

}  // namespace pelorin
