#include "platform/posix/FileCalls.h"

#include <unistd.h>

#include <cerrno>

#include "platform/Errors.h"

namespace pelorin::posix {

std::uint32_t FileErrorFromErrno(int e) {
  switch (e) {
    case ENOENT: return err::kFileNotFound;
    case ENOTDIR: return err::kPathNotFound;
    case EACCES: case EPERM: case EROFS: case EISDIR: case EBUSY: case ETXTBSY:
      return err::kAccessDenied;
    case EEXIST: return err::kAlreadyExists;
    case ENOTEMPTY: return err::kDirNotEmpty;
    case ENOSPC: case EDQUOT: return fileerr::kDiskFull;
    case EXDEV: return fileerr::kNotSameDevice;
    case ENAMETOOLONG: return fileerr::kFilenameTooLong;
    case EMFILE: case ENFILE: return fileerr::kTooManyOpenFiles;
    case ENOMEM: return err::kNotEnoughMemory;
    case EINVAL: return err::kInvalidParameter;
    default: return fileerr::kGenFailure;
  }
}

bool FailWith(std::uint32_t code) {
  SetLastError(code);
  return false;
}

SystemFileCalls& FileCalls() {
  static SystemFileCalls calls{::write, ::fstat, [](int in, int out, std::size_t size) {
                                  return ::copy_file_range(in, nullptr, out, nullptr, size, 0);
                                }};
  return calls;
}

bool WriteAllBytes(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = FileCalls().write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace pelorin::posix
