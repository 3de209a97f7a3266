#pragma once
// A FileSystem in memory, for what a disk cannot give on demand: a chosen
// listing order, failures on chosen paths, a count of the entries read.
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
    std::vector<std::unique_ptr<Node>> children;  // listing order
    int writers = 0;
  };

  MemoryTreeFileSystem() { root_.directory = true; }

  // Makes the missing levels of `path` ("C:\WINDOWS\system32").
  Node* AddDir(const std::string& path) { return Make(Split(path)); }
  // Adds or replaces a file, making the folders above it.
  Node* AddFile(const std::string& path, const std::string& content = {}, std::uint32_t attributes = attr::kArchive) {
    std::vector<std::string> levels = Split(path);
    const std::string name = levels.back();
    levels.pop_back();
    Node* folder = Make(levels);
    Node* file = Child(folder, name);
    if (!file) file = Insert(folder, name, false);
    file->content = content;
    file->attributes = attributes;
    return file;
  }
  // Appends an entry as is: two names differing only in case can stand side by side.
  Node* AddChild(Node* folder, const std::string& name, bool directory) { return Insert(folder, name, directory); }
  bool Exists(const std::string& path) { return Lookup(path) != nullptr; }
  std::string Content(const std::string& path) {
    Node* node = Lookup(path);
    return node ? node->content : "<missing>";
  }
  // Every file's path, in listing order.
  std::vector<std::string> Files() {
    std::vector<std::string> out;
    Collect(root_, "", out);
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
  std::uint64_t freeBytes = 1ull << 40;

  std::uint64_t EntriesRead() const { return entriesRead_; }

  std::uint32_t GetAttributes(const std::string& path) override {
    Node* node = Lookup(path);
    if (!node) return Missing(path), attr::kInvalid;
    return node->attributes | (node->directory ? attr::kDirectory : 0);
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
    if (target && (target->directory || failIfExists || (target->attributes & (attr::kReadOnly | attr::kHidden))))
      return Fail(err::kAccessDenied);
    if (!Parent(to)) return Fail(err::kPathNotFound);
    return AddFile(to, source->content, source->attributes), true;
  }
  bool CreateDir(const std::string& path) override {
    if (failCreate_.count(Fold(path))) return Fail(err::kAccessDenied);
    if (Lookup(path)) return Fail(err::kAlreadyExists);
    Node* folder = Parent(path);
    if (!folder) return Fail(err::kPathNotFound);
    return Insert(folder, Split(path).back(), true), true;
  }
  bool RemoveDir(const std::string& path) override {
    Node* node = Lookup(path);
    if (!node) return Missing(path), false;
    if (!node->directory) return Fail(err::kDirectory);
    if (!node->children.empty()) return Fail(err::kDirNotEmpty);
    return Remove(path), true;
  }
  bool Delete(const std::string& path) override {
    Node* node = Lookup(path);
    if (!node) return Missing(path), false;
    if (node->directory || (node->attributes & attr::kReadOnly)) return Fail(err::kAccessDenied);
    if (failDelete_.count(Fold(path)) || failDeleteOnce_.erase(Fold(path))) return Fail(err::kSharingViolation);
    return Remove(path), true;
  }
  bool MoveReplace(const std::string& from, const std::string& to) override {
    Node* source = Lookup(from);
    Node* folder = Parent(to);
    if (refuseMoves || !source || !folder) return Fail(err::kAccessDenied);
    if (Node* target = Lookup(to)) {
      if (target == source) return true;
      Remove(to);
    }
    std::unique_ptr<Node> moved = Detach(from);
    moved->name = Split(to).back();
    folder->children.push_back(std::move(moved));
    return true;
  }
  std::unique_ptr<FileFinder> FindFirst(const std::string& pattern, FindEntry& first) override {
    std::vector<FindEntry> entries;
    const std::size_t n = pattern.size();
    if (n >= 4 && pattern.compare(n - 3, 3, "*.*") == 0 && EndsWithBackslash(pattern.substr(0, n - 3))) {
      const std::string folderPath = pattern.substr(0, n - 4);
      Node* folder = Lookup(folderPath);
      if (!folder || !folder->directory) return Missing(folderPath + "\\x"), nullptr;
      if (denyListing_.count(Fold(folderPath))) return Fail(err::kAccessDenied), nullptr;
      entries = {{".", attr::kDirectory, 0}, {"..", attr::kDirectory, 0}};
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
  std::uint32_t TempPath(std::uint32_t, char*) override { return Fail(err::kPathNotFound), 0; }
  int MakeDir(const std::string& path) override { return CreateDir(path) ? 0 : -1; }
  bool FreeSpace(const std::string&, std::uint64_t* bytes) override { return *bytes = freeBytes, true; }
  bool CreatePrivateDir(const std::string& path) override { return CreateDir(path); }
  std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode) override {
    Node* node = Lookup(path);
    if (node && node->directory) return Fail(err::kAccessDenied), nullptr;
    if (mode == OpenMode::kCreateWrite) {
      if (!node && !Parent(path)) return Fail(err::kPathNotFound), nullptr;
      node = AddFile(path);
    } else if (!node) {
      return Missing(path), nullptr;
    } else if (mode == OpenMode::kReadExclusive && node->writers > 0) {  // the one sharing rule a test needs
      return Fail(err::kSharingViolation), nullptr;
    }
    return std::make_unique<Stream>(*this, node, mode);
  }

 private:
  class Stream : public FileStream {
   public:
    Stream(MemoryTreeFileSystem& owner, Node* node, OpenMode mode) : owner_(owner), node_(node), mode_(mode) {
      node_->writers += Writing();
    }
    ~Stream() override { node_->writers -= Writing(); }
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
      if (owner_.writeBudget >= 0 && owner_.writeBudget < size) return owner_.writeBudget = 0, Fail(112);  // disk full
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
    int Writing() const { return mode_ == OpenMode::kCreateWrite ? 1 : 0; }
    MemoryTreeFileSystem& owner_;
    Node* node_;
    OpenMode mode_;
    std::size_t pos_ = 0;
  };

  class Finder : public FileFinder {
   public:
    Finder(MemoryTreeFileSystem* owner, std::vector<FindEntry> entries) : owner_(owner), entries_(std::move(entries)) {}
    bool Next(FindEntry& entry) override {
      if (++next_ >= entries_.size()) return Fail(err::kNoMoreFiles);
      ++owner_->entriesRead_;
      entry = entries_[next_];
      return true;
    }

   private:
    MemoryTreeFileSystem* owner_;
    std::vector<FindEntry> entries_;
    std::size_t next_ = 0;
  };

  static std::string Fold(const std::string& text) { return mbcs::ToLowerAscii(text); }
  static std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> levels;
    for (std::size_t start = 0; start <= path.size();) {
      std::size_t end = mbcs::FindFirst(path, '\\', start);
      if (end == std::string::npos) end = path.size();
      if (end > start) levels.push_back(path.substr(start, end - start));
      start = end + 1;
    }
    return levels;
  }
  static bool EndsWithBackslash(const std::string& path) {
    return !path.empty() && mbcs::FindLast(path, '\\') == path.size() - 1;
  }
  static FindEntry EntryOf(const Node& node) {
    return {node.name, node.attributes | (node.directory ? attr::kDirectory : 0), node.content.size()};
  }
  static bool Fail(std::uint32_t code) {
    SetLastError(code);
    return false;
  }
  void Missing(const std::string& path) { SetLastError(Parent(path) ? err::kFileNotFound : err::kPathNotFound); }

  Node* Child(Node* folder, const std::string& name) {
    for (const auto& child : folder->children)
      if (mbcs::EqualsNoCaseAscii(child->name, name)) return child.get();
    return nullptr;
  }
  Node* Insert(Node* folder, const std::string& name, bool directory) {
    folder->children.push_back(std::make_unique<Node>());
    Node* node = folder->children.back().get();
    node->name = name;
    node->directory = directory;
    node->attributes = directory ? 0 : attr::kArchive;
    return node;
  }
  Node* Make(const std::vector<std::string>& levels) {
    Node* node = &root_;
    for (const std::string& level : levels) {
      Node* child = Child(node, level);
      node = child ? child : Insert(node, level, true);
    }
    return node;
  }
  std::unique_ptr<Node> Detach(const std::string& path) {
    Node* node = Lookup(path);
    auto& siblings = Parent(path)->children;
    auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& c) { return c.get() == node; });
    std::unique_ptr<Node> detached = std::move(*it);
    siblings.erase(it);
    return detached;
  }
  // Removed nodes are kept until the end: a stream may still point at one.
  void Remove(const std::string& path) { removed_.push_back(Detach(path)); }
  void Collect(const Node& folder, const std::string& prefix, std::vector<std::string>& out) {
    for (const auto& child : folder.children) {
      const std::string path = prefix.empty() ? child->name : prefix + "\\" + child->name;
      if (child->directory) Collect(*child, path, out);
      else out.push_back(path);
    }
  }
  // The node of `path`, or with `folder` the folder that holds it.
  Node* Lookup(const std::string& path, bool folder = false) {
    const std::vector<std::string> levels = Split(path);
    if (path.empty() || (folder && levels.empty())) return nullptr;
    Node* node = &root_;
    for (std::size_t i = 0; i + folder < levels.size() && node; ++i)
      node = node->directory ? Child(node, levels[i]) : nullptr;
    return node && (!folder || node->directory) ? node : nullptr;
  }
  Node* Parent(const std::string& path) { return Lookup(path, true); }

  Node root_;  // its children are the drives ("C:", "D:")
  std::vector<std::unique_ptr<Node>> removed_;
  std::set<std::string> failCopyTo_, failDelete_, failDeleteOnce_, denyListing_, failCreate_;
  std::uint64_t entriesRead_ = 0;
};

}  // namespace pelorin::testing
