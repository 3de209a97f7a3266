#pragma once
// The program-wide state of pelorin.exe: one instance for the whole run.
#include <string>

#include "inventory/ListPresenter.h"
#include "restore/DriverInstaller.h"

namespace pelorin {

// The form of a backup; the value is what CurrentBackupType holds.
enum class BackupType : int {
  Folder = 0,
  SelfExtracting = 1,
};

struct ProgramState {
  // The chosen backup folder with a trailing "\"; kept between backups.
  std::string DestinationFolder;
  BackupType CurrentBackupType = BackupType::Folder;
  // One description map per ScanMode; only the scan of that mode uses it.
  DriverScanMaps DriverDescMaps;
  // The program's one driver installer, set up at start with the platform.
  CDriverInstaller* Installer = nullptr;
};

// The instance of the running program.
ProgramState& Program();

}  // namespace pelorin
