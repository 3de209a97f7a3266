// Entry point of the restorer program.
#include <windows.h>
#include <commctrl.h>

#include "stub/RestorerDlg.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  pelorin::CRestorerDlg dialog(instance);
  dialog.DoModal();
  return 0;
}
