#pragma once
// Read access to HKEY_LOCAL_MACHINE with the results of RegOpenKeyExA,
// RegEnumKeyA and RegQueryValueExA. Results are Windows error codes (0 = success).
#include <cstdint>
#include <memory>
#include <string>

namespace pelorin {

namespace regtype {
constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kSz = 1;
constexpr std::uint32_t kExpandSz = 2;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;
constexpr std::uint32_t kMultiSz = 7;
constexpr std::uint32_t kQword = 11;
}  // namespace regtype

// An open key; destroying it closes it (RegCloseKey).
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // RegEnumKeyA: the name of subkey `index` into `name` (capacity `cap` bytes,
  // terminator included). 0, kNoMoreItems past the last subkey, kMoreData when
  // the name does not fit.
  virtual std::uint32_t EnumKey(std::uint32_t index, char* name, std::uint32_t cap) = 0;

  // RegQueryValueExA: `valueName` empty for the unnamed value. On entry *size is
  // the capacity of `data` (data may be null); on return it is the number of bytes
  // stored or needed. 0, kFileNotFound for a missing value, kMoreData when the data
  // (string plus terminator) does not fit, in which case `data` is not written.
  virtual std::uint32_t QueryValue(const char* valueName, std::uint32_t* type,
                                   unsigned char* data, std::uint32_t* size) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, ...): 0 and an open
  // key in `key`, or an error code and `key` left empty.
  virtual std::uint32_t OpenKey(const std::string& path, std::unique_ptr<RegistryKey>& key) = 0;
};

}  // namespace pelorin
