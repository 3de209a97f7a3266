#pragma once
// The package folder in the driver store that an installed INF came from
// (C:\WINDOWS\System32\DriverStore\FileRepository\<folder>, Windows Vista and
// later): the only place whose files match the package's catalog.
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace pelorin {

constexpr char kFileRepository[] = "C:\\WINDOWS\\System32\\DriverStore\\FileRepository";

enum class PackageRoad {
  kDriverStoreCall,  // the running system's SetupGetInfDriverStoreLocationA
  kDriverDatabase,   // DriverDatabase\DriverInfFiles and DriverPackages
  kContent,          // a folder whose INF is byte-identical to C:\WINDOWS\inf\<name>
};

struct PackageFolder {
  std::string folder;   // full Windows path, no trailing "\"
  std::string infName;  // the file name of the package's INF inside `folder`
  PackageRoad road = PackageRoad::kDriverDatabase;
};

// `infName` is the published name the Class key records ("oem3.inf"). Tries the
// running system's answer, then the driver database, then the content of the
// store's folders (preferring `arch`'s folders; another architecture's only
// when it is the sole match). Nothing when no road finds a folder that exists
// (Windows XP, or a package that is gone).
std::optional<PackageFolder> FindPackageFolder(const Platform& platform, const std::string& infName,
                                               Architecture arch);

}  // namespace pelorin
