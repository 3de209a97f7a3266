// Folder listings with Windows semantics: wildcard patterns on GBK names, NTFS
// order, "." and ".." first, names Windows cannot hold left out.
#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/Errors.h"
#include "platform/Mbcs.h"
#include "platform/posix/Encoding.h"
#include "platform/posix/FileCalls.h"
#include "platform/posix/Handles.h"
#include "platform/posix/PosixFileSystem.h"

namespace pelorin::posix {

namespace {

bool HasWildcards(const std::string& name) {
  for (std::size_t i = 0; i < name.size(); i += mbcs::CharLength(name, i)) {
    if (mbcs::CharLength(name, i) == 1 && (name[i] == '*' || name[i] == '?')) return true;
  }
  return false;
}

// Windows wildcard match on GBK names: '*' any run, '?' one character (a
// double-byte character counts as one), ASCII letters without regard to case,
// and a trailing ".*" that also matches a name with no more dots ("x.*" finds "x").
bool Matches(const std::string& pattern, std::size_t p, const std::string& name, std::size_t n) {
  while (p < pattern.size()) {
    const std::size_t plen = mbcs::CharLength(pattern, p);
    if (plen == 1 && pattern[p] == '*') {
      while (p < pattern.size() && pattern[p] == '*') ++p;
      if (p == pattern.size()) return true;
      for (std::size_t k = n; k <= name.size(); k += (k < name.size() ? mbcs::CharLength(name, k) : 1)) {
        if (Matches(pattern, p, name, k)) return true;
      }
      return false;
    }
    if (n == name.size()) {
      return pattern.compare(p, std::string::npos, ".*") == 0 || pattern.compare(p, std::string::npos, ".") == 0;
    }
    const std::size_t nlen = mbcs::CharLength(name, n);
    if (plen == 1 && pattern[p] == '?') {
      p += 1;
      n += nlen;
      continue;
    }
    if (plen != nlen) return false;
    if (plen == 1 ? mbcs::UpperAscii(pattern[p]) != mbcs::UpperAscii(name[n]) : pattern.compare(p, 2, name, n, 2) != 0) {
      return false;
    }
    p += plen;
    n += nlen;
  }
  return n == name.size();
}

bool MatchesPattern(const std::string& pattern, const std::string& name) {
  if (pattern == "*" || pattern == "*.*") return true;
  return Matches(pattern, 0, name, 0);
}

bool IsAscii(const char* text, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

// The GBK name and NTFS sort key of a host name; false for a name Windows
// cannot hold (a "\" in it, or no GBK form), which is left out rather than
// shown mangled. ASCII names are their own GBK form and their own key once
// folded, so they keep `key` empty.
bool WindowsName(const char* host, std::size_t size, std::string& name, std::u16string& key,
                 std::u32string& decoded) {
  if (std::memchr(host, '\\', size) != nullptr) return false;
  if (IsAscii(host, size)) {
    name.assign(host, size);
    key.clear();
    return true;
  }
  const std::string utf8(host, size);
  if (!DecodeUtf8(utf8, decoded) || !Utf8ToGbk(utf8, name)) return false;
  key = NtfsOrderKey(decoded);
  return true;
}

// A folder name the path resolution maps onto the same host name: ASCII, no
// character Windows refuses, no trailing dot or blank (which it drops).
bool ResolvesToItself(const std::string& name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x80 ||
        std::strchr("<>:\"|*?", c) != nullptr) {
      return false;
    }
  }
  return true;
}

// The entries of one search, taken when it starts; each goes out once.
class SnapshotFinder : public FileFinder {
 public:
  explicit SnapshotFinder(std::vector<FindEntry> entries) : entries_(std::move(entries)) {}
  bool Next(FindEntry& entry) override {
    if (next_ >= entries_.size()) return FailWith(err::kNoMoreFiles);
    entry = std::move(entries_[next_++]);
    return true;
  }

 private:
  std::vector<FindEntry> entries_;
  std::size_t next_ = 1;  // the first entry went out with FindFirst
};

}  // namespace

std::unique_ptr<FileFinder> PosixFileSystem::FindFirst(const std::string& pattern, FindEntry& first) {
  return Find(pattern, first, false);
}

std::unique_ptr<FileFinder> PosixFileSystem::FindFirstNames(const std::string& pattern, FindEntry& first) {
  return Find(pattern, first, true);
}

std::unique_ptr<FileFinder> PosixFileSystem::Find(const std::string& pattern, FindEntry& first, bool namesOnly) {
  // Split off the last component, DBCS-aware.
  std::size_t cut = std::string::npos;
  for (std::size_t i = 0; i < pattern.size(); i += mbcs::CharLength(pattern, i)) {
    if (pattern[i] == '\\' || pattern[i] == '/') cut = i;
  }
  const std::string last = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  std::vector<FindEntry> entries;

  if (!HasWildcards(last)) {
    // One path probed; a folder named with a trailing "\" or a drive root is
    // not an entry of its own.
    Node node;
    std::uint32_t rc = Lookup(pattern, node);
    if (rc == err::kSuccess && (node.path.isRoot || node.path.trailingSeparator)) rc = err::kFileNotFound;
    if (rc != err::kSuccess) {
      SetLastError(rc);
      return nullptr;
    }
    FindEntry entry;
    const std::string hostName = node.path.host.substr(node.path.host.rfind('/') + 1);
    if (!Utf8ToGbk(hostName, entry.name)) entry.name = node.path.lastName;
    entry.attributes = AttributesOf(node);
    entry.size = entry.IsDirectory() || node.isDirLink ? 0 : static_cast<std::uint64_t>(node.st.st_size);
    entries.push_back(std::move(entry));
  } else {
    const std::string folderPath = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
    std::string folderHost;
    bool isRoot = false;
    UniqueDir dir;
    if (namesOnly) {
      const std::lock_guard<std::mutex> lock(childMutex_);
      const auto known = childFolders_.find(folderPath);
      if (known != childFolders_.end()) {
        folderHost = std::move(known->second);
        childFolders_.erase(known);
        dir.reset(opendir(folderHost.c_str()));
      }
    }
    if (!dir) {
      Node folder;
      const std::uint32_t rc = Lookup(folderPath, folder);
      if (rc != err::kSuccess || !(folder.isDir || folder.path.isRoot)) {
        SetLastError(err::kPathNotFound);
        return nullptr;
      }
      folderHost = folder.path.host;
      isRoot = folder.path.isRoot;
      dir.reset(opendir(folderHost.c_str()));
      if (!dir) {
        SetLastError(FileErrorFromErrno(errno));
        return nullptr;
      }
    }
    std::vector<std::pair<std::string, std::string>> children;
    struct Listed {
      std::u16string key;
      FindEntry entry;
    };
    std::vector<Listed> found;
    found.reserve(64);  // a usual folder without a move of what is listed
    std::u32string decoded;
    Listed listed;
    while (const dirent* d = readdir(dir.get())) {
      const std::size_t size = std::strlen(d->d_name);
      if (d->d_name[0] == '.' && (size == 1 || (size == 2 && d->d_name[1] == '.'))) continue;
      FindEntry& entry = listed.entry;
      if (!WindowsName(d->d_name, size, entry.name, listed.key, decoded)) continue;
      if (!MatchesPattern(last, entry.name)) continue;
      if (namesOnly && d->d_type != DT_UNKNOWN) {
        // A link is never a folder of a walk, so the entry type alone decides.
        entry.attributes = d->d_type == DT_DIR ? attr::kDirectory : 0;
        entry.size = 0;
        if (entry.IsDirectory() && ResolvesToItself(entry.name)) {
          children.emplace_back(folderPath + entry.name + "\\", DriveMap::JoinHost(folderHost, entry.name));
        }
      } else {
        Node node;
        node.path.host = DriveMap::JoinHost(folderHost, std::string(d->d_name, size));
        node.path.exists = true;
        if (StatNode(node) != err::kSuccess) continue;
        if (namesOnly) {
          entry.attributes = node.isDir ? attr::kDirectory : 0;
          entry.size = 0;
        } else {
          entry.attributes = AttributesOf(node);
          entry.size = node.isDir || node.isDirLink ? 0 : static_cast<std::uint64_t>(node.st.st_size);
        }
      }
      found.push_back(std::move(listed));
      listed = Listed();
    }
    // NTFS order; an ASCII name (no key of its own) compares by its folded bytes.
    const auto keyAt = [](const Listed& l, std::size_t i) {
      return l.key.empty() ? static_cast<char16_t>(mbcs::UpperAscii(l.entry.name[i])) : l.key[i];
    };
    const auto keyLength = [](const Listed& l) { return l.key.empty() ? l.entry.name.size() : l.key.size(); };
    std::sort(found.begin(), found.end(), [&](const Listed& a, const Listed& b) {
      const std::size_t common = std::min(keyLength(a), keyLength(b));
      for (std::size_t i = 0; i < common; ++i) {
        const char16_t x = keyAt(a, i), y = keyAt(b, i);
        if (x != y) return x < y;
      }
      return keyLength(a) < keyLength(b);
    });
    entries.reserve(found.size() + 2);
    if (!children.empty()) {
      const std::lock_guard<std::mutex> lock(childMutex_);
      // Folders a walk never entered are dropped rather than kept for ever.
      if (childFolders_.size() > 100000) childFolders_.clear();
      for (auto& child : children) childFolders_[std::move(child.first)] = std::move(child.second);
    }
    if (!isRoot) {
      for (const char* dots : {".", ".."}) {
        if (!MatchesPattern(last, dots)) continue;
        FindEntry entry;
        entry.name = dots;
        entry.attributes = attr::kDirectory;
        entries.push_back(std::move(entry));
      }
    }
    for (Listed& l : found) entries.push_back(std::move(l.entry));
    if (entries.empty()) {
      SetLastError(err::kFileNotFound);
      return nullptr;
    }
  }
  first = std::move(entries.front());
  return std::make_unique<SnapshotFinder>(std::move(entries));
}

}  // namespace pelorin::posix
