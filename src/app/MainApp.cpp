// pelorin.exe: one modal dialog; the program ends when it closes.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/MainDlg.h"
#include "app/ProgramState.h"
#include "platform/win32/Win32Platform.h"

namespace pelorin {

// COM on this thread for as long as the program runs, when it could be had.
class ComApartment {
 public:
  ComApartment() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (started_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool started_;
};

class CMainApp {
 public:
  BOOL InitInstance();
};

BOOL CMainApp::InitInstance() {
  INITCOMMONCONTROLSEX controls = {sizeof controls,
                                   ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // The shell's folder picker wants COM on the calling thread.
  const ComApartment com;

  static win32::Win32Platform platform;
  static CDriverInstaller installer(platform.Get());
  Program().Installer = &installer;
  CMainDlg dialog(platform, Program());
  dialog.DoModal();
  return FALSE;
}

}  // namespace pelorin

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static pelorin::CMainApp app;
  app.InitInstance();
  return 0;
}
