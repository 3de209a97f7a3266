#include "sfx/SfxUnpack.h"

#include <algorithm>

#include "platform/Errors.h"
#include "platform/Mbcs.h"

namespace pelorin {

std::vector<std::string> SfxEntryFolders(const std::string& name) {
  std::vector<std::string> folders;
  for (std::size_t at = mbcs::FindFirst(name, '\\'); at != std::string::npos; at = mbcs::FindFirst(name, '\\', at + 1))
    folders.push_back(name.substr(0, at));
  return folders;
}

bool MakeSfxEntryFolders(FileSystem& files, const std::string& folder, const std::string& name,
                         std::vector<std::string>& made, std::string* failedPath) {
  for (const std::string& level : SfxEntryFolders(name)) {
    const std::string path = folder + level;
    if (files.CreateDir(path)) {
      made.push_back(path);
      continue;
    }
    const std::uint32_t attributes = files.GetAttributes(path);
    if (attributes == attr::kInvalid || (attributes & attr::kDirectory) == 0) {
      if (failedPath) *failedPath = path;
      return false;
    }
  }
  return true;
}

SfxStatus UnpackSfxToFolder(FileSystem& files, FileStream& container, const std::string& folder,
                            std::vector<SfxRecord>& records, std::string* failedPath) {
  std::vector<std::string> made;
  const SfxStatus status = UnpackSfx(
      container,
      [&](const std::string& name) -> std::unique_ptr<FileStream> {
        if (!MakeSfxEntryFolders(files, folder, name, made, failedPath)) return nullptr;
        std::unique_ptr<FileStream> out = files.Open(folder + name, OpenMode::kCreateWrite);
        if (!out && failedPath) *failedPath = folder + name;
        return out;
      },
      [&](const std::string& name) { files.Delete(folder + name); }, &records);
  if (status != SfxStatus::kOk) {
    LastErrorKeeper keep;
    for (auto it = made.rbegin(); it != made.rend(); ++it) files.RemoveDir(*it);
  }
  return status;
}

void RemoveSfxEntries(FileSystem& files, const std::string& folder, const std::vector<SfxRecord>& records) {
  std::vector<std::string> folders;
  for (const SfxRecord& record : records) {
    files.Delete(folder + record.name);
    for (const std::string& level : SfxEntryFolders(record.name)) folders.push_back(level);
  }
  // Deepest first; a folder still holding something stays.
  std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() > b.size() : a < b;
  });
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const std::string& level : folders) files.RemoveDir(folder + level);
}

}  // namespace pelorin
