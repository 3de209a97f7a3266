#pragma once
// An in-memory FileSystem for the container tests: files are byte vectors keyed
// by their exact path, with the sharing rules of the open modes, and faults to
// inject (a write budget, refused moves).
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Resources.h"

namespace pelorin::testing {

class SfxMemoryFiles : public FileSystem {
 public:
  struct Node {
    std::vector<unsigned char> data;
    int writers = 0;
    int exclusiveReaders = 0;
  };

  void Put(const std::string& path, const std::string& bytes) {
    auto node = std::make_shared<Node>();
    node->data.assign(bytes.begin(), bytes.end());
    files_[path] = node;
  }
  void PutBytes(const std::string& path, std::vector<unsigned char> bytes) {
    auto node = std::make_shared<Node>();
    node->data = std::move(bytes);
    files_[path] = node;
  }
  bool Has(const std::string& path) const { return files_.count(path) != 0; }
  std::vector<unsigned char>& Bytes(const std::string& path) { return files_.at(path)->data; }
  std::string Text(const std::string& path) {
    auto& b = Bytes(path);
    return std::string(b.begin(), b.end());
  }
  std::vector<std::string> Paths() const {
    std::vector<std::string> out;
    for (auto& kv : files_) out.push_back(kv.first);
    return out;
  }

  // Writes fail once this many more bytes have been written (-1: never).
  long long writeBudget = -1;
  bool refuseMoves = false;
  int opens = 0;

  std::uint32_t GetAttributes(const std::string& path) override {
    if (Has(path)) return attr::kNormal;
    SetLastError(err::kFileNotFound);
    return attr::kInvalid;
  }
  bool SetAttributes(const std::string& path, std::uint32_t) override { return Has(path); }
  bool Copy(const std::string&, const std::string&, bool) override { return false; }
  bool CreateDir(const std::string&) override { return true; }
  bool RemoveDir(const std::string&) override { return true; }
  bool Delete(const std::string& path) override {
    if (files_.erase(path) == 0) {
      SetLastError(err::kFileNotFound);
      return false;
    }
    return true;
  }
  bool MoveReplace(const std::string& from, const std::string& to) override {
    if (refuseMoves || !Has(from)) {
      SetLastError(err::kAccessDenied);
      return false;
    }
    files_[to] = files_[from];
    files_.erase(from);
    return true;
  }
  std::unique_ptr<FileFinder> FindFirst(const std::string&, FindEntry&) override {
    SetLastError(err::kFileNotFound);
    return nullptr;
  }
  std::uint32_t TempPath(std::uint32_t cap, char* buffer) override {
    const std::string temp = tempPath;
    if (temp.empty()) return 0;
    if (cap <= temp.size()) return static_cast<std::uint32_t>(temp.size() + 1);
    std::memcpy(buffer, temp.c_str(), temp.size() + 1);
    return static_cast<std::uint32_t>(temp.size());
  }
  int MakeDir(const std::string&) override { return 0; }
  std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode) override;

  std::string tempPath = "C:\\TEMP\\";

 private:
  class Stream;
  std::map<std::string, std::shared_ptr<Node>> files_;
};

class SfxMemoryFiles::Stream : public FileStream {
 public:
  Stream(SfxMemoryFiles& owner, std::shared_ptr<Node> node, OpenMode mode)
      : owner_(owner), node_(std::move(node)), mode_(mode) {
    if (mode_ == OpenMode::kCreateWrite) ++node_->writers;
    if (mode_ == OpenMode::kReadExclusive) ++node_->exclusiveReaders;
  }
  ~Stream() override {
    if (mode_ == OpenMode::kCreateWrite) --node_->writers;
    if (mode_ == OpenMode::kReadExclusive) --node_->exclusiveReaders;
  }
  bool Read(void* buffer, std::uint32_t size, std::uint32_t* got) override {
    const auto& d = node_->data;
    std::size_t n = pos_ < d.size() ? std::min<std::size_t>(size, d.size() - pos_) : 0;
    if (n) std::memcpy(buffer, d.data() + pos_, n);
    pos_ += n;
    *got = static_cast<std::uint32_t>(n);
    return true;
  }
  bool Write(const void* buffer, std::uint32_t size) override {
    if (mode_ != OpenMode::kCreateWrite) return false;
    if (owner_.writeBudget >= 0) {
      if (owner_.writeBudget < size) {
        owner_.writeBudget = 0;
        SetLastError(112);  // ERROR_DISK_FULL
        return false;
      }
      owner_.writeBudget -= size;
    }
    auto& d = node_->data;
    if (d.size() < pos_ + size) d.resize(pos_ + size);
    std::memcpy(d.data() + pos_, buffer, size);
    pos_ += size;
    return true;
  }
  bool Seek(std::int64_t offset, SeekOrigin origin) override {
    std::int64_t base = origin == SeekOrigin::kBegin ? 0
                        : origin == SeekOrigin::kCurrent ? static_cast<std::int64_t>(pos_)
                                                         : static_cast<std::int64_t>(node_->data.size());
    if (base + offset < 0) return false;
    pos_ = static_cast<std::size_t>(base + offset);
    return true;
  }
  std::uint64_t Position() override { return pos_; }
  std::uint64_t Length() override { return node_->data.size(); }

 private:
  SfxMemoryFiles& owner_;
  std::shared_ptr<Node> node_;
  OpenMode mode_;
  std::size_t pos_ = 0;
};

inline std::unique_ptr<FileStream> SfxMemoryFiles::Open(const std::string& path, OpenMode mode) {
  ++opens;
  auto it = files_.find(path);
  if (mode == OpenMode::kCreateWrite) {
    if (it != files_.end() && (it->second->exclusiveReaders > 0 || it->second->writers > 0)) {
      SetLastError(err::kSharingViolation);
      return nullptr;
    }
    auto node = std::make_shared<Node>();
    files_[path] = node;
    return std::make_unique<Stream>(*this, node, mode);
  }
  if (it == files_.end()) {
    SetLastError(err::kFileNotFound);
    return nullptr;
  }
  if (mode == OpenMode::kReadExclusive && it->second->writers > 0) {
    SetLastError(err::kSharingViolation);
    return nullptr;
  }
  return std::make_unique<Stream>(*this, it->second, mode);
}

// The stub resource as a byte vector.
class SfxStubResources : public Resources {
 public:
  bool Find(const char* type, int id, const unsigned char** data, std::uint32_t* size) override {
    if (!present || std::strcmp(type, "SFX_EXE") != 0 || id != 152) {
      SetLastError(err::kResourceNameNotFound);
      return false;
    }
    *data = stub.data();
    *size = static_cast<std::uint32_t>(stub.size());
    return true;
  }
  std::vector<unsigned char> stub = std::vector<unsigned char>(64, 'M');
  bool present = true;
};

}  // namespace pelorin::testing
