#pragma once
// Share modes between the open files of this process, as CreateFile checks
// them: a new opener's access must be allowed by every holder's share mode and
// every holder's access by the new opener's. Deleting or renaming needs a
// share mode no opener of this program grants.
#include <sys/types.h>

#include <cstdint>

namespace pelorin::posix {

namespace share {
constexpr unsigned kRead = 1;
constexpr unsigned kWrite = 2;
constexpr unsigned kDelete = 4;
}  // namespace share

// One registration; destroying it releases the file.
class ShareLease {
 public:
  ShareLease() = default;
  ~ShareLease();
  ShareLease(const ShareLease&) = delete;
  ShareLease& operator=(const ShareLease&) = delete;
  ShareLease(ShareLease&& other) noexcept;
  ShareLease& operator=(ShareLease&& other) noexcept;

  // Registers `access` with `shareMode` on the file; false (the lease left
  // empty) when an opener is in the way.
  bool Acquire(dev_t dev, ino_t ino, unsigned access, unsigned shareMode);
  void Release();

 private:
  std::uint64_t id_ = 0;
};

// True when the file could be deleted or renamed now (no opener holds it).
bool ShareAllowsDelete(dev_t dev, ino_t ino);

}  // namespace pelorin::posix
