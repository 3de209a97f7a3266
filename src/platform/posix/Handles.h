#pragma once
// Owners of the POSIX handles this backend opens: a file descriptor and an open
// folder listing, each closed once, when its owner goes. Closing keeps errno as
// it was, so a failure's reason survives the clean-up on the way out.
#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace pelorin::posix {

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  void Reset() {
    if (fd_ < 0) return;
    const int saved = errno;
    close(fd_);
    errno = saved;
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

struct DirCloser {
  void operator()(DIR* dir) const {
    const int saved = errno;
    closedir(dir);
    errno = saved;
  }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

}  // namespace pelorin::posix
