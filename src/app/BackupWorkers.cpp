#include "app/BackupWorkers.h"

#include "app/DialogBackupHost.h"
#include "app/MainDlg.h"
#include "backup/FolderBackup.h"
#include "backup/SfxBackup.h"

namespace pelorin {

// The destination is read once at the start: the dialog starts no other run
// (and so changes no DestinationFolder) until this one has ended.
UINT BackupToFolderProc(LPVOID param) {
  CMainDlg& dialog = *static_cast<CMainDlg*>(param);
  DialogBackupHost host(dialog);
  const std::string destination = dialog.State().DestinationFolder;
  RunFolderBackup(dialog.GetPlatform(), host, destination);
  return 0;
}

UINT BackupToSfxProc(LPVOID param) {
  CMainDlg& dialog = *static_cast<CMainDlg*>(param);
  DialogBackupHost host(dialog);
  const std::string destination = dialog.State().DestinationFolder;
  RunSfxBackup(dialog.GetPlatform(), host, dialog.SfxWriter(), destination);
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
