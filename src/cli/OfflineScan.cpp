#include "cli/OfflineScan.h"

#include <strings.h>

#include <cstring>
#include <memory>

#include "cli/CliOptions.h"
#include "inventory/ListPresenter.h"
#include "platform/posix/MemoryRegistry.h"
#include "platform/posix/RegistryFiles.h"

namespace pelorin::cli {

int ScanOfflineInstallation(const std::string& image, std::string registryFile, bool all,
                            MemoryDriverRows& rows, std::string& status, Architecture* architecture) {
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
  if (architecture) *architecture = OfflineArchitecture(registry);
  return kExitOk;
}

Architecture OfflineArchitecture(Registry& registry) {
  std::unique_ptr<RegistryKey> key;
  if (registry.OpenKey("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", key) != 0) {
    return Architecture::kX86;
  }
  char value[16] = {};
  std::uint32_t type = 0;
  std::uint32_t size = sizeof value - 1;
  if (key->QueryValue("PROCESSOR_ARCHITECTURE", &type, reinterpret_cast<unsigned char*>(value), &size) != 0) {
    return Architecture::kX86;
  }
  const std::string name(value, strnlen(value, size));
  for (Architecture arch : {Architecture::kAmd64, Architecture::kArm64, Architecture::kIa64, Architecture::kArm}) {
    if (strcasecmp(name.c_str(), InfDecoration(arch)) == 0) return arch;
  }
  return Architecture::kX86;
}

}  // namespace pelorin::cli
