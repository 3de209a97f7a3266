#pragma once
// The self-extracting backup run: every file of every ticked driver goes into
// the writer, with the combined taskinfo.ini and the class tree treeinfo.ini
// written in the temporary folder, and one executable DestinationFolder +
// "pelorin.exe" is built at the end. BackupToSfxProc runs it on its worker
// thread with the dialog's host and writer; the command-line edition runs it
// with a printing host.
#include <string>

#include "backup/BackupHost.h"
#include "backup/DriverWalk.h"
#include "sfx/SfxWriter.h"
#include "platform/Platform.h"

namespace pelorin {

// The file table keeps this many slots for the two manifests, which are added
// once after the last driver.
constexpr int kSfxManifestSlots = 2;

// Runs one backup into `destinationFolder` (ending with "\"). Returns the result
// it posted (BackupResultNothingTicked, BackupResultDone, BackupResultIncomplete
// when some file of a ticked driver could not be taken), or 0 when the build
// failed: the failure has been shown then and nothing is posted. The writer is
// reset and the temporary files are deleted in every case.
int RunSfxBackup(const Platform& platform, BackupHost& host, CSfxWriter& writer,
                 const std::string& destinationFolder, const BackupRunOptions& options = BackupRunOptions());

}  // namespace pelorin
