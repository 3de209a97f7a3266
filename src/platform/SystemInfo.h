#pragma once
// What a backup needs to know of the Windows installation it reads: the
// processor architecture its drivers are built for, and where the driver store
// keeps the package an INF was installed from.
#include <cstdint>
#include <string>

#include "platform/Registry.h"

namespace pelorin {

enum class Architecture { kX86, kAmd64, kArm64, kIa64, kArm };
constexpr Architecture kEveryArchitecture[] = {Architecture::kX86, Architecture::kAmd64, Architecture::kArm64,
                                               Architecture::kIa64, Architecture::kArm};

// The architecture's INF decoration ("x86", "amd64", "arm64", "ia64", "arm"),
// as in [SourceDisksFiles.amd64], CatalogFile.ntamd64 and the store's folder names.
inline const char* InfDecoration(Architecture arch) {
  switch (arch) {
    case Architecture::kX86: return "x86";
    case Architecture::kAmd64: return "amd64";
    case Architecture::kArm64: return "arm64";
    case Architecture::kIa64: return "ia64";
    case Architecture::kArm: return "arm";
  }
  return "x86";
}

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // Running system: the native architecture (GetNativeSystemInfo), also for a
  // 32-bit program on 64-bit Windows. Offline: read from the installation's
  // registry (driver database, else the environment; x86 when neither says).
  virtual Architecture InstallationArchitecture() = 0;
  // SetupGetInfDriverStoreLocationA for a published INF name ("oem3.inf"): the
  // full path of the INF inside its package folder. False when the call is not
  // available or does not answer (always, offline).
  virtual bool DriverStoreInfPath(const std::string& infName, std::string& storeInfPath) = 0;
};

// Where the registry holds the driver database, in the order they are asked:
// newer Windows 10/11 keep it in a hive of its own (HKLM\DRIVERS, the
// DRIVERS hive's DriverDatabase key), the boot-critical rest and Windows 8 to
// early 10 in SYSTEM. Where both answer, DRIVERS wins.
constexpr const char* kDriverDatabaseKeys[] = {"DRIVERS\\DriverDatabase", "SYSTEM\\DriverDatabase"};

// The value `name` of key `path` as RegQueryValueExA hands it out (strings in
// the code page, with their terminators), however long. False when the key or
// the value is missing or unreadable.
bool ReadRegistryValue(Registry& registry, const std::string& path, const char* name,
                       std::uint32_t& type, std::string& data);

// An offline installation's architecture: the driver database's "Architecture"
// (PROCESSOR_ARCHITECTURE_*), else the current control set's environment
// variable PROCESSOR_ARCHITECTURE, else x86 (Windows before 8 records no
// database, and a registry export may carry neither).
Architecture ArchitectureFromRegistry(Registry& registry);

}  // namespace pelorin
