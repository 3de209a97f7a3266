// Entry point of the restorer program.
#include <windows.h>
#include <commctrl.h>

#include "backup/BackupTexts.h"
#include "backup/RestorerChoice.h"
#include "platform/win32/Win32SystemInfo.h"
#include "restore/RestoreTexts.h"
#include "stub/RestorerDlg.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  pelorin::win32::Win32SystemInfo system;
  if (pelorin::CannotInstallHere(&system)) {
    MessageBoxA(nullptr, pelorin::restoretexts::kRestorerNeeds64Bit, pelorin::texts::kInformationCaption,
                MB_OK | MB_ICONEXCLAMATION);
    return 1;
  }
  pelorin::CRestorerDlg dialog(instance);
  dialog.DoModal();
  return 0;
}
