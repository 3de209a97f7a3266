#pragma once
// The backup worker threads of the main dialog and what they share with it.
#include <windows.h>

namespace pelorin {

// Posted by a worker to the dialog at the end of its run: wParam
// BackupResultNothingTicked or BackupResultDone, lParam 0.
constexpr UINT WM_BACKUP_RESULT = WM_USER + 101;

// Thread procedures; the parameter is the CMainDlg. The result is not read.
UINT BackupToFolderProc(LPVOID dialog);
UINT BackupToSfxProc(LPVOID dialog);

// Dispatches every message waiting in the calling thread's queue; the three
// arguments are ignored (the self-extracting writer's progress function).
int PumpMessages(int event, void* data, void* user);

}  // namespace pelorin
