#include "app/DialogBackupHost.h"

#include "app/BackupWorkers.h"
#include "app/MainDlg.h"

namespace pelorin {

DriverRows& DialogBackupHost::Rows() { return dialog_.Rows(); }

void DialogBackupHost::SetStatus(const std::string& text) {
  dialog_.RunOnUiThread([&] { dialog_.SetStatusFromWorker(text); });
}

void DialogBackupHost::ShowProgress(bool show) {
  dialog_.RunOnUiThread([&] { dialog_.Progress().ShowWindow(show ? SW_SHOW : SW_HIDE); });
}

void DialogBackupHost::SetProgressRange(int lower, int upper) { dialog_.Progress().SetRange(lower, upper); }

void DialogBackupHost::SetProgressPos(int position) {
  // On the dialog's thread the repaint happens before SetPos returns, so the
  // worker goes on only once the bar shows the new position.
  dialog_.RunOnUiThread([&] { dialog_.Progress().SetPos(position); });
}

void DialogBackupHost::SetProgressText(const std::string& text) {
  dialog_.Progress().OnSetText(0, reinterpret_cast<LPARAM>(text.c_str()));
}

void DialogBackupHost::PostResult(int result) {
  PostMessageA(dialog_.m_hWnd, WM_BACKUP_RESULT, static_cast<WPARAM>(result), 0);
}

void DialogBackupHost::SetIncompleteDrivers(const IncompleteDrivers& drivers) {
  dialog_.RunOnUiThread([&] { dialog_.SetIncompleteDrivers(drivers); });
}

void DialogBackupHost::PumpMessages() { ::pelorin::PumpMessages(0, nullptr, nullptr); }

}  // namespace pelorin
