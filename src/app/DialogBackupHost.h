#pragma once
// The dialog's side of a backup run, used on the worker's thread. The status
// line and the progress bar are changed by the user-interface thread (each
// call waits for it, as SendMessage does); the rows are the list control's.
#include <string>
#include <vector>

#include "backup/BackupHost.h"

namespace pelorin {

class CMainDlg;

class DialogBackupHost : public BackupHost {
 public:
  explicit DialogBackupHost(CMainDlg& dialog) : dialog_(dialog) {}

  DriverRows& Rows() override;
  void SetStatus(const std::string& text) override;
  void ShowProgress(bool show) override;
  void SetProgressRange(int lower, int upper) override;
  void SetProgressPos(int position) override;
  void SetProgressText(const std::string& text) override;
  void PostResult(int result) override;
  void SetIncompleteDrivers(const IncompleteDrivers& drivers) override;
  void PumpMessages() override;

 private:
  CMainDlg& dialog_;
};

}  // namespace pelorin
