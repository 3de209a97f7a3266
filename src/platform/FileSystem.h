#pragma once
// File services with the results of the Windows calls they mirror: success flags,
// the thread's last-error code (Errors.h) as the reason of a failure. Paths are
// full Windows paths in the system code page (GBK).
#include <cstdint>
#include <memory>
#include <string>

namespace pelorin {

namespace attr {
constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kSystem = 0x04;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kNormal = 0x80;
constexpr std::uint32_t kInvalid = 0xFFFFFFFFu;  // INVALID_FILE_ATTRIBUTES
}  // namespace attr

struct FindEntry {
  std::string name;  // the entry's own name, no folder
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  bool IsDirectory() const { return (attributes & attr::kDirectory) != 0; }
  bool IsDots() const { return name == "." || name == ".."; }
};

// An open enumeration (FindFirstFileA/FindNextFileA); destroying it closes it.
class FileFinder {
 public:
  virtual ~FileFinder() = default;
  // FindNextFileA: false with kNoMoreFiles after the last entry.
  virtual bool Next(FindEntry& entry) = 0;
};

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// An open file (CreateFileA handle); destroying it closes it.
class FileStream {
 public:
  virtual ~FileStream() = default;
  // Reads up to `size` bytes; *got = 0 at the end of the file.
  virtual bool Read(void* buffer, std::uint32_t size, std::uint32_t* got) = 0;
  // Writes all `size` bytes or fails.
  virtual bool Write(const void* buffer, std::uint32_t size) = 0;
  virtual bool Seek(std::int64_t offset, SeekOrigin origin) = 0;
  virtual std::uint64_t Position() = 0;
  virtual std::uint64_t Length() = 0;
};

enum class OpenMode {
  kReadExclusive,  // read; no other opener may write (CFile::shareDenyWrite)
  kReadShared,     // read; others may read and write
  kCreateWrite,    // create or truncate, write; others may read
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // GetFileAttributesA: attr::kInvalid on failure (kFileNotFound, kPathNotFound, ...).
  virtual std::uint32_t GetAttributes(const std::string& path) = 0;
  // SetFileAttributesA.
  virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
  // CopyFileA: with failIfExists off an existing target is overwritten.
  virtual bool Copy(const std::string& from, const std::string& to, bool failIfExists) = 0;
  // CreateDirectoryA (one level, no security attributes): kAlreadyExists, kPathNotFound.
  virtual bool CreateDir(const std::string& path) = 0;
  // RemoveDirectoryA: an empty folder only (kDirNotEmpty otherwise).
  virtual bool RemoveDir(const std::string& path) = 0;
  // DeleteFileA.
  virtual bool Delete(const std::string& path) = 0;
  // MoveFileExA with MOVEFILE_REPLACE_EXISTING: puts a finished file in place in one step.
  virtual bool MoveReplace(const std::string& from, const std::string& to) = 0;
  // FindFirstFileA: the first entry and an open enumeration, or null with the
  // last-error code set. A folder pattern "dir\*.*" lists "." and ".." first.
  virtual std::unique_ptr<FileFinder> FindFirst(const std::string& pattern, FindEntry& first) = 0;
  // FindFirst for a walk that needs of each entry only its name and whether it
  // is a folder: the entries' attributes may hold nothing but attr::kDirectory,
  // their sizes 0. Same entries, same order. A backend that has the rest at no
  // cost lists as FindFirst does.
  virtual std::unique_ptr<FileFinder> FindFirstNames(const std::string& pattern, FindEntry& first) {
    return FindFirst(pattern, first);
  }
  // GetTempPathA: the temporary folder with a trailing "\". Returns the length
  // copied, or the size needed (terminator included) when `cap` is too small, or 0.
  virtual std::uint32_t TempPath(std::uint32_t cap, char* buffer) = 0;
  // The C library's _mkdir: 0, or -1 (an existing folder included).
  virtual int MakeDir(const std::string& path) = 0;
  // CreateFileA in one of the modes above; null with the last-error code set.
  virtual std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode) = 0;
};

}  // namespace pelorin
