#pragma once
// The POSIX backend's one errno → Windows error map, and the few system calls
// whose rare answers (a failed fstat, a write that takes nothing, a full disk) no real file
// gives on demand: tests put their own in place through FileCalls().
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace pelorin::posix {

// Windows codes the file services give beyond the shared list.
namespace fileerr {
constexpr std::uint32_t kTooManyOpenFiles = 4;
constexpr std::uint32_t kNotSameDevice = 17;
constexpr std::uint32_t kGenFailure = 31;
constexpr std::uint32_t kDiskFull = 112;
constexpr std::uint32_t kNegativeSeek = 131;
constexpr std::uint32_t kFilenameTooLong = 206;
}  // namespace fileerr

// An errno without a closer Windows code is ERROR_GEN_FAILURE, not a refusal:
// reporting "access denied" for an I/O error would send the user after rights.
std::uint32_t FileErrorFromErrno(int e);
// Sets the last-error code; returns false, for `return FailWith(code);`.
bool FailWith(std::uint32_t code);

struct SystemFileCalls {
  ssize_t (*write)(int fd, const void* data, std::size_t size);
  int (*fstat)(int fd, struct stat* st);
  // copy_file_range from and to the two files' own offsets.
  ssize_t (*copyRange)(int in, int out, std::size_t size);
};
SystemFileCalls& FileCalls();

// Writes all `size` bytes; false with errno set (ENOSPC for a write that takes
// nothing, which would otherwise be retried for ever).
bool WriteAllBytes(int fd, const void* data, std::size_t size);

}  // namespace pelorin::posix
