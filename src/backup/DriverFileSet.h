#pragma once
// The files a backup saves for one driver: the INF, its precompiled PNF and every
// file the INF's SourceDisksFiles section lists, searched below the Windows folder.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace pelorin {

// File numbers: the INF is 1, the PNF 2, the k-th listed file k + 3.
constexpr int kInfFileNumber = 1;
constexpr int kPnfFileNumber = 2;
constexpr int kFirstListedFileNumber = 3;

// "C:\WINDOWS\inf\" + the INF name as the registry holds it.
std::string InfSourcePath(const std::string& infName);
// The INF name cut before its first ".inf" (lower case only), then ".PNF".
std::string PnfFileName(const std::string& infName);
std::string PnfSourcePath(const std::string& infName);
// The text of a SourceDisksFiles line before its first "=" (empty without one),
// with "iAlmCoIn.dll" turned into lower case.
std::string ListedFileName(const std::string& line);

// The search below `root`, one walk per call: sets `out` to the full path of the
// file named `name` (ASCII letters compared without case) that the depth-first
// walk meets last, where the first match in a folder ends that folder's walk.
// Leaves `out` unchanged when nothing matches.
void FindFileInTree(FileSystem& files, std::string root, std::string name, std::string& out);

// The same answers as FindFileInTree for one root, from a single listing of the
// tree taken at the first look-up and kept for the object's life. The tree must
// not change in between (a backup into a folder below the root would).
class CFileTreeIndex {
 public:
  CFileTreeIndex(FileSystem& files, std::string root);
  void Find(const std::string& name, std::string& out);

  // Entries the listing read ("." and ".." included); 0 before the first look-up.
  std::uint64_t EntriesRead() const { return entriesRead_; }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  struct Folder {
    std::uint32_t parent;
    std::string prefix;  // full path with the trailing "\" the names are appended to
  };
  // One per name as the search compares names (A-Z folded), kept once in text_.
  struct Name {
    std::uint32_t offset, length, hash;
    std::uint32_t newest;  // the last file of this name listed, in found_
  };
  // The first file of a name in a folder: the one that ends that folder's walk.
  struct File {
    std::uint32_t folder;
    std::uint32_t older;   // the file of the same name listed before it, or kNone
    std::uint32_t offset;  // its spelling in text_ (the name's own when spelled alike)
  };

  void Build();
  void List(std::uint32_t folder);
  void Add(std::uint32_t folder, const std::string& name);
  // The slot of table_ holding `name`, or the empty slot where it would go.
  std::size_t Slot(const char* name, std::size_t length, std::uint32_t hash) const;
  void Grow();

  FileSystem& files_;
  std::string root_;
  bool built_ = false;
  std::uint64_t entriesRead_ = 0;
  std::vector<Folder> folders_;  // numbered in walk order: a folder before its contents
  std::string text_;
  std::vector<Name> names_;
  std::vector<std::uint32_t> table_;  // open addressing: 1 + the index in names_, 0 when free
  std::deque<File> found_;  // grows without moving what it holds
};

// What the backup workers search with: the index, or the plain walk when the
// tree may change during the run.
class CDriverFileFinder {
 public:
  CDriverFileFinder(FileSystem& files, std::string root, bool indexed);
  void Find(const std::string& name, std::string& out);
  // From now on every look-up walks the tree afresh (the caller is about to
  // write below the root).
  void StopIndexing() { index_.reset(); }

 private:
  FileSystem& files_;
  std::string root_;
  std::unique_ptr<CFileTreeIndex> index_;
};

}  // namespace pelorin
