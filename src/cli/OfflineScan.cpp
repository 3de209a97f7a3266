#include "cli/OfflineScan.h"

#include "cli/CliOptions.h"
#include "inventory/ListPresenter.h"
#include "platform/posix/RegistryFiles.h"

namespace pelorin::cli {

int ScanOfflineInstallation(const std::string& image, std::string registryFile, bool all,
                            MemoryRegistry& registry, MemoryDriverRows& rows, std::string& status) {
  if (!image.empty() && !IsDirectory(image)) return InputError(image + ": not a folder");
  if (registryFile.empty()) {
    registryFile = FindNoCase(image, {"WINDOWS", "system32", "config", "SYSTEM"});
    if (registryFile.empty()) return InputError(image + ": no WINDOWS/system32/config/SYSTEM registry hive");
  }
  std::string error;
  if (!LoadRegistryFile(registryFile, registry, error)) return InputError(error);
  // Loaded last, so that its keys replace those an export carries under DRIVERS.
  const std::string drivers =
      image.empty() ? std::string() : FindNoCase(image, {"WINDOWS", "system32", "config", "DRIVERS"});
  if (!drivers.empty() && !LoadDriversHive(drivers, registry, error)) return InputError(error);

  DriverScanMaps maps;
  ListPresenter list(rows, registry, maps, [&](const std::string& text) { status = text; });
  list.Scan(all ? ScanMode::AllBackupable : ScanMode::NotOnSystemDisc);
  return kExitOk;
}

}  // namespace pelorin::cli
