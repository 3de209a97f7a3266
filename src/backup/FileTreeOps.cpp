#include "backup/FileTreeOps.h"

#include "backup/BackupTexts.h"
#include "platform/Errors.h"
#include "platform/Mbcs.h"

namespace pelorin {

bool CFileTreeOps::Found(const std::string& path) {
  FindEntry entry;
  return platform_.files->FindFirst(path, entry) != nullptr;
}

bool CFileTreeOps::CopyOneFile(const std::string& from, const std::string& to, std::uint32_t attributes) {
  FileSystem& files = *platform_.files;
  files.SetAttributes(from, attr::kNormal);
  bool copied = files.Copy(from, to, false);
  if (!copied) {
    // The copy carries read-only and hidden over to the target, and the platform
    // refuses to overwrite such a target: without this a second backup into the
    // same folder could never refresh those files.
    LastErrorKeeper keep;
    const std::uint32_t existing = files.GetAttributes(to);
    if (existing != attr::kInvalid && (existing & attr::kDirectory) == 0 &&
        (existing & (attr::kReadOnly | attr::kHidden)) != 0 && files.SetAttributes(to, attr::kNormal)) {
      copied = files.Copy(from, to, false);
    }
  }
  files.SetAttributes(from, attributes);
  files.SetAttributes(to, attributes);
  return copied;
}

int CFileTreeOps::CopyFileAs(const std::string& source, const std::string& target) {
  const std::uint32_t attributes = platform_.files->GetAttributes(source);
  if (attributes == attr::kInvalid || (attributes & attr::kDirectory) != 0) return 0;
  return CopyOneFile(source, target, attributes) ? 1 : -1;
}

int CFileTreeOps::MakePath(std::string path) {
  if (Found(path)) return 1;
  FileSystem& files = *platform_.files;
  // Levels start after index 4, so the root of "C:\..." is never one of them.
  for (std::size_t at = mbcs::FindFirst(path, '\\', 4); at != mbcs::npos; at = mbcs::FindFirst(path, '\\', at + 1)) {
    const std::string level = path.substr(0, at);
    if (!Found(level) && !files.CreateDir(level)) {
      platform_.boxes->Show(texts::kCreateDirectoryFail, nullptr, mb::kOk);
      return 0;
    }
  }
  if (!files.CreateDir(path)) {
    platform_.boxes->Show(texts::kCreateDirectoryFail, nullptr, mb::kOk);
    return 0;
  }
  return 1;
}

}  // namespace pelorin
