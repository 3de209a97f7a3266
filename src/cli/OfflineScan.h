#pragma once
// The scan of an offline installation that `list` and `backup` share: the
// registry from --registry FILE, else the image's own hive, scanned into rows.
#include <string>

#include "inventory/MemoryDriverRows.h"
#include "platform/posix/MemoryRegistry.h"

namespace pelorin::cli {

// Loads the registry into `registry` (a missing `registryFile` means the image's
// WINDOWS\system32\config\SYSTEM, found without regard to case; with an image,
// its config\DRIVERS hive too when there is one) and scans it in the start-up
// mode, or in the all-drivers mode with `all`. Returns kExitOk with the rows and
// the status line, or the exit code after printing the problem.
int ScanOfflineInstallation(const std::string& image, std::string registryFile, bool all,
                            MemoryRegistry& registry, MemoryDriverRows& rows, std::string& status);

}  // namespace pelorin::cli
