// pelorin.exe: one modal dialog; the program ends when it closes.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/MainDlg.h"
#include "app/ProgramState.h"
#include "platform/win32/Win32Platform.h"

namespace pelorin {

class CMainApp {
 public:
  BOOL InitInstance();
};

BOOL CMainApp::InitInstance() {
  INITCOMMONCONTROLSEX controls = {sizeof controls,
                                   ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // The shell's folder picker wants COM on the calling thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  static win32::Win32Platform platform;
  static CDriverInstaller installer(platform.Get());
  Program().Installer = &installer;
  CMainDlg dialog(platform, Program());
  dialog.DoModal();

  if (SUCCEEDED(com)) CoUninitialize();
  return FALSE;
}

}  // namespace pelorin

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static pelorin::CMainApp app;
  app.InitInstance();
  return 0;
}
