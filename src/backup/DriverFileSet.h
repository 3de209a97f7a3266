#pragma once
// The files a backup saves for one driver: the INF, its precompiled PNF and every
// file the INF's SourceDisksFiles section lists, searched below the Windows folder.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
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
  struct Folder {
    std::uint32_t parent;
    std::string prefix;  // full path with the trailing "\" the names are appended to
  };
  struct Match {
    std::uint32_t folder;  // the folder whose walk the first file of that name ends
    std::string name;      // the entry's name as listed; empty when spelled as the key
  };
  // Names compared as the search compares them: every byte with A-Z folded.
  struct FoldedHash {
    std::size_t operator()(const std::string& name) const;
  };
  struct FoldedEqual {
    bool operator()(const std::string& a, const std::string& b) const;
  };

  void Build();
  void List(std::uint32_t folder);

  FileSystem& files_;
  std::string root_;
  bool built_ = false;
  std::uint64_t entriesRead_ = 0;
  std::vector<Folder> folders_;  // numbered in walk order: a folder before its contents
  // Key: the name as first listed.
  std::unordered_map<std::string, std::vector<Match>, FoldedHash, FoldedEqual> byName_;
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
