#pragma once
// The scan of an offline installation that `list` and `backup` share: the
// registry from --registry FILE, else the image's own hive, scanned into rows.
#include <string>

#include "inventory/MemoryDriverRows.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"

namespace pelorin::cli {

// Loads the registry (a missing `registryFile` means the image's
// WINDOWS\system32\config\SYSTEM, found without regard to case) and scans it in
// the start-up mode, or in the all-drivers mode with `all`. Returns kExitOk with
// the rows, the status line and (when asked) the installation's architecture,
// or the exit code after printing the problem.
int ScanOfflineInstallation(const std::string& image, std::string registryFile, bool all,
                            MemoryDriverRows& rows, std::string& status, Architecture* architecture = nullptr);

// The architecture an installation's registry names in its environment
// (PROCESSOR_ARCHITECTURE); x86, as on the oldest systems, when it names none.
Architecture OfflineArchitecture(Registry& registry);

// The offline installation as the scan found it. Its driver store is not asked:
// offline there is no one to answer.
class OfflineSystemInfo : public SystemInfo {
 public:
  explicit OfflineSystemInfo(Architecture arch) : arch_(arch) {}
  Architecture InstallationArchitecture() override { return arch_; }
  bool DriverStoreInfPath(const std::string&, std::string&) override { return false; }

 private:
  Architecture arch_;
};

}  // namespace pelorin::cli
