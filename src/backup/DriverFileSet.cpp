#include "backup/DriverFileSet.h"

#include <algorithm>

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

std::size_t CFileTreeIndex::FoldedHash::operator()(const std::string& name) const {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : name) hash = (hash ^ static_cast<unsigned char>(mbcs::LowerAscii(c))) * 1099511628211ull;
  return static_cast<std::size_t>(hash);
}

bool CFileTreeIndex::FoldedEqual::operator()(const std::string& a, const std::string& b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (mbcs::LowerAscii(a[i]) != mbcs::LowerAscii(b[i])) return false;
  }
  return true;
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
    if (entry.IsDirectory()) {
      if (entry.IsDots()) continue;
      const auto id = static_cast<std::uint32_t>(folders_.size());
      folders_.push_back({folder, FolderPrefix(folders_[folder].prefix + entry.name)});
      List(id);
      continue;
    }
    // A listed name holds no "\" of its own, so it is the key as it stands.
    const auto [slot, added] = byName_.try_emplace(std::move(entry.name));
    std::vector<Match>& matches = slot->second;
    // Only the first file of a name counts in a folder: the walk of that folder
    // ends there. Everything added since this folder's listing began belongs to
    // it or to its sub-folders, which carry higher numbers.
    bool seen = false;
    for (auto it = matches.rbegin(); it != matches.rend() && it->folder >= folder; ++it) {
      if (it->folder == folder) {
        seen = true;
        break;
      }
    }
    if (seen) continue;
    // The key moved in only when the name was new; otherwise the name is intact.
    const bool asKey = added || entry.name == slot->first;
    matches.push_back({folder, asKey ? std::string() : std::move(entry.name)});
  } while (finder->Next(entry));
}

void CFileTreeIndex::Find(const std::string& name, std::string& out) {
  if (!built_) Build();
  const auto found = byName_.find(name);
  if (found == byName_.end() || found->second.empty()) return;
  const std::vector<Match>& matches = found->second;

  // The walk's last match lies on the path from the root to the folder numbered
  // last among the folders holding the name: a folder that holds the name itself
  // ends its walk with its own file, after the sub-folders listed before it, so
  // the topmost such folder on that path is the one whose file is set last.
  const Match* last = &*std::max_element(matches.begin(), matches.end(),
                                         [](const Match& a, const Match& b) { return a.folder < b.folder; });
  const Match* chosen = last;
  for (std::uint32_t folder = last->folder; folder != 0;) {
    folder = folders_[folder].parent;
    for (const Match& match : matches) {
      if (match.folder == folder) {
        chosen = &match;
        break;
      }
    }
  }
  out = folders_[chosen->folder].prefix + (chosen->name.empty() ? found->first : chosen->name);
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
