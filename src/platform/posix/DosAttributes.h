#pragma once
// The DOS attributes that a host file system has no bits for (hidden, system,
// archive, and read-only on folders), kept in the extended attribute
// "user.DOSATTRIB" in the same "0x<hex>" text wine and Samba use, so a file the
// command-line edition marks hidden in a wine prefix is hidden to wine too.
// Where the file system refuses extended attributes (or for a symbolic link,
// which cannot carry user attributes) the bits are kept in memory for the life
// of the process, keyed by device and inode.
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace pelorin::posix {

class DosAttributeStore {
 public:
  // The bits kept for the file at `host` (stat data `st`), or false when none
  // are kept and the file has the defaults. `isLink`: act on the link itself.
  bool Load(const std::string& host, const struct stat& st, bool isLink, std::uint32_t& bits);
  // Keeps `bits`; `defaults` are the bits a file without a record has, for which
  // the record is removed instead. False with errno set on a real failure.
  bool Save(const std::string& host, const struct stat& st, bool isLink, std::uint32_t bits,
            std::uint32_t defaults);
  // Drops the in-memory record of a file that is gone.
  void Forget(const struct stat& st);
  // Tests: behave as on a file system without extended attributes.
  void SetMemoryOnly(bool on) { memoryOnly_ = on; }

 private:
  using Key = std::pair<dev_t, ino_t>;
  std::mutex mutex_;
  std::map<Key, std::uint32_t> memory_;
  bool memoryOnly_ = false;
};

}  // namespace pelorin::posix
