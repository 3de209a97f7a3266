#include "platform/posix/ShareModes.h"

#include <map>
#include <mutex>
#include <utility>

namespace pelorin::posix {

namespace {

struct Holder {
  dev_t dev;
  ino_t ino;
  unsigned access;
  unsigned shareMode;
};

std::mutex& TableMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::uint64_t, Holder>& Table() {
  static std::map<std::uint64_t, Holder> table;
  return table;
}

bool Compatible(const Holder& held, unsigned access, unsigned shareMode) {
  if ((access & ~held.shareMode) != 0) return false;
  return (held.access & ~shareMode) == 0;
}

}  // namespace

ShareLease::~ShareLease() { Release(); }

ShareLease::ShareLease(ShareLease&& other) noexcept : id_(other.id_) { other.id_ = 0; }

ShareLease& ShareLease::operator=(ShareLease&& other) noexcept {
  if (this != &other) {
    Release();
    id_ = other.id_;
    other.id_ = 0;
  }
  return *this;
}

bool ShareLease::Acquire(dev_t dev, ino_t ino, unsigned access, unsigned shareMode) {
  Release();
  static std::uint64_t nextId = 0;
  std::lock_guard<std::mutex> lock(TableMutex());
  for (const auto& [id, held] : Table()) {
    if (held.dev == dev && held.ino == ino && !Compatible(held, access, shareMode)) return false;
  }
  id_ = ++nextId;
  Table()[id_] = Holder{dev, ino, access, shareMode};
  return true;
}

void ShareLease::Release() {
  if (id_ == 0) return;
  std::lock_guard<std::mutex> lock(TableMutex());
  Table().erase(id_);
  id_ = 0;
}

bool ShareAllowsDelete(dev_t dev, ino_t ino) {
  std::lock_guard<std::mutex> lock(TableMutex());
  for (const auto& [id, held] : Table()) {
    if (held.dev == dev && held.ino == ino && (held.shareMode & share::kDelete) == 0) return false;
  }
  return true;
}

}  // namespace pelorin::posix
