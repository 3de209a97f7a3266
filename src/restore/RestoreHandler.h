#pragma once
// The Restore button: reinstalls the driver of one backup folder that the user
// picks, from the first section of its manifest.
#include <string>

#include "platform/Platform.h"
#include "restore/DriverInstaller.h"

namespace pelorin {

// What the restore touches in the main dialog.
class RestoreView {
 public:
  virtual ~RestoreView() = default;
  // Sets the status line's text and shows it.
  virtual void SetStatusText(const std::string& text) = 0;
  // The current number of rows in the driver list.
  virtual int DriverRowCount() = 0;
};

// Runs one restore to completion on the calling thread: picker, manifest,
// installer, message box, status line. Uses `platform.files`, `.profile` and
// `.boxes`; the installer brings its own device services.
void OnRestore(const Platform& platform, FolderPicker& picker, CDriverInstaller& installer, RestoreView& view);

}  // namespace pelorin
