#pragma once
// A FileSystem held in memory, for tests and benchmarks that need what a disk
// cannot give on demand: entries listed in a chosen order, failures on chosen
// paths (a write budget, refused moves), and a count of the directory entries
// read. Names are compared without ASCII case, as on Windows; "." and ".." lead
// every folder listing. Streams follow the sharing rules of the open modes.
#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Mbcs.h"

namespace pelorin::testing {

class MemoryTreeFileSystem : public FileSystem {
 public:
  struct Node {
    std::string name;
    bool directory = false;
    std::uint32_t attributes = attr::kArchive;
    std::string content;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;  // listing order
    int writers = 0;
    int exclusiveReaders = 0;
  };

  MemoryTreeFileSystem() { root_.directory = true; }

  // Adds a folder path level by level ("C:\WINDOWS\system32"); existing levels stay.
  Node* AddDir(const std::string& path) {
    Node* node = &root_;
    for (const std::string& level : Split(path)) {
      Node* child = Child(node, level);
      if (!child) child = Insert(node, level, true);
      node = child;
    }
    return node;
  }
  // Adds (or replaces the content of) a file, making the folders above it.
  Node* AddFile(const std::string& path, const std::string& content = std::string(),
                std::uint32_t attributes = attr::kArchive) {
    std::vector<std::string> levels = Split(path);
    const std::string name = levels.back();
    levels.pop_back();
    Node* folder = &root_;
    for (const std::string& level : levels) {
      Node* child = Child(folder, level);
      if (!child) child = Insert(folder, level, true);
      folder = child;
    }
    Node* file = Child(folder, name);
    if (!file) file = Insert(folder, name, false);
    file->content = content;
    file->attributes = attributes;
    return file;
  }
  // Appends an entry to a folder as is: two names differing only in case can
  // stand side by side, as on a case-sensitive disk.
  Node* AddChild(Node* folder, const std::string& name, bool directory) { return Insert(folder, name, directory); }
  Node* Find(const std::string& path) { return Lookup(path); }
  bool Exists(const std::string& path) { return Lookup(path) != nullptr; }
  std::string Content(const std::string& path) {
    Node* node = Lookup(path);
    return node ? node->content : std::string("<missing>");
  }
  std::vector<unsigned char> Bytes(const std::string& path) {
    const std::string content = Content(path);
    return std::vector<unsigned char>(content.begin(), content.end());
  }
  void PutBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    AddFile(path, std::string(bytes.begin(), bytes.end()));
  }
  // Every file's path, in listing order.
  std::vector<std::string> Files() {
    std::vector<std::string> out;
    CollectFiles(root_, std::string(), out);
    return out;
  }

  // Failures on chosen paths (compared without case).
  void FailCopyTo(const std::string& path) { failCopyTo_.insert(Fold(path)); }
  void FailDelete(const std::string& path) { failDelete_.insert(Fold(path)); }
  void FailDeleteOnce(const std::string& path) { failDeleteOnce_.insert(Fold(path)); }
  void DenyListing(const std::string& folder) { denyListing_.insert(Fold(folder)); }
  void FailCreateDir(const std::string& path) { failCreate_.insert(Fold(path)); }
  long long writeBudget = -1;  // writes fail once this many more bytes are written (-1: never)
  bool refuseMoves = false;
  std::uint64_t freeBytes = 1ull << 40;  // what FreeSpace reports

  std::uint64_t EntriesRead() const { return entriesRead_; }
  std::vector<std::string> CreatedDirs() const { return created_; }

  // FileSystem
  std::uint32_t GetAttributes(const std::string& path) override {
    Node* node = Lookup(path);
    if (!node) return Missing(path), attr::kInvalid;
    return node->directory ? (node->attributes | attr::kDirectory) : node->attributes;
  }
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
    Node* node = Lookup(path);
    if (!node) return Missing(path), false;
    node->attributes = attributes & ~attr::kDirectory;
    return true;
  }
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override {
    Node* source = Lookup(from);
    if (!source || source->directory) return Missing(from), false;
    if (failCopyTo_.count(Fold(to))) return Fail(err::kAccessDenied);
    Node* target = Lookup(to);
    if (target) {
      if (target->directory || failIfExists) return Fail(err::kAccessDenied);
      if (target->attributes & (attr::kReadOnly | attr::kHidden)) return Fail(err::kAccessDenied);
      target->content = source->content;
      target->attributes = source->attributes;
      return true;
    }
    Node* folder = Parent(to);
    if (!folder) return Fail(err::kPathNotFound);
    Node* copy = Insert(folder, LastLevel(to), false);
    copy->content = source->content;
    copy->attributes = source->attributes;
    return true;
  }
  bool CreateDir(const std::string& path) override {
    if (failCreate_.count(Fold(path))) return Fail(err::kAccessDenied);
    if (Lookup(path)) return Fail(err::kAlreadyExists);
    Node* folder = Parent(path);
    if (!folder) return Fail(err::kPathNotFound);
    Insert(folder, LastLevel(path), true);
    created_.push_back(path);
    return true;
  }
  bool RemoveDir(const std::string& path) override {
    Node* node = Lookup(path);
    if (!node) return Missing(path), false;
    if (!node->directory) return Fail(err::kDirectory);
    if (!node->children.empty()) return Fail(err::kDirNotEmpty);
    Remove(node);
    return true;
  }
  bool Delete(const std::string& path) override {
    Node* node = Lookup(path);
    if (!node) return Missing(path), false;
    if (node->directory || (node->attributes & attr::kReadOnly)) return Fail(err::kAccessDenied);
    if (failDelete_.count(Fold(path))) return Fail(err::kSharingViolation);
    if (failDeleteOnce_.erase(Fold(path))) return Fail(err::kSharingViolation);
    Remove(node);
    return true;
  }
  bool MoveReplace(const std::string& from, const std::string& to) override {
    Node* source = Lookup(from);
    Node* folder = Parent(to);
    if (refuseMoves || !source || !folder) return Fail(err::kAccessDenied);
    if (Node* target = Lookup(to)) {
      if (target == source) return true;
      Remove(target);
    }
    std::unique_ptr<Node> moved = Detach(source);
    moved->name = LastLevel(to);
    moved->parent = folder;
    folder->children.push_back(std::move(moved));
    return true;
  }

  std::unique_ptr<FileFinder> FindFirst(const std::string& pattern, FindEntry& first) override {
    std::vector<FindEntry> entries;
    const std::size_t star = pattern.size() >= 4 ? pattern.size() - 4 : std::string::npos;
    if (star != std::string::npos && pattern.compare(star + 1, 3, "*.*") == 0 && EndsWithBackslash(pattern.substr(0, star + 1))) {
      const std::string folderPath = pattern.substr(0, star);
      Node* folder = Lookup(folderPath);
      if (!folder || !folder->directory) return Missing(folderPath + "\\x"), nullptr;
      if (denyListing_.count(Fold(folderPath))) return Fail(err::kAccessDenied), nullptr;
      entries.push_back({".", attr::kDirectory, 0});
      entries.push_back({"..", attr::kDirectory, 0});
      for (const auto& child : folder->children) entries.push_back(EntryOf(*child));
    } else {
      // A probe of one path; a trailing "\" names nothing, as on Windows.
      Node* node = EndsWithBackslash(pattern) ? nullptr : Lookup(pattern);
      if (!node || node == &root_) return Fail(err::kFileNotFound), nullptr;
      entries.push_back(EntryOf(*node));
    }
    ++entriesRead_;
    first = entries.front();
    return std::make_unique<Finder>(this, std::move(entries));
  }
  std::uint32_t TempPath(std::uint32_t cap, char* buffer) override {
    const char temp[] = "C:\\TEMP\\";
    if (cap < sizeof temp) return sizeof temp;
    std::memcpy(buffer, temp, sizeof temp);
    return sizeof temp - 1;
  }
  int MakeDir(const std::string& path) override { return CreateDir(path) ? 0 : -1; }
  bool FreeSpace(const std::string&, std::uint64_t* bytes) override {
    *bytes = freeBytes;
    return true;
  }
  bool CreatePrivateDir(const std::string& path) override { return CreateDir(path); }
  std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode) override {
    Node* node = Lookup(path);
    if (node && node->directory) return Fail(err::kAccessDenied), nullptr;
    if (mode == OpenMode::kCreateWrite) {
      if (node && (node->writers > 0 || node->exclusiveReaders > 0)) return Fail(err::kSharingViolation), nullptr;
      if (!node && !Parent(path)) return Fail(err::kPathNotFound), nullptr;
      node = AddFile(path);
    } else if (!node) {
      return Missing(path), nullptr;
    } else if (mode == OpenMode::kReadExclusive && node->writers > 0) {
      return Fail(err::kSharingViolation), nullptr;
    }
    return std::make_unique<Stream>(*this, node, mode);
  }

 private:
  class Stream : public FileStream {
   public:
    Stream(MemoryTreeFileSystem& owner, Node* node, OpenMode mode) : owner_(owner), node_(node), mode_(mode) {
      Count(+1);
    }
    ~Stream() override { Count(-1); }
    bool Read(void* buffer, std::uint32_t size, std::uint32_t* got) override {
      const std::string& d = node_->content;
      const std::size_t n = pos_ < d.size() ? std::min<std::size_t>(size, d.size() - pos_) : 0;
      std::memcpy(buffer, d.data() + pos_, n);
      pos_ += n;
      *got = static_cast<std::uint32_t>(n);
      return true;
    }
    bool Write(const void* buffer, std::uint32_t size) override {
      if (mode_ != OpenMode::kCreateWrite) return Fail(err::kAccessDenied);
      if (owner_.writeBudget >= 0 && owner_.writeBudget < size) {
        owner_.writeBudget = 0;
        return Fail(kDiskFull);
      }
      if (owner_.writeBudget >= 0) owner_.writeBudget -= size;
      std::string& d = node_->content;
      if (d.size() < pos_ + size) d.resize(pos_ + size);
      d.replace(pos_, size, static_cast<const char*>(buffer), size);
      pos_ += size;
      return true;
    }
    bool Seek(std::int64_t offset, SeekOrigin origin) override {
      const std::int64_t base = origin == SeekOrigin::kBegin     ? 0
                                : origin == SeekOrigin::kCurrent ? static_cast<std::int64_t>(pos_)
                                                                 : static_cast<std::int64_t>(node_->content.size());
      if (base + offset < 0) return false;
      pos_ = static_cast<std::size_t>(base + offset);
      return true;
    }
    std::uint64_t Position() override { return pos_; }
    std::uint64_t Length() override { return node_->content.size(); }

   private:
    static constexpr std::uint32_t kDiskFull = 112;
    void Count(int delta) {
      if (mode_ == OpenMode::kCreateWrite) node_->writers += delta;
      if (mode_ == OpenMode::kReadExclusive) node_->exclusiveReaders += delta;
    }
    MemoryTreeFileSystem& owner_;
    Node* node_;
    OpenMode mode_;
    std::size_t pos_ = 0;
  };

  class Finder : public FileFinder {
   public:
    Finder(MemoryTreeFileSystem* owner, std::vector<FindEntry> entries) : owner_(owner), entries_(std::move(entries)) {}
    bool Next(FindEntry& entry) override {
      if (++next_ >= entries_.size()) {
        SetLastError(err::kNoMoreFiles);
        return false;
      }
      ++owner_->entriesRead_;
      entry = entries_[next_];
      return true;
    }

   private:
    MemoryTreeFileSystem* owner_;
    std::vector<FindEntry> entries_;
    std::size_t next_ = 0;
  };

  static std::string Fold(std::string text) {
    for (char& c : text) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
  }
  static std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> levels;
    std::size_t start = 0;
    while (start <= path.size()) {
      std::size_t end = mbcs::FindFirst(path, '\\', start);
      if (end == std::string::npos) end = path.size();
      if (end > start) levels.push_back(path.substr(start, end - start));
      start = end + 1;
    }
    return levels;
  }
  static std::string LastLevel(const std::string& path) {
    const std::vector<std::string> levels = Split(path);
    return levels.empty() ? std::string() : levels.back();
  }
  static bool EndsWithBackslash(const std::string& path) {
    return !path.empty() && mbcs::FindLast(path, '\\') == path.size() - 1;
  }
  static FindEntry EntryOf(const Node& node) {
    FindEntry entry;
    entry.name = node.name;
    entry.attributes = node.directory ? (node.attributes | attr::kDirectory) : node.attributes;
    entry.size = node.content.size();
    return entry;
  }
  static bool Fail(std::uint32_t code) {
    SetLastError(code);
    return false;
  }
  void Missing(const std::string& path) { SetLastError(Parent(path) ? err::kFileNotFound : err::kPathNotFound); }

  Node* Child(Node* folder, const std::string& name) {
    const std::string key = Fold(name);
    for (const auto& child : folder->children) {
      if (Fold(child->name) == key) return child.get();
    }
    return nullptr;
  }
  Node* Insert(Node* folder, const std::string& name, bool directory) {
    auto node = std::make_unique<Node>();
    node->name = name;
    node->directory = directory;
    node->attributes = directory ? 0 : attr::kArchive;
    node->parent = folder;
    folder->children.push_back(std::move(node));
    return folder->children.back().get();
  }
  std::unique_ptr<Node> Detach(Node* node) {
    auto& siblings = node->parent->children;
    auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& c) { return c.get() == node; });
    std::unique_ptr<Node> detached = std::move(*it);
    siblings.erase(it);
    return detached;
  }
  // Removed nodes are kept until the end: a stream may still point at one.
  void Remove(Node* node) { removed_.push_back(Detach(node)); }
  void CollectFiles(const Node& folder, const std::string& prefix, std::vector<std::string>& out) {
    for (const auto& child : folder.children) {
      const std::string path = prefix.empty() ? child->name : prefix + "\\" + child->name;
      if (child->directory) {
        CollectFiles(*child, path, out);
      } else {
        out.push_back(path);
      }
    }
  }
  Node* Lookup(const std::string& path) {
    if (path.empty()) return nullptr;
    Node* node = &root_;
    for (const std::string& level : Split(path)) {
      if (!node->directory) return nullptr;
      node = Child(node, level);
      if (!node) return nullptr;
    }
    return node;
  }
  Node* Parent(const std::string& path) {
    std::vector<std::string> levels = Split(path);
    if (levels.size() < 2) return levels.size() == 1 ? &root_ : nullptr;
    levels.pop_back();
    Node* node = &root_;
    for (const std::string& level : levels) {
      node = Child(node, level);
      if (!node || !node->directory) return nullptr;
    }
    return node;
  }

  Node root_;  // its children are the drives ("C:", "D:")
  std::vector<std::unique_ptr<Node>> removed_;
  std::set<std::string> failCopyTo_, failDelete_, failDeleteOnce_, denyListing_, failCreate_;
  std::uint64_t entriesRead_ = 0;
  std::vector<std::string> created_;
};

}  // namespace pelorin::testing
