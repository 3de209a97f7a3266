#include "app/BackupWorkers.h"

#include "app/DialogBackupHost.h"
#include "app/MainDlg.h"

namespace pelorin {

namespace {

// Stands in for the backup runs until they are built: it reads the ticks as
// a run does and reports only the one outcome it can honestly give.
void PlaceholderRun(BackupHost& host) {
  DriverRows& rows = host.Rows();
  for (int i = 0; i < rows.Count(); ++i) {
    if (rows.IsTicked(i)) return;
  }
  host.PostResult(BackupResultNothingTicked);
}

}  // namespace

UINT BackupToFolderProc(LPVOID param) {
  DialogBackupHost host(*static_cast<CMainDlg*>(param));
  PlaceholderRun(host);  // placeholder: the folder backup run
  return 0;
}

UINT BackupToSfxProc(LPVOID param) {
  DialogBackupHost host(*static_cast<CMainDlg*>(param));
  PlaceholderRun(host);  // placeholder: the self-extracting backup run
  return 0;
}

int PumpMessages(int, void*, void*) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace pelorin
