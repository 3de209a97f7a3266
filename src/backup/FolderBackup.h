#pragma once
// The folder backup run: for every ticked row a folder named after the driver
// below the destination, the driver's files copied into it and its taskinfo.ini
// beside them, shown on the host's status line and progress bar, ended by the
// posted result. BackupToFolderProc runs it on its worker thread with the
// dialog's host; the command-line edition runs it with a printing host.
#include <string>
#include <vector>

#include "backup/BackupHost.h"
#include "backup/DriverWalk.h"
#include "platform/Platform.h"

namespace pelorin {

using FolderBackupOptions = BackupRunOptions;

// What became of one ticked driver, for callers that report more than the
// posted result.
struct FolderBackupDriver {
  std::string description;
  std::string folder;     // DestinationFolder + the driver folder name
  bool infSaved = false;  // the driver's INF reached its folder
  int saved = 0;          // files copied and recorded
  int failed = 0;         // files found whose copy failed
  bool missing = false;   // its package folder lacks a file the INF names
};

// Runs one backup into `destinationFolder` (ending with "\"). Returns the result
// it posted (BackupResultNothingTicked, BackupResultDone, BackupResultIncomplete),
// or 0 when a driver folder could not be made: the run then ends at once after
// its message, without a post, leaving the status line and the bar as they were.
int RunFolderBackup(const Platform& platform, BackupHost& host, const std::string& destinationFolder,
                    const FolderBackupOptions& options = FolderBackupOptions(),
                    std::vector<FolderBackupDriver>* drivers = nullptr);

// The message for BackupResultIncomplete: for each list that holds drivers its
// heading, then one description a line. Shown with an OK button and the
// exclamation icon (IncompleteBackupBoxType).
std::string IncompleteBackupText(const IncompleteDrivers& drivers);
constexpr unsigned IncompleteBackupBoxType = 0x30;

}  // namespace pelorin
