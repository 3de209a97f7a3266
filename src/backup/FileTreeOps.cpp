#include "backup/FileTreeOps.h"

#include "backup/BackupTexts.h"
#include "platform/Errors.h"
#include "platform/Mbcs.h"

namespace pelorin {

std::string FormatWithPath(const char* format, const std::string& path) {
  std::string text = format;
  const std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, path);
  return text;
}

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

int CFileTreeOps::CopyTree(std::string source, std::string destination, int* failedCopies) {
  if (source == destination) return 1;
  FileSystem& files = *platform_.files;

  if (files.GetAttributes(destination) == attr::kInvalid) {
    const std::uint32_t error = GetLastError();
    if ((error == err::kFileNotFound || error == err::kPathNotFound) && !MakePath(destination)) {
      platform_.boxes->Show(texts::kFolderNotFound + source + texts::kDestinationNotFound, nullptr, mb::kOk);
      return 0;
    }
  }

  const std::uint32_t attributes = files.GetAttributes(source);
  if (attributes == attr::kInvalid) return 0;

  if ((attributes & attr::kDirectory) == 0) {
    const std::size_t slash = mbcs::FindLast(source, '\\');
    const std::string target = destination + (slash == mbcs::npos ? source : source.substr(slash));
    if (!CopyOneFile(source, target, attributes) && failedCopies) ++*failedCopies;
    return 1;
  }

  FindEntry entry;
  std::unique_ptr<FileFinder> finder = files.FindFirst(source + "\\*.*", entry);
  if (!finder) {
    // A folder whose listing is refused counts as copied, with nothing of it
    // copied; the destination folder made above is left in place.
    if (GetLastError() == err::kAccessDenied) return 1;
    platform_.boxes->Show(texts::kFolderNotFound, nullptr, mb::kOk);
    return 0;
  }
  do {
    if (entry.IsDots()) continue;
    const std::string from = source + "\\" + entry.name;
    const std::string to = destination + "\\" + entry.name;
    if (entry.IsDirectory()) {
      files.MakeDir(to);
      if (!CopyTree(from, to, failedCopies)) return 0;
    } else {
      const std::uint32_t fileAttributes = files.GetAttributes(from);
      if (!CopyOneFile(from, to, fileAttributes) && failedCopies) ++*failedCopies;
    }
  } while (finder->Next(entry));
  files.SetAttributes(destination, attributes);
  return 1;
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

bool CFileTreeOps::AskAfterFailedDelete(const std::string& firstText, const std::string& path) {
  MessageBoxes& boxes = *platform_.boxes;
  const int answer = boxes.Show(firstText, nullptr, mb::kAbortRetryIgnore | mb::kIconHand);
  if (answer == mb::kIdAbort) return false;
  if (answer != mb::kIdRetry) return true;
  if (platform_.files->Delete(path)) return true;
  return boxes.Show(FormatWithPath(texts::kCannotDeleteAsk, path), nullptr, mb::kOkCancel | mb::kIconHand) !=
         mb::kIdCancel;
}

int CFileTreeOps::DeleteTree(std::string path) {
  FileSystem& files = *platform_.files;
  // A query that fails for another reason gives all ones, directory bit included,
  // and the path is treated as a folder.
  const std::uint32_t attributes = files.GetAttributes(path);
  if (attributes == attr::kInvalid) {
    const std::uint32_t error = GetLastError();
    if (error == err::kFileNotFound || error == err::kPathNotFound) return 0;
  }

  if ((attributes & attr::kDirectory) == 0) {
    files.SetAttributes(path, attr::kNormal);
    if (files.Delete(path)) return 1;
    return AskAfterFailedDelete(FormatWithPath(texts::kDeleteFileFailed, path), path) ? 1 : 0;
  }

  {
    FindEntry entry;
    const std::unique_ptr<FileFinder> finder = files.FindFirst(path + "\\*.*", entry);
    if (finder) {
      do {
        if (entry.IsDots()) continue;
        const std::string item = path + "\\" + entry.name;
        if (entry.IsDirectory()) {
          DeleteTree(item);
          continue;
        }
        files.SetAttributes(item, attr::kNormal);
        if (!files.Delete(item) && !AskAfterFailedDelete(FormatWithPath(texts::kCannotDelete, item), item)) {
          return 0;
        }
      } while (finder->Next(entry));
    }
  }  // the listing is closed before the folder is removed
  return files.RemoveDir(path) ? 1 : 0;
}

}  // namespace pelorin
