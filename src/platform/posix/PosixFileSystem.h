#pragma once
// File services with Windows semantics over a drive map: attributes (read-only
// as the permission bits, the other DOS bits in DosAttributeStore), Windows
// last-error codes, NTFS enumeration order, share modes between the handles of
// this process, and read-only files refused for overwrite and delete whoever
// runs the program (root included).
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "platform/posix/DosAttributes.h"
#include "platform/posix/DriveMap.h"

namespace pelorin::posix {

// Read-only is a file without any write permission bit.
inline bool IsReadOnlyMode(const struct stat& st) { return (st.st_mode & 0222) == 0; }

class PosixFileSystem : public FileSystem {
 public:
  // `drives` must outlive this object; later changes to it are seen.
  explicit PosixFileSystem(const DriveMap& drives);

  // The host folder TempPath reports (created when asked for). The default is
  // "pelorin-<uid>" in $TMPDIR or /tmp.
  void SetTempFolder(const std::string& hostFolder);
  std::string TempFolder() const;

  // Tests: keep the DOS bits in memory, as on a file system without extended attributes.
  void SetMemoryOnlyAttributes(bool on) { store_.SetMemoryOnly(on); }

  std::uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override;
  bool CreateDir(const std::string& path) override;
  bool RemoveDir(const std::string& path) override;
  bool Delete(const std::string& path) override;
  bool MoveReplace(const std::string& from, const std::string& to) override;
  std::unique_ptr<FileFinder> FindFirst(const std::string& pattern, FindEntry& first) override;
  // A folder listing from the names and entry types alone: no stat or extended
  // attribute read per entry (a stat only where the type is not given).
  std::unique_ptr<FileFinder> FindFirstNames(const std::string& pattern, FindEntry& first) override;
  std::uint32_t TempPath(std::uint32_t cap, char* buffer) override;
  int MakeDir(const std::string& path) override;
  std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode) override;

  // What the file system knows of one Windows path.
  struct Node {
    ResolvedPath path;
    struct stat lst {};     // the entry itself
    struct stat st {};      // what it leads to (equal to lst unless a link)
    bool isLink = false;
    bool targetExists = false;
    bool isDir = false;     // a real folder (a linked folder is not one, see below)
    bool isDirLink = false;
  };
  // 0, or the Windows error code of the lookup (2 missing entry, 3 missing
  // folder, 123 bad name). `wildcards` allows * and ? in the last name.
  std::uint32_t Lookup(const std::string& path, Node& node, bool wildcards = false);
  // The Windows attributes of an existing node.
  std::uint32_t AttributesOf(const Node& node);

 private:
  // Fills the stat data and kinds of `node`, whose host path is set; 0 or the
  // Windows error code of the lstat.
  static std::uint32_t StatNode(Node& node);
  std::unique_ptr<FileFinder> Find(const std::string& pattern, FindEntry& first, bool namesOnly);
  bool SaveDosBits(const Node& node, std::uint32_t bits);
  std::uint32_t StoredBits(const Node& node, bool& stored);

  const DriveMap& drives_;
  DosAttributeStore store_;
  std::string tempFolder_;
};

}  // namespace pelorin::posix
