#pragma once
// The restorer's window: mirrors the session's class tree in the tree view,
// shows the selected driver's details and runs the restore and the exit.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "controls/BoldTreeFont.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32Platform.h"
#include "stub/RestorerSession.h"

namespace pelorin {

class CRestorerDlg {
 public:
  explicit CRestorerDlg(HINSTANCE instance);
  ~CRestorerDlg();
  CRestorerDlg(const CRestorerDlg&) = delete;
  CRestorerDlg& operator=(const CRestorerDlg&) = delete;

  INT_PTR DoModal();

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  bool OnNotify(NMHDR* header, LRESULT* result);
  void OnStartRestore();
  void OnExit();
  void ShowStringMessage(int id);
  void FillTree();
  void RefreshStates();
  void ShowDetails(int item);
  void SetStatus(const char* text);
  void Restart();

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HWND tree_ = nullptr;
  win32::ImageListHandle states_;
  CBoldTreeFont boldFont_;
  win32::Win32Platform platform_;
  CRestorerSession session_;
  std::vector<HTREEITEM> items_;
  bool nt_ = true;
};

}  // namespace pelorin
