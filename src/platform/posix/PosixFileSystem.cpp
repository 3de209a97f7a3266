#include "platform/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Errors.h"
#include "platform/posix/Encoding.h"
#include "platform/posix/FileCalls.h"
#include "platform/posix/ShareModes.h"

namespace pelorin::posix {

namespace {

// The DOS bits kept outside the permission bits: hidden, system, archive,
// temporary, offline, not-content-indexed; for folders read-only as well.
constexpr std::uint32_t kStoredFileBits = attr::kHidden | attr::kSystem | attr::kArchive | 0x100 |
                                          0x1000 | 0x2000;
constexpr std::uint32_t kStoredDirBits = kStoredFileBits | attr::kReadOnly;

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

}  // namespace

PosixFileSystem::PosixFileSystem(const DriveMap& drives) : drives_(drives) {}

void PosixFileSystem::SetTempFolder(const std::string& hostFolder) {
  tempFolder_ = hostFolder.empty() ? std::string() : DriveMap::NormalizeHost(hostFolder);
}

std::string PosixFileSystem::TempFolder() const {
  if (!tempFolder_.empty()) return tempFolder_;
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = (tmp && *tmp) ? tmp : "/tmp";
  return DriveMap::NormalizeHost(DriveMap::JoinHost(base, "pelorin-" + std::to_string(getuid())));
}

std::uint32_t PosixFileSystem::Lookup(const std::string& path, Node& node, bool wildcards) {
  node = Node();
  const std::uint32_t rc = drives_.Resolve(path, node.path, wildcards);
  if (rc != err::kSuccess) return rc;
  if (!node.path.exists) return err::kFileNotFound;
  const std::uint32_t statRc = StatNode(node);
  if (statRc != err::kSuccess) return statRc;
  if (node.path.trailingSeparator && !S_ISDIR(node.st.st_mode)) return err::kPathNotFound;
  return err::kSuccess;
}

std::uint32_t PosixFileSystem::StatNode(Node& node) {
  if (lstat(node.path.host.c_str(), &node.lst) != 0) return FileErrorFromErrno(errno);
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
  if (rc != err::kSuccess) return FailWith(rc);
  if (node.path.isRoot) return true;
  if (node.isDir) {
    if (!SaveDosBits(node, attributes & kStoredDirBits)) return FailWith(FileErrorFromErrno(errno));
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
  if (!wantReadOnly && !applyMode()) return FailWith(FileErrorFromErrno(errno));
  if (!SaveDosBits(node, attributes & kStoredFileBits)) return FailWith(FileErrorFromErrno(errno));
  if (wantReadOnly && !applyMode()) return FailWith(FileErrorFromErrno(errno));
  return true;
}

bool PosixFileSystem::CreateDir(const std::string& path) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  if (rc == err::kSuccess) return FailWith(err::kAlreadyExists);
  if (rc != err::kFileNotFound) return FailWith(rc == err::kPathNotFound && node.path.exists ? err::kAlreadyExists : rc);
  if (mkdir(node.path.host.c_str(), 0777) != 0) {
    return FailWith(errno == ENOENT ? err::kPathNotFound : FileErrorFromErrno(errno));
  }
  return true;
}

bool PosixFileSystem::RemoveDir(const std::string& path) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  if (rc != err::kSuccess) return FailWith(rc);
  if (node.path.isRoot) return FailWith(err::kAccessDenied);
  if (node.isDirLink) {
    // The link goes, never what it points at.
    if (unlink(node.path.host.c_str()) != 0) return FailWith(FileErrorFromErrno(errno));
    store_.Forget(node.lst);
    return true;
  }
  if (!node.isDir) return FailWith(err::kDirectory);
  if (AttributesOf(node) & attr::kReadOnly) return FailWith(err::kAccessDenied);
  if (rmdir(node.path.host.c_str()) != 0) {
    return FailWith(errno == EEXIST ? err::kDirNotEmpty : FileErrorFromErrno(errno));
  }
  store_.Forget(node.st);
  return true;
}

bool PosixFileSystem::Delete(const std::string& path) {
  Node node;
  const std::uint32_t rc = Lookup(path, node);
  if (rc != err::kSuccess) return FailWith(rc);
  if (node.isDir || node.path.isRoot) return FailWith(err::kAccessDenied);
  if (!node.isDirLink && node.targetExists) {
    if (IsReadOnlyMode(node.st)) return FailWith(err::kAccessDenied);
    if (!node.isLink && !ShareAllowsDelete(node.st.st_dev, node.st.st_ino)) {
      return FailWith(err::kSharingViolation);
    }
  }
  if (unlink(node.path.host.c_str()) != 0) return FailWith(FileErrorFromErrno(errno));
  if (node.isLink || node.lst.st_nlink <= 1) store_.Forget(node.lst);
  return true;
}

bool PosixFileSystem::MoveReplace(const std::string& from, const std::string& to) {
  Node src;
  std::uint32_t rc = Lookup(from, src);
  if (rc != err::kSuccess) return FailWith(rc);
  if (src.path.isRoot) return FailWith(err::kAccessDenied);
  Node dst;
  rc = Lookup(to, dst);
  if (rc != err::kSuccess && rc != err::kFileNotFound) return FailWith(rc);
  std::string target = dst.path.host;
  if (rc == err::kSuccess) {
    const bool same = dst.lst.st_dev == src.lst.st_dev && dst.lst.st_ino == src.lst.st_ino;
    if (same) {
      // A change of case only: the entry takes the name as given.
      std::string utf8;
      if (!GbkToUtf8(dst.path.lastName, utf8)) return FailWith(err::kInvalidName);
      target = DriveMap::JoinHost(ParentHost(dst.path.host), utf8);
      if (target == src.path.host) return true;
    } else {
      if (dst.isDir || dst.path.isRoot || src.isDir) return FailWith(err::kAccessDenied);
      if (!dst.isDirLink && dst.targetExists && IsReadOnlyMode(dst.st)) return FailWith(err::kAccessDenied);
      if (!dst.isLink && !ShareAllowsDelete(dst.st.st_dev, dst.st.st_ino)) {
        return FailWith(err::kSharingViolation);
      }
    }
  }
  if (!src.isLink && !ShareAllowsDelete(src.st.st_dev, src.st.st_ino)) {
    return FailWith(err::kSharingViolation);
  }
  if (rename(src.path.host.c_str(), target.c_str()) != 0) return FailWith(FileErrorFromErrno(errno));
  return true;
}

std::uint32_t PosixFileSystem::TempPath(std::uint32_t cap, char* buffer) {
  const std::string host = TempFolder();
  const bool isDefault = tempFolder_.empty();
  if (!MakeHostFolders(host, isDefault ? 0700 : 0777)) {
    SetLastError(FileErrorFromErrno(errno));
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

}  // namespace pelorin::posix
