#pragma once
// Drive letters of an offline Windows installation mapped onto host folders,
// and the resolution of Windows paths (GBK) to host paths (UTF-8): drive root,
// then each component matched without regard to case, as Windows matches names.
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>

namespace pelorin::posix {

struct ResolvedPath {
  std::string host;           // host path: the existing folders, then the last name
  std::string lastName;       // the last component as given (GBK); empty for a drive root
  bool isRoot = false;        // the path names a drive root ("C:\", "C:")
  bool exists = false;        // the last component exists on the host (as a link, too)
  bool trailingSeparator = false;
  // The lstat data of the last component when the resolution took it (exact
  // host spelling); `hasLstat` false otherwise.
  bool hasLstat = false;
  struct stat lst {};
};

class DriveMap {
 public:
  // Maps `letter` (either case) to `hostFolder`; a relative folder is taken from
  // the current directory; an empty folder removes the mapping.
  void Map(char letter, const std::string& hostFolder);
  bool IsMapped(char letter) const;

  // Resolves a full Windows path. Returns 0, or the Windows error code: 3 for a
  // missing drive or folder on the way (or a relative path), 123 for a name
  // Windows would refuse (control characters, < > : " | and, unless
  // `wildcardsInLast`, * and ? in the last component) or that has no host form.
  // "\" and "/" both separate; runs of them count as one; "." and ".." are
  // folded and trailing dots and blanks of names dropped, as Windows does.
  std::uint32_t Resolve(const std::string& windowsPath, ResolvedPath& out,
                        bool wildcardsInLast = false) const;

  // The Windows path of a host path through the mapped drive whose folder is its
  // longest prefix ("/tmp/x" → "Z:\tmp\x"); empty when no drive covers it or a
  // name has no GBK form.
  std::string ToWindows(const std::string& hostPath) const;

  // The host name of the entry of `folder` that `name` (UTF-8) names without
  // regard to case: the exact name when it exists, otherwise the first match
  // in byte order. False when nothing matches.
  static bool MatchName(const std::string& folder, const std::string& name, std::string& hostName);

  // `folder` + "/" + `name`, without doubling a closing "/".
  static std::string JoinHost(const std::string& folder, const std::string& name);

  // Absolute, with "." and ".." folded and no trailing "/" (except "/").
  static std::string NormalizeHost(const std::string& hostPath);

 private:
  // MatchName, with the lstat data of an exact match in `st` (`statted` true);
  // `probeExact` false when the exact name is known to be missing.
  static bool MatchEntry(const std::string& folder, const std::string& name, std::string& hostName,
                         struct stat& st, bool& statted, bool probeExact = true);

  std::map<char, std::string> drives_;  // upper-case letter → normalised host folder
};

}  // namespace pelorin::posix
