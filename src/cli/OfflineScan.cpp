#include "cli/OfflineScan.h"

#include "cli/CliOptions.h"
#include "inventory/ListPresenter.h"
#include "platform/posix/MemoryRegistry.h"
#include "platform/posix/RegistryFiles.h"

namespace pelorin::cli {

int ScanOfflineInstallation(const std::string& image, std::string registryFile, bool all,
                            MemoryDriverRows& rows, std::string& status) {
  if (!image.empty() && !IsDirectory(image)) return InputError(image + ": not a folder");
  if (registryFile.empty()) {
    registryFile = FindNoCase(image, {"WINDOWS", "system32", "config", "SYSTEM"});
    if (registryFile.empty()) return InputError(image + ": no WINDOWS/system32/config/SYSTEM registry hive");
  }
  MemoryRegistry registry;
  std::string error;
  if (!LoadRegistryFile(registryFile, registry, error)) return InputError(error);

  DriverScanMaps maps;
  ListPresenter list(rows, registry, maps, [&](const std::string& text) { status = text; });
  list.Scan(all ? ScanMode::AllBackupable : ScanMode::NotOnSystemDisc);
  return kExitOk;
}

}  // namespace pelorin::cli
