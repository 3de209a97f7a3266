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
// The run reached its end but some ticked driver was not saved whole; the host
// has been given the drivers' descriptions (SetIncompleteDrivers) just before
// the post.
constexpr int BackupResultIncomplete = 3;

// The ticked drivers a run could not save whole, each list in row order.
struct IncompleteDrivers {
  std::vector<std::string> failedCopies;  // a file was found but could not be saved
  std::vector<std::string> missingFiles;  // the package folder lacks a file the INF names
  bool Empty() const { return failedCopies.empty() && missingFiles.empty(); }
};

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
  // Called once, right before PostResult(BackupResultIncomplete).
  virtual void SetIncompleteDrivers(const IncompleteDrivers& drivers) { (void)drivers; }
  // Dispatches the calling thread's pending messages (PumpMessages).
  virtual void PumpMessages() = 0;
};

}  // namespace pelorin
