#include "platform/posix/DosAttributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace pelorin::posix {

namespace {

constexpr char kXattrName[] = "user.DOSATTRIB";

bool Unsupported(int e) { return e == ENOTSUP || e == EPERM || e == ENOSYS; }

}  // namespace

bool DosAttributeStore::Load(const std::string& host, const struct stat& st, bool isLink,
                             std::uint32_t& bits) {
  if (!memoryOnly_ && !isLink) {
    char data[64];
    const ssize_t n = getxattr(host.c_str(), kXattrName, data, sizeof(data) - 1);
    if (n > 2 && data[0] == '0' && (data[1] == 'x' || data[1] == 'X')) {
      data[n] = '\0';
      bits = static_cast<std::uint32_t>(std::strtoul(data + 2, nullptr, 16));
      return true;
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = memory_.find(Key(st.st_dev, st.st_ino));
  if (it == memory_.end()) return false;
  bits = it->second;
  return true;
}

bool DosAttributeStore::Save(const std::string& host, const struct stat& st, bool isLink,
                             std::uint32_t bits, std::uint32_t defaults) {
  if (!memoryOnly_ && !isLink) {
    int rc;
    if (bits == defaults) {
      rc = removexattr(host.c_str(), kXattrName);
      if (rc != 0 && errno == ENODATA) rc = 0;
    } else {
      char text[16];
      const int len = std::snprintf(text, sizeof(text), "0x%x", static_cast<unsigned>(bits));
      rc = setxattr(host.c_str(), kXattrName, text, static_cast<std::size_t>(len), 0);
    }
    if (rc == 0) {
      Forget(st);
      return true;
    }
    if (!Unsupported(errno)) return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (bits == defaults) {
    memory_.erase(Key(st.st_dev, st.st_ino));
  } else {
    memory_[Key(st.st_dev, st.st_ino)] = bits;
  }
  return true;
}

void DosAttributeStore::Forget(const struct stat& st) {
  std::lock_guard<std::mutex> lock(mutex_);
  memory_.erase(Key(st.st_dev, st.st_ino));
}

}  // namespace pelorin::posix
