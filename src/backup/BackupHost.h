#pragma once
// What a backup run needs of the window that started it: the rows, the status
// line, the progress bar and the hand-back of the result. The dialog implements
// it over its controls (each call answered by the user-interface thread), the
// command-line edition prints, tests record.
#include <string>
#include <vector>

#include "inventory/DriverRows.h"

namespace pelorin {

// wParam of WM_BACKUP_RESULT.
constexpr int BackupResultNothingTicked = 1;
constexpr int BackupResultDone = 2;
// The run reached its end but some file of a ticked driver could not be copied;
// the host has been given the drivers' descriptions (SetIncompleteDrivers) just
// before the post.
constexpr int BackupResultIncomplete = 3;

class BackupHost {
 public:
  virtual ~BackupHost() = default;

  virtual DriverRows& Rows() = 0;
  // The status static 1014 (SetDlgItemTextA).
  virtual void SetStatus(const std::string& text) = 0;
  // The progress bar: show/hide, SetRange, SetPos, and the text shown instead of
  // the percentage.
  virtual void ShowProgress(bool show) = 0;
  virtual void SetProgressRange(int lower, int upper) = 0;
  virtual void SetProgressPos(int position) = 0;
  virtual void SetProgressText(const std::string& text) = 0;
  // Posts WM_BACKUP_RESULT to the dialog; returns at once.
  virtual void PostResult(int result) = 0;
  // The descriptions of the ticked drivers of which some file was not copied, in
  // row order; called once, right before PostResult(BackupResultIncomplete).
  virtual void SetIncompleteDrivers(const std::vector<std::string>& descriptions) { (void)descriptions; }
  // Dispatches the calling thread's pending messages (PumpMessages).
  virtual void PumpMessages() = 0;
};

}  // namespace pelorin
