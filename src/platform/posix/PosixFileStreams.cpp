// Open files and copies: Windows share modes between this process's handles,
// read-only and hidden targets refused whoever runs the program.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Errors.h"
#include "platform/posix/FileCalls.h"
#include "platform/posix/Handles.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/ShareModes.h"

namespace pelorin::posix {

namespace {

// An open file; a Windows handle with its access and share mode.
class PosixStream : public FileStream {
 public:
  PosixStream(int fd, bool canRead, bool canWrite, ShareLease lease)
      : fd_(fd), canRead_(canRead), canWrite_(canWrite), lease_(std::move(lease)) {}

  bool Read(void* buffer, std::uint32_t size, std::uint32_t* got) override {
    if (got) *got = 0;
    if (!canRead_) return FailWith(err::kAccessDenied);
    ssize_t n;
    do {
      n = read(fd_.get(), buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return FailWith(FileErrorFromErrno(errno));
    if (got) *got = static_cast<std::uint32_t>(n);
    return true;
  }

  bool Write(const void* buffer, std::uint32_t size) override {
    if (!canWrite_) return FailWith(err::kAccessDenied);
    if (!WriteAllBytes(fd_.get(), buffer, size)) return FailWith(FileErrorFromErrno(errno));
    return true;
  }

  bool Seek(std::int64_t offset, SeekOrigin origin) override {
    std::int64_t base = 0;
    if (origin == SeekOrigin::kCurrent) base = static_cast<std::int64_t>(Position());
    if (origin == SeekOrigin::kEnd) base = static_cast<std::int64_t>(Length());
    if (base + offset < 0) return FailWith(fileerr::kNegativeSeek);
    if (lseek(fd_.get(), base + offset, SEEK_SET) < 0) return FailWith(FileErrorFromErrno(errno));
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
  UniqueFd fd_;
  bool canRead_;
  bool canWrite_;
  ShareLease lease_;
};

}  // namespace

bool PosixFileSystem::Copy(const std::string& from, const std::string& to, bool failIfExists) {
  Node src;
  std::uint32_t rc = Lookup(from, src);
  if (rc != err::kSuccess) return FailWith(rc);
  if (src.isDir || src.isDirLink || src.path.isRoot) return FailWith(err::kAccessDenied);
  if (!src.targetExists) return FailWith(err::kFileNotFound);
  Node dst;
  rc = Lookup(to, dst);
  if (rc != err::kSuccess && rc != err::kFileNotFound) return FailWith(rc);
  const bool existed = rc == err::kSuccess;
  if (existed) {
    if (failIfExists) return FailWith(err::kFileExists);
    if (dst.isDir || dst.isDirLink || dst.path.isRoot) return FailWith(err::kAccessDenied);
    if (dst.targetExists && dst.st.st_dev == src.st.st_dev && dst.st.st_ino == src.st.st_ino) {
      // Copying a file onto itself would truncate it before reading.
      return FailWith(err::kSharingViolation);
    }
    // Windows refuses to overwrite read-only and hidden files; so do we, root or not.
    const std::uint32_t old = AttributesOf(dst);
    if (old & (attr::kReadOnly | attr::kHidden)) return FailWith(err::kAccessDenied);
  } else if (dst.path.trailingSeparator) {
    return FailWith(err::kInvalidName);
  }

  UniqueFd in(open(src.path.host.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.ok()) return FailWith(FileErrorFromErrno(errno));
  ShareLease inLease;
  if (!inLease.Acquire(src.st.st_dev, src.st.st_ino, share::kRead, share::kRead)) {
    return FailWith(err::kSharingViolation);
  }
  UniqueFd out(open(dst.path.host.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!out.ok()) return FailWith(FileErrorFromErrno(errno));
  struct stat outSt;
  if (FileCalls().fstat(out.get(), &outSt) != 0) {
    const std::uint32_t code = FileErrorFromErrno(errno);
    if (!existed) unlink(dst.path.host.c_str());  // nothing of it was there before
    return FailWith(code);
  }
  ShareLease outLease;
  if (!outLease.Acquire(outSt.st_dev, outSt.st_ino, share::kWrite, 0)) {
    return FailWith(err::kSharingViolation);
  }
  auto abandon = [&](std::uint32_t code) {
    // A failed copy leaves no half-written target behind.
    out.Reset();
    unlink(dst.path.host.c_str());
    return FailWith(code);
  };
  // An empty target is not truncated: on some file systems (ext4) a truncation
  // to nothing makes the close wait for the new bytes to reach the disk.
  if (outSt.st_size != 0 && ftruncate(out.get(), 0) != 0) return abandon(FileErrorFromErrno(errno));
  // The kernel copies without the bytes passing through this process where
  // the file system lets it; otherwise, and for a file that gives nothing that
  // way, the bytes are read and written.
  bool copied = false;
  for (;;) {
    const ssize_t n = FileCalls().copyRange(in.get(), out.get(), std::size_t{1} << 30);
    if (n > 0) {
      copied = true;
      continue;
    }
    if (n == 0) break;
    if (errno == EINTR) continue;
    const bool unsupported = errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                             errno == EBADF;
    if (copied || !unsupported) return abandon(FileErrorFromErrno(errno));
    break;
  }
  std::vector<char> buf(copied ? 0 : 1 << 16);
  while (!copied) {
    const ssize_t n = read(in.get(), buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon(FileErrorFromErrno(errno));
    }
    if (n == 0) break;
    if (!WriteAllBytes(out.get(), buf.data(), static_cast<std::size_t>(n))) {
      return abandon(FileErrorFromErrno(errno));
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
  if (mode != (copy.st.st_mode & 07777)) chmod(copy.path.host.c_str(), mode);
  copy.st.st_mode = (copy.st.st_mode & ~07777) | mode;
  SaveDosBits(copy, stored ? bits : attr::kArchive);
  if (IsReadOnlyMode(src.st)) chmod(copy.path.host.c_str(), mode & ~0222);
  return true;
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
  UniqueFd fd(open(node.path.host.c_str(), flags, 0666));
  if (!fd.ok()) {
    SetLastError(FileErrorFromErrno(errno));
    return nullptr;
  }
  struct stat st;
  if (FileCalls().fstat(fd.get(), &st) != 0) {
    SetLastError(FileErrorFromErrno(errno));
    if (creating && !existed) unlink(node.path.host.c_str());
    return nullptr;
  }
  ShareLease lease;
  if (!lease.Acquire(st.st_dev, st.st_ino, access, shareMode)) {
    SetLastError(err::kSharingViolation);
    return nullptr;
  }
  if (creating) {
    if (st.st_size != 0 && ftruncate(fd.get(), 0) != 0) {  // see Copy
      SetLastError(FileErrorFromErrno(errno));
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

}  // namespace pelorin::posix
