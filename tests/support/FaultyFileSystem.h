#pragma once
// The POSIX backend on a scratch folder (C: and D: are its "c" and "d"), plus what a disk cannot give on demand:
// failures on chosen paths, a disk that fills, refused moves, a chosen free-space answer, a count of the entries read.
// Failures are injected because CI runs as root, whom no permission stops.
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "PosixScratch.h"
#include "platform/Errors.h"
#include "platform/Mbcs.h"
#include "platform/posix/PosixFileSystem.h"

namespace pelorin::testing {

// The drives, made before the file system that serves them.
struct ScratchDrives {
  ScratchDrives() {
    for (const char* drive : {"c", "d"}) scratch.MakeDir(drive);
    drives.Map('C', scratch / "c");
    drives.Map('D', scratch / "d");
  }
  PosixScratch scratch;  // host names in UTF-8
  posix::DriveMap drives;
};

class FaultyFileSystem : public ScratchDrives, public posix::PosixFileSystem {
  using Real = posix::PosixFileSystem;

 public:
  FaultyFileSystem() : Real(drives) {}

  // Test set-up, past the faults. Adding makes the folders above and replaces a file.
  void AddDir(const std::string& path) {
    for (std::size_t at = mbcs::FindFirst(path, '\\', 3); at != mbcs::npos; at = mbcs::FindFirst(path, '\\', at + 1))
      Real::CreateDir(path.substr(0, at));
    Real::CreateDir(path);
  }
  void AddFile(const std::string& path, const std::string& content = {}, std::uint32_t attributes = 0) {
    AddDir(path.substr(0, mbcs::FindLast(path, '\\')));
    SetAttributes(path, attr::kNormal);
    if (auto out = Real::Open(path, OpenMode::kCreateWrite))
      out->Write(content.data(), static_cast<std::uint32_t>(content.size()));
    if (attributes) SetAttributes(path, attributes);
  }
  bool Exists(const std::string& path) { return GetAttributes(path) != attr::kInvalid; }
  std::string Content(const std::string& path) {
    posix::ResolvedPath resolved;
    return drives.Resolve(path, resolved) == 0 && resolved.exists ? ReadHostFile(resolved.host) : "<missing>";
  }
  // Every file below `folder`, as paths relative to it.
  std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> out;
    FindEntry entry;
    const std::unique_ptr<FileFinder> finder = Real::FindFirst(folder + "\\*.*", entry);
    for (bool more = finder != nullptr; more; more = finder->Next(entry)) {
      if (!entry.IsDirectory()) {
        out.push_back(entry.name);
      } else if (!entry.IsDots()) {
        for (const std::string& below : Files(folder + "\\" + entry.name)) out.push_back(entry.name + "\\" + below);
      }
    }
    return out;
  }

  // Failures on chosen paths (compared without case).
  void FailCopyTo(const std::string& path) { failCopyTo_.insert(Fold(path)); }
  void FailDelete(const std::string& path) { failDelete_.insert(Fold(path)); }
  void FailDeleteOnce(const std::string& path) { failDeleteOnce_.insert(Fold(path)); }
  void DenyListing(const std::string& folder) { denyListing_.insert(Fold(folder)); }
  void FailCreateDir(const std::string& path) { failCreate_.insert(Fold(path)); }  // MakeDir too
  long long writeBudget = -1;  // writes fail once this many more bytes are written (-1: never)
  bool refuseMoves = false;
  std::optional<std::uint64_t> freeBytes;  // the answer of FreeSpace, when set
  std::uint64_t EntriesRead() const { return entriesRead_; }

  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override {
    return !failCopyTo_.count(Fold(to)) ? Real::Copy(from, to, failIfExists) : Fail(err::kAccessDenied);
  }
  bool CreateDir(const std::string& path) override {
    return !failCreate_.count(Fold(path)) ? Real::CreateDir(path) : Fail(err::kAccessDenied);
  }
  bool Delete(const std::string& path) override {
    if (failDelete_.count(Fold(path)) || failDeleteOnce_.erase(Fold(path))) return Fail(err::kSharingViolation);
    return Real::Delete(path);
  }
  bool MoveReplace(const std::string& from, const std::string& to) override {
    return !refuseMoves ? Real::MoveReplace(from, to) : Fail(err::kAccessDenied);
  }
  std::unique_ptr<FileFinder> FindFirst(const std::string& pattern, FindEntry& first) override {
    return Listing(pattern, [&] { return Real::FindFirst(pattern, first); });
  }
  std::unique_ptr<FileFinder> FindFirstNames(const std::string& pattern, FindEntry& first) override {
    return Listing(pattern, [&] { return Real::FindFirstNames(pattern, first); });
  }
  bool FreeSpace(const std::string& path, std::uint64_t* bytes) override {
    if (freeBytes) *bytes = *freeBytes;
    return freeBytes || Real::FreeSpace(path, bytes);
  }
  std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode) override {
    std::unique_ptr<FileStream> stream = Real::Open(path, mode);
    return stream ? std::make_unique<Stream>(writeBudget, std::move(stream)) : nullptr;
  }

 private:
  struct Stream : FileStream {
    Stream(long long& budget, std::unique_ptr<FileStream> real) : budget(budget), real(std::move(real)) {}
    bool Read(void* buffer, std::uint32_t size, std::uint32_t* got) override { return real->Read(buffer, size, got); }
    bool Write(const void* buffer, std::uint32_t size) override {
      if (budget >= 0 && budget < size) return budget = 0, Fail(112);  // disk full
      if (budget >= 0) budget -= size;
      return real->Write(buffer, size);
    }
    bool Seek(std::int64_t offset, SeekOrigin origin) override { return real->Seek(offset, origin); }
    std::uint64_t Position() override { return real->Position(); }
    std::uint64_t Length() override { return real->Length(); }
    long long& budget;
    std::unique_ptr<FileStream> real;
  };

  struct Finder : FileFinder {
    Finder(std::uint64_t& read, std::unique_ptr<FileFinder> real) : read(read), real(std::move(real)) {}
    bool Next(FindEntry& entry) override {
      const bool found = real->Next(entry);
      read += found;
      return found;
    }
    std::uint64_t& read;
    std::unique_ptr<FileFinder> real;
  };

  static std::string Fold(const std::string& path) { return mbcs::ToLowerAscii(path); }
  static bool Fail(std::uint32_t code) { return SetLastError(code), false; }
  // A listing ("folder\*.*") of a refused folder fails; any other counts the entries it reads.
  template <class Find>
  std::unique_ptr<FileFinder> Listing(const std::string& pattern, Find find) {
    const std::size_t n = pattern.size();
    if (n > 4 && pattern.compare(n - 4, 4, "\\*.*") == 0 && denyListing_.count(Fold(pattern.substr(0, n - 4))))
      return Fail(err::kAccessDenied), nullptr;
    std::unique_ptr<FileFinder> real = find();
    if (!real) return nullptr;
    ++entriesRead_;
    return std::make_unique<Finder>(entriesRead_, std::move(real));
  }

  std::set<std::string> failCopyTo_, failDelete_, failDeleteOnce_, denyListing_, failCreate_;
  std::uint64_t entriesRead_ = 0;
};

}  // namespace pelorin::testing
