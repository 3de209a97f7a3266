#include "platform/posix/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Errors.h"
#include "platform/Mbcs.h"
#include "platform/posix/Encoding.h"
#include "platform/posix/ShareModes.h"

namespace pelorin::posix {

namespace {

// Windows codes this backend gives beyond the shared list.
constexpr std::uint32_t kTooManyOpenFiles = 4;
constexpr std::uint32_t kNotSameDevice = 17;
constexpr std::uint32_t kGenFailure = 31;
constexpr std::uint32_t kDiskFull = 112;
constexpr std::uint32_t kNegativeSeek = 131;
constexpr std::uint32_t kFilenameTooLong = 206;

// The DOS bits kept outside the permission bits: hidden, system, archive,
// temporary, offline, not-content-indexed; for folders read-only as well.
constexpr std::uint32_t kStoredFileBits = attr::kHidden | attr::kSystem | attr::kArchive | 0x100 |
                                          0x1000 | 0x2000;
constexpr std::uint32_t kStoredDirBits = kStoredFileBits | attr::kReadOnly;

std::uint32_t FromErrno(int e) {
  switch (e) {
    case ENOENT: return err::kFileNotFound;
    case ENOTDIR: return err::kPathNotFound;
    case EACCES: case EPERM: case EROFS: case EISDIR: case EBUSY: case ETXTBSY:
      return err::kAccessDenied;
    case EEXIST: return err::kAlreadyExists;
    case ENOTEMPTY: return err::kDirNotEmpty;
    case ENOSPC: case EDQUOT: return kDiskFull;
    case EXDEV: return kNotSameDevice;
    case ENAMETOOLONG: return kFilenameTooLong;
    case EMFILE: case ENFILE: return kTooManyOpenFiles;
    case ENOMEM: return err::kNotEnoughMemory;
    case EINVAL: return err::kInvalidParameter;
    default: return kGenFailure;
  }
}

bool Fail(std::uint32_t code) {
  SetLastError(code);
  return false;
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  void Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool HasWildcards(const std::string& name) {
  for (std::size_t i = 0; i < name.size(); i += mbcs::CharLength(name, i)) {
    if (mbcs::CharLength(name, i) == 1 && (name[i] == '*' || name[i] == '?')) return true;
  }
  return false;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

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
    if (plen == 1 ? FoldAscii(pattern[p]) != FoldAscii(name[n]) : pattern.compare(p, 2, name, n, 2) != 0) {
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

std::string JoinHost(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string ParentHost(const std::string& host) {
  const std::size_t slash = host.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return host.substr(0, slash);
}

bool MakeHostFolders(const std::string& host, mode_t mode) {
  struct stat st;
  if (stat(host.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const std::string parent = ParentHost(host);
  if (parent != host && !MakeHostFolders(parent, 0777)) return false;
  return mkdir(host.c_str(), mode) == 0 || errno == EEXIST;
}

bool IsReadOnlyMode(const struct stat& st) { return (st.st_mode & 0222) == 0; }

// An open file; a Windows handle with its access and share mode.
class PosixStream : public FileStream {
 public:
  PosixStream(int fd, bool canRead, bool canWrite, ShareLease lease)
      : fd_(fd), canRead_(canRead), canWrite_(canWrite), lease_(std::move(lease)) {}

  bool Read(void* buffer, std::uint32_t size, std::uint32_t* got) override {
    if (got) *got = 0;
    if (!canRead_) return Fail(err::kAccessDenied);
    ssize_t n;
    do {
      n = read(fd_.get(), buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Fail(FromErrno(errno));
    if (got) *got = static_cast<std::uint32_t>(n);
    return true;
  }

  bool Write(const void* buffer, std::uint32_t size) override {
    if (!canWrite_) return Fail(err::kAccessDenied);
    const char* p = static_cast<const char*>(buffer);
    std::uint32_t left = size;
    while (left > 0) {
      const ssize_t n = write(fd_.get(), p, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        return Fail(FromErrno(errno));
      }
      p += n;
      left -= static_cast<std::uint32_t>(n);
    }
    return true;
  }

  bool Seek(std::int64_t offset, SeekOrigin origin) override {
    std::int64_t base = 0;
    if (origin == SeekOrigin::kCurrent) base = static_cast<std::int64_t>(Position());
    if (origin == SeekOrigin::kEnd) base = static_cast<std::int64_t>(Length());
    if (base + offset < 0) return Fail(kNegativeSeek);
    if (lseek(fd_.get(), base + offset, SEEK_SET) < 0) return Fail(FromErrno(errno));
    return true;
  }

  std::uint64_t Position() override {
    const off_t pos = lseek(fd_.get(), 0, SEEK_CUR);
    return pos < 0 ? 0 : static_cast<std::uint64_t>(pos);
  }

  std::uint64_t Length() override {
    struct stat st;
    return fstat(fd_.get(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  }

 private:
  Fd fd_;
  bool canRead_;
  bool canWrite_;
  ShareLease lease_;
};

class SnapshotFinder : public FileFinder {
 public:
  explicit SnapshotFinder(std::vector<FindEntry> entries) : entries_(std::move(entries)) {}
  bool Next(FindEntry& entry) override {
    if (next_ >= entries_.size()) return Fail(err::kNoMoreFiles);
    entry = entries_[next_++];
    return true;
  }

 private:
  std::vector<FindEntry> entries_;
  std::size_t next_ = 1;  // the first entry went out with FindFirst
};

}  // namespace

PosixFileSystem::PosixFileSystem(const DriveMap& drives) : drives_(drives) {}

void PosixFileSystem::SetTempFolder(const std::string& hostFolder) {
  tempFolder_ = hostFolder.empty() ? std::string() : DriveMap::NormalizeHost(hostFolder);
}

std::string PosixFileSystem::TempFolder() const {
  if (!tempFolder_.empty()) return tempFolder_;
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = (tmp && *tmp) ? tmp : "/tmp";
  return DriveMap::NormalizeHost(JoinHost(base, "pelorin-" + std::to_string(getuid())));
}

std::uint32_t PosixFileSystem::Lookup(const std::string& path, Node& node, bool wildcards) {
  node = Node();
  const std::uint32_t rc = drives_.Resolve(path, node.path, wildcards);
  if (rc != err::kSuccess) return rc;
  if (!node.path.exists) return err::kFileNotFound;
  if (lstat(node.path.host.c_str(), &node.lst) != 0) return FromErrno(errno);
  node.isLink = S_ISLNK(node.lst.st_mode);
  node.st = node.lst;
  node.targetExists = true;
  if (node.isLink) node.targetExists = stat(node.path.host.c_str(), &node.st) == 0;
  if (!node.targetExists) node.st = node.lst;
  const bool leadsToDir = S_ISDIR(node.st.st_mode);
  // A linked folder is not reported as a folder, so tree walks never go through
  // it (no loops, no deleting what the link points at); a trailing "\" asks for
  // the folder itself and follows the link.
  node.isDirLink = node.isLink && leadsToDir && !node.path.trailingSeparator;
  node.isDir = leadsToDir && !node.isDirLink;
  if (node.path.trailingSeparator && !leadsToDir) return err::kPathNotFound;
  return err::kSuccess;
}

std::uint32_t PosixFileSystem::StoredBits(const Node& node, bool& stored) {
  std::uint32_t bits = 0;
  const bool linkItself = node.isDirLink || (node.isLink && !node.targetExists);
  stored = store_.Load(node.path.host, linkItself ? node.lst : node.st, linkItself, bits);
  return stored ? bits : 0;
}

std::uint32_t PosixFileSystem::AttributesOf(const Node& node) {
  if (node.path.isRoot) return attr::kDirectory;
  bool stored = false;
  const std::uint32_t bits = StoredBits(node, stored);
  if (node.isDir) return attr::kDirectory | (bits & kStoredDirBits);
  // Files without a record are what Windows makes of a new file: archive.
  std::uint32_t result = stored ? (bits & kStoredFileBits) : attr::kArchive;
  if (!node.isDirLink && node.targetExists && IsReadOnlyMode(node.st)) result |= attr::kReadOnly;
  return result == 0 ? attr::kNormal : result;
}

bool PosixFileSystem::SaveDosBits(const Node& node, std::uint32_t bits) {
  const bool linkItself = node.isDirLink || (node.isLink && !node.targetExists);
  const std::uint32_t defaults = node.isDir ? 0 : attr::kArchive;
  const struct stat& st = linkItself ? node.lst : node.st;
  if (store_.Save(node.path.host, st, linkItself, bits, defaults)) return true;
  if (errno != EACCES || linkItself) return false;
  // A read-only file refuses attribute changes to a non-root owner; open it up
  // for the change only.
  if (chmod(node.path.host.c_str(), st.st_mode | S_IWUSR) != 0) return false;
  const bool saved = store_.Save(node.path.host, st, false, bits, defaults);
  const int saveErrno = errno;
  chmod(node.path.host.c_str(), st.st_mode & 07777);
  errno = saveErrno;
  return saved;
}

std::uint32_t PosixFileSystem::GetAttributes(const std::string& path) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  if (rc != err::kSuccess) {
    SetLastError(rc);
    return attr::kInvalid;
  }
  return AttributesOf(node);
}

bool PosixFileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  if (rc != err::kSuccess) return Fail(rc);
  if (node.path.isRoot) return true;
  if (node.isDir) {
    if (!SaveDosBits(node, attributes & kStoredDirBits)) return Fail(FromErrno(errno));
    return true;
  }
  const bool wantReadOnly = (attributes & attr::kReadOnly) != 0;
  const bool hasMode = !node.isDirLink && node.targetExists;
  // Order the two changes so that a read-only file is writable while its
  // extended attribute changes.
  auto applyMode = [&]() -> bool {
    if (!hasMode || wantReadOnly == IsReadOnlyMode(node.st)) return true;
    const mode_t mode = wantReadOnly ? (node.st.st_mode & ~0222) : (node.st.st_mode | S_IWUSR);
    if (chmod(node.path.host.c_str(), mode & 07777) != 0) return false;
    node.st.st_mode = (node.st.st_mode & ~07777) | (mode & 07777);
    return true;
  };
  if (!wantReadOnly && !applyMode()) return Fail(FromErrno(errno));
  if (!SaveDosBits(node, attributes & kStoredFileBits)) return Fail(FromErrno(errno));
  if (wantReadOnly && !applyMode()) return Fail(FromErrno(errno));
  return true;
}

bool PosixFileSystem::Copy(const std::string& from, const std::string& to, bool failIfExists) {
  Node src;
  std::uint32_t rc = Lookup(from, src);
  if (rc != err::kSuccess) return Fail(rc);
  if (src.isDir || src.isDirLink || src.path.isRoot) return Fail(err::kAccessDenied);
  if (!src.targetExists) return Fail(err::kFileNotFound);
  Node dst;
  rc = Lookup(to, dst);
  if (rc != err::kSuccess && rc != err::kFileNotFound) return Fail(rc);
  const bool existed = rc == err::kSuccess;
  if (existed) {
    if (failIfExists) return Fail(err::kFileExists);
    if (dst.isDir || dst.isDirLink || dst.path.isRoot) return Fail(err::kAccessDenied);
    if (dst.targetExists && dst.st.st_dev == src.st.st_dev && dst.st.st_ino == src.st.st_ino) {
      // Copying a file onto itself would truncate it before reading.
      return Fail(err::kSharingViolation);
    }
    // Windows refuses to overwrite read-only and hidden files; so do we, root or not.
    const std::uint32_t old = AttributesOf(dst);
    if (old & (attr::kReadOnly | attr::kHidden)) return Fail(err::kAccessDenied);
  } else if (dst.path.trailingSeparator) {
    return Fail(err::kInvalidName);
  }

  Fd in(open(src.path.host.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.ok()) return Fail(FromErrno(errno));
  ShareLease inLease;
  if (!inLease.Acquire(src.st.st_dev, src.st.st_ino, share::kRead, share::kRead)) {
    return Fail(err::kSharingViolation);
  }
  Fd out(open(dst.path.host.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!out.ok()) return Fail(FromErrno(errno));
  struct stat outSt;
  fstat(out.get(), &outSt);
  ShareLease outLease;
  if (!outLease.Acquire(outSt.st_dev, outSt.st_ino, share::kWrite, 0)) {
    return Fail(err::kSharingViolation);
  }
  auto abandon = [&](std::uint32_t code) {
    // A failed copy leaves no half-written target behind.
    out.Reset();
    unlink(dst.path.host.c_str());
    return Fail(code);
  };
  if (ftruncate(out.get(), 0) != 0) return abandon(FromErrno(errno));
  std::vector<char> buf(1 << 16);
  for (;;) {
    const ssize_t n = read(in.get(), buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon(FromErrno(errno));
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = write(out.get(), buf.data() + done, static_cast<std::size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return abandon(FromErrno(errno));
      }
      done += w;
    }
  }
  const struct timespec times[2] = {{0, UTIME_NOW}, src.st.st_mtim};
  futimens(out.get(), times);
  out.Reset();
  outLease.Release();

  // The copy carries the source's attributes.
  Node copy;
  if (Lookup(to, copy) != err::kSuccess) return true;
  bool stored = false;
  const std::uint32_t bits = StoredBits(src, stored);
  const mode_t mode = (copy.st.st_mode | S_IWUSR) & 07777;
  chmod(copy.path.host.c_str(), mode);
  copy.st.st_mode = (copy.st.st_mode & ~07777) | mode;
  SaveDosBits(copy, stored ? bits : attr::kArchive);
  if (IsReadOnlyMode(src.st)) chmod(copy.path.host.c_str(), mode & ~0222);
  return true;
}

bool PosixFileSystem::CreateDir(const std::string& path) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  if (rc == err::kSuccess) return Fail(err::kAlreadyExists);
  if (rc != err::kFileNotFound) return Fail(rc == err::kPathNotFound && node.path.exists ? err::kAlreadyExists : rc);
  if (mkdir(node.path.host.c_str(), 0777) != 0) {
    return Fail(errno == ENOENT ? err::kPathNotFound : FromErrno(errno));
  }
  return true;
}

bool PosixFileSystem::RemoveDir(const std::string& path) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  if (rc != err::kSuccess) return Fail(rc);
  if (node.path.isRoot) return Fail(err::kAccessDenied);
  if (node.isDirLink) {
    // The link goes, never what it points at.
    if (unlink(node.path.host.c_str()) != 0) return Fail(FromErrno(errno));
    store_.Forget(node.lst);
    return true;
  }
  if (!node.isDir) return Fail(err::kDirectory);
  if (AttributesOf(node) & attr::kReadOnly) return Fail(err::kAccessDenied);
  if (rmdir(node.path.host.c_str()) != 0) {
    return Fail(errno == EEXIST ? err::kDirNotEmpty : FromErrno(errno));
  }
  store_.Forget(node.st);
  return true;
}

bool PosixFileSystem::Delete(const std::string& path) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  if (rc != err::kSuccess) return Fail(rc);
  if (node.isDir || node.path.isRoot) return Fail(err::kAccessDenied);
  if (!node.isDirLink && node.targetExists) {
    if (IsReadOnlyMode(node.st)) return Fail(err::kAccessDenied);
    if (!node.isLink && !ShareAllowsDelete(node.st.st_dev, node.st.st_ino)) {
      return Fail(err::kSharingViolation);
    }
  }
  if (unlink(node.path.host.c_str()) != 0) return Fail(FromErrno(errno));
  if (node.isLink || node.lst.st_nlink <= 1) store_.Forget(node.lst);
  return true;
}

bool PosixFileSystem::MoveReplace(const std::string& from, const std::string& to) {
  Node src;
  std::uint32_t rc = Lookup(from, src);
  if (rc != err::kSuccess) return Fail(rc);
  if (src.path.isRoot) return Fail(err::kAccessDenied);
  Node dst;
  rc = Lookup(to, dst);
  if (rc != err::kSuccess && rc != err::kFileNotFound) return Fail(rc);
  std::string target = dst.path.host;
  if (rc == err::kSuccess) {
    const bool same = dst.lst.st_dev == src.lst.st_dev && dst.lst.st_ino == src.lst.st_ino;
    if (same) {
      // A change of case only: the entry takes the name as given.
      std::string utf8;
      if (!GbkToUtf8(dst.path.lastName, utf8)) return Fail(err::kInvalidName);
      target = JoinHost(ParentHost(dst.path.host), utf8);
      if (target == src.path.host) return true;
    } else {
      if (dst.isDir || dst.path.isRoot || src.isDir) return Fail(err::kAccessDenied);
      if (!dst.isDirLink && dst.targetExists && IsReadOnlyMode(dst.st)) return Fail(err::kAccessDenied);
      if (!dst.isLink && !ShareAllowsDelete(dst.st.st_dev, dst.st.st_ino)) {
        return Fail(err::kSharingViolation);
      }
    }
  }
  if (!src.isLink && !ShareAllowsDelete(src.st.st_dev, src.st.st_ino)) {
    return Fail(err::kSharingViolation);
  }
  if (rename(src.path.host.c_str(), target.c_str()) != 0) return Fail(FromErrno(errno));
  return true;
}

std::unique_ptr<FileFinder> PosixFileSystem::FindFirst(const std::string& pattern, FindEntry& first) {
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
    entries.push_back(entry);
  } else {
    const std::string folderPath = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
    Node folder;
    const std::uint32_t rc = Lookup(folderPath, folder);
    if (rc != err::kSuccess || !(folder.isDir || folder.path.isRoot)) {
      SetLastError(err::kPathNotFound);
      return nullptr;
    }
    DIR* dir = opendir(folder.path.host.c_str());
    if (dir == nullptr) {
      SetLastError(FromErrno(errno));
      return nullptr;
    }
    struct Sorted {
      std::u16string key;
      FindEntry entry;
    };
    std::vector<Sorted> found;
    std::u32string decoded;
    while (const dirent* d = readdir(dir)) {
      const std::string hostName = d->d_name;
      if (hostName == "." || hostName == "..") continue;
      // Names Windows cannot hold are left out rather than shown mangled.
      FindEntry entry;
      if (hostName.find('\\') != std::string::npos || !DecodeUtf8(hostName, decoded) ||
          !Utf8ToGbk(hostName, entry.name)) {
        continue;
      }
      if (!MatchesPattern(last, entry.name)) continue;
      Node node;
      node.path.host = JoinHost(folder.path.host, hostName);
      node.path.exists = true;
      if (lstat(node.path.host.c_str(), &node.lst) != 0) continue;
      node.isLink = S_ISLNK(node.lst.st_mode);
      node.st = node.lst;
      node.targetExists = true;
      if (node.isLink) node.targetExists = stat(node.path.host.c_str(), &node.st) == 0;
      if (!node.targetExists) node.st = node.lst;
      node.isDirLink = node.isLink && S_ISDIR(node.st.st_mode);
      node.isDir = S_ISDIR(node.st.st_mode) && !node.isDirLink;
      entry.attributes = AttributesOf(node);
      entry.size = node.isDir || node.isDirLink ? 0 : static_cast<std::uint64_t>(node.st.st_size);
      found.push_back({NtfsOrderKey(decoded), entry});
    }
    closedir(dir);
    std::sort(found.begin(), found.end(),
              [](const Sorted& a, const Sorted& b) { return a.key < b.key; });
    if (!folder.path.isRoot) {
      for (const char* dots : {".", ".."}) {
        if (!MatchesPattern(last, dots)) continue;
        FindEntry entry;
        entry.name = dots;
        entry.attributes = attr::kDirectory;
        entries.push_back(entry);
      }
    }
    for (Sorted& s : found) entries.push_back(std::move(s.entry));
    if (entries.empty()) {
      SetLastError(err::kFileNotFound);
      return nullptr;
    }
  }
  first = entries.front();
  return std::make_unique<SnapshotFinder>(std::move(entries));
}

std::uint32_t PosixFileSystem::TempPath(std::uint32_t cap, char* buffer) {
  const std::string host = TempFolder();
  const bool isDefault = tempFolder_.empty();
  if (!MakeHostFolders(host, isDefault ? 0700 : 0777)) {
    SetLastError(FromErrno(errno));
    return 0;
  }
  std::string path = drives_.ToWindows(host);
  if (path.empty()) {
    SetLastError(err::kPathNotFound);
    return 0;
  }
  if (path.back() != '\\') path += '\\';
  const auto length = static_cast<std::uint32_t>(path.size());
  if (buffer == nullptr || cap <= length) return length + 1;
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return length;
}

int PosixFileSystem::MakeDir(const std::string& path) {
  if (CreateDir(path)) return 0;
  switch (GetLastError()) {
    case err::kAlreadyExists: errno = EEXIST; break;
    case err::kPathNotFound: case err::kFileNotFound: errno = ENOENT; break;
    case err::kInvalidName: errno = EINVAL; break;
    default: errno = EACCES; break;
  }
  return -1;
}

std::unique_ptr<FileStream> PosixFileSystem::Open(const std::string& path, OpenMode mode) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  const bool creating = mode == OpenMode::kCreateWrite;
  if (rc != err::kSuccess && !(creating && rc == err::kFileNotFound)) {
    SetLastError(rc);
    return nullptr;
  }
  const bool existed = rc == err::kSuccess;
  if (existed && (node.isDir || node.isDirLink || node.path.isRoot)) {
    SetLastError(err::kAccessDenied);
    return nullptr;
  }
  if (!existed && node.path.trailingSeparator) {
    SetLastError(err::kInvalidName);
    return nullptr;
  }
  unsigned access = share::kRead;
  unsigned shareMode = share::kRead;
  int flags = O_RDONLY | O_CLOEXEC;
  if (mode == OpenMode::kReadShared) shareMode = share::kRead | share::kWrite;
  if (creating) {
    // CREATE_ALWAYS with normal attributes: read-only, hidden and system files
    // are refused, whoever runs the program.
    if (existed && node.targetExists &&
        (AttributesOf(node) & (attr::kReadOnly | attr::kHidden | attr::kSystem))) {
      SetLastError(err::kAccessDenied);
      return nullptr;
    }
    access = share::kWrite;
    flags = O_WRONLY | O_CREAT | O_CLOEXEC;
  }
  Fd fd(open(node.path.host.c_str(), flags, 0666));
  if (!fd.ok()) {
    SetLastError(FromErrno(errno));
    return nullptr;
  }
  struct stat st;
  fstat(fd.get(), &st);
  ShareLease lease;
  if (!lease.Acquire(st.st_dev, st.st_ino, access, shareMode)) {
    SetLastError(err::kSharingViolation);
    return nullptr;
  }
  if (creating) {
    if (ftruncate(fd.get(), 0) != 0) {
      SetLastError(FromErrno(errno));
      return nullptr;
    }
    if (existed) {
      // An overwritten file has its attributes replaced by archive.
      Node now;
      if (Lookup(path, now) == err::kSuccess) SaveDosBits(now, attr::kArchive);
    }
    SetLastError(existed ? err::kAlreadyExists : err::kSuccess);
  }
  return std::make_unique<PosixStream>(fd.Release(), !creating, creating, std::move(lease));
}

bool PosixFileSystem::FreeSpace(const std::string& path, std::uint64_t* bytes) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  if (rc != err::kSuccess) return Fail(rc);
  struct statvfs volume;
  if (statvfs(node.path.host.c_str(), &volume) != 0) return Fail(FromErrno(errno));
  *bytes = static_cast<std::uint64_t>(volume.f_bavail) * volume.f_frsize;
  return true;
}

bool PosixFileSystem::CreatePrivateDir(const std::string& path) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  if (rc == err::kSuccess || node.path.exists) return Fail(err::kAlreadyExists);
  if (rc != err::kFileNotFound) return Fail(rc);
  // mkdir never follows a link planted under the name; 0700 whatever the umask.
  if (mkdir(node.path.host.c_str(), 0700) != 0) return Fail(errno == ENOENT ? err::kPathNotFound : FromErrno(errno));
  return true;
}

}  // namespace pelorin::posix
