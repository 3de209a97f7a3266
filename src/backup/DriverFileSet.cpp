#include "backup/DriverFileSet.h"

#include "backup/BackupTexts.h"
#include "platform/Mbcs.h"

namespace pelorin {

namespace {

// The folder's path as the names of its entries are appended to it. The check
// for a closing "\" steps over whole characters: a trail byte 0x5C is not one.
std::string FolderPrefix(const std::string& folder) {
  if (!folder.empty() && mbcs::FindLast(folder, '\\') == folder.size() - 1) return folder;
  return folder + "\\";
}

// Both searches compare names as the walk's mbcs::EqualsNoCaseAscii does: a
// double-byte character exactly (its trail byte may look like a letter), A-Z folded.
std::uint32_t FoldedHash(const char* name, std::size_t length) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  const auto mix = [&hash](char c) { hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u; };
  for (std::size_t i = 0; i < length; ++i) {
    if (mbcs::CharLength(name, length, i) == 2) {
      mix(name[i]);
      mix(name[++i]);
    } else {
      mix(mbcs::LowerAscii(name[i]));
    }
  }
  return hash;
}

bool FoldedEqual(const char* a, const char* b, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (mbcs::CharLength(a, length, i) == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (mbcs::LowerAscii(a[i]) != mbcs::LowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string InfSourcePath(const std::string& infName) { return texts::kInfFolder + infName; }

std::string PnfFileName(const std::string& infName) {
  const std::size_t cut = infName.find(texts::kInfExtension);
  const std::string stem = cut == std::string::npos ? std::string() : infName.substr(0, cut);
  return stem + texts::kPnfExtension;
}

std::string PnfSourcePath(const std::string& infName) { return texts::kInfFolder + PnfFileName(infName); }

std::string ListedFileName(const std::string& line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return std::string();
  std::string name = line.substr(0, equals);
  if (name == texts::kIntelAlmCoIn) name = mbcs::ToLowerAscii(name);
  return name;
}

void FindFileInTree(FileSystem& files, std::string root, std::string name, std::string& out) {
  const std::string prefix = FolderPrefix(root);
  FindEntry entry;
  const std::unique_ptr<FileFinder> finder = files.FindFirst(prefix + "*.*", entry);
  if (!finder) return;
  do {
    if (entry.IsDirectory()) {
      if (!entry.IsDots()) FindFileInTree(files, prefix + entry.name, name, out);
      continue;
    }
    std::string path = prefix + entry.name;
    if (mbcs::EqualsNoCaseAscii(mbcs::AfterLastBackslash(path), name)) {
      out = std::move(path);
      break;
    }
  } while (finder->Next(entry));
}

CFileTreeIndex::CFileTreeIndex(FileSystem& files, std::string root) : files_(files), root_(std::move(root)) {}

std::size_t CFileTreeIndex::Slot(const char* name, std::size_t length, std::uint32_t hash) const {
  const std::size_t mask = table_.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    if (table_[slot] == 0) return slot;
    const Name& known = names_[table_[slot] - 1];
    if (known.hash == hash && known.length == length && FoldedEqual(text_.data() + known.offset, name, length)) {
      return slot;
    }
  }
}

void CFileTreeIndex::Grow() {
  table_.assign(table_.empty() ? 1024 : table_.size() * 2, 0);
  for (std::size_t i = 0; i < names_.size(); ++i) {
    const Name& name = names_[i];
    table_[Slot(text_.data() + name.offset, name.length, name.hash)] = static_cast<std::uint32_t>(i + 1);
  }
}

void CFileTreeIndex::Build() {
  built_ = true;
  folders_.push_back({0, FolderPrefix(root_)});
  List(0);
}

void CFileTreeIndex::List(std::uint32_t folder) {
  FindEntry entry;
  // Only names and the folder bit count here: the lean listing spares the
  // backend an attribute read per entry.
  const std::unique_ptr<FileFinder> finder = files_.FindFirstNames(folders_[folder].prefix + "*.*", entry);
  if (!finder) return;
  do {
    ++entriesRead_;
    if (!entry.IsDirectory()) {
      Add(folder, entry.name);
    } else if (!entry.IsDots()) {
      const auto id = static_cast<std::uint32_t>(folders_.size());
      folders_.push_back({folder, FolderPrefix(folders_[folder].prefix + entry.name)});
      List(id);
    }
  } while (finder->Next(entry));
}

void CFileTreeIndex::Add(std::uint32_t folder, const std::string& name) {
  // A listed name holds no "\" of its own, so it is the key as it stands.
  if ((names_.size() + 1) * 2 > table_.size()) Grow();
  const std::uint32_t hash = FoldedHash(name.data(), name.size());
  const std::size_t slot = Slot(name.data(), name.size(), hash);
  if (table_[slot] == 0) {
    const auto offset = static_cast<std::uint32_t>(text_.size());
    names_.push_back({offset, static_cast<std::uint32_t>(name.size()), hash, kNone});
    text_ += name;
    table_[slot] = static_cast<std::uint32_t>(names_.size());
  }
  Name& known = names_[table_[slot] - 1];
  // Only the first file of a name counts in a folder: the walk of that folder
  // ends there. Everything added since this folder's listing began belongs to
  // it or to its sub-folders, which carry higher numbers.
  for (std::uint32_t i = known.newest; i != kNone && found_[i].folder >= folder; i = found_[i].older) {
    if (found_[i].folder == folder) return;
  }
  std::uint32_t offset = known.offset;
  if (name.compare(0, name.size(), text_, known.offset, known.length) != 0) {
    offset = static_cast<std::uint32_t>(text_.size());
    text_ += name;
  }
  found_.push_back({folder, known.newest, offset});
  known.newest = static_cast<std::uint32_t>(found_.size() - 1);
}

void CFileTreeIndex::Find(const std::string& name, std::string& out) {
  if (!built_) Build();
  if (table_.empty()) return;
  const std::size_t slot = Slot(name.data(), name.size(), FoldedHash(name.data(), name.size()));
  if (table_[slot] == 0) return;
  const Name& known = names_[table_[slot] - 1];

  // The walk's last match lies on the path from the root to the folder numbered
  // last among the folders holding the name: a folder that holds the name itself
  // ends its walk with its own file, after the sub-folders listed before it, so
  // the topmost such folder on that path is the one whose file is set last.
  std::uint32_t last = known.newest;
  for (std::uint32_t i = known.newest; i != kNone; i = found_[i].older) {
    if (found_[i].folder > found_[last].folder) last = i;
  }
  std::uint32_t chosen = last;
  for (std::uint32_t folder = found_[last].folder; folder != 0;) {
    folder = folders_[folder].parent;
    for (std::uint32_t i = known.newest; i != kNone; i = found_[i].older) {
      if (found_[i].folder == folder) {
        chosen = i;
        break;
      }
    }
  }
  out = folders_[found_[chosen].folder].prefix;
  out.append(text_, found_[chosen].offset, known.length);
}

CDriverFileFinder::CDriverFileFinder(FileSystem& files, std::string root, bool indexed)
    : files_(files), root_(std::move(root)) {
  if (indexed) index_ = std::make_unique<CFileTreeIndex>(files_, root_);
}

void CDriverFileFinder::Find(const std::string& name, std::string& out) {
  if (index_) {
    index_->Find(name, out);
  } else {
    FindFileInTree(files_, root_, name, out);
  }
}

}  // namespace pelorin
