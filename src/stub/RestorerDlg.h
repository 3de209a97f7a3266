#pragma once
// The restorer's window: mirrors the session's class tree in the tree view,
// shows the selected driver's details and runs the restore and the exit.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "controls/BoldTreeFont.h"
#include "controls/Dialog.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32Platform.h"
#include "stub/RestorerSession.h"

namespace pelorin {

class CRestorerDlg : public CDialog {
 public:
  explicit CRestorerDlg(HINSTANCE instance);
  ~CRestorerDlg() override;

 protected:
  BOOL OnInitDialog() override;
  // Enter, Esc and the greyed Close leave the window only through "退出".
  void OnOK() override {}
  void OnCancel() override {}

 private:
  bool OnSysCommand(UINT id, LPARAM);
  LRESULT OnTreeClick(NMHDR* header);
  LRESULT OnTreeSelChanged(NMHDR* header);
  LRESULT OnTreeCustomDraw(NMHDR* header);
  void OnStartRestore();
  void OnExit();
  void ShowStringMessage(int id);
  void FillTree();
  void RefreshStates();
  void ShowDetails(int item);
  void SetStatus(const char* text);
  void Restart();

  HINSTANCE instance_;
  HWND tree_ = nullptr;
  win32::ImageListHandle states_;
  CBoldTreeFont boldFont_;
  win32::Win32Platform platform_;
  CRestorerSession session_;
  std::vector<HTREEITEM> items_;
  bool nt_ = true;

  DECLARE_MESSAGE_MAP(CRestorerDlg)
};

}  // namespace pelorin
