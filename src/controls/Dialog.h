#pragma once
// The least modal-dialog base both programs need (pelorin.exe's dialogs and the
// restorer's window): a dialog run from a template of the running program, a
// message table per class dispatched by the dialog procedure, and the data
// exchange that binds controls and moves bound values to them.
#include <windows.h>

#include <string>

#include "controls/Wnd.h"

namespace pelorin {

class CDialog;

// One row of a dialog's message table. `code` and `id` qualify WM_COMMAND
// (notification code, control id) and WM_NOTIFY rows; they are 0 otherwise.
// The handler returns false for the default processing.
struct MessageMapEntry {
  UINT message;
  UINT code;
  UINT id;
  bool (*handler)(CDialog& dialog, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

// The direction of one data exchange.
struct CDataExchange {
  CDialog* dialog;
  BOOL saveAndValidate;  // TRUE: controls to members; FALSE: members to controls
};

class CDialog : public CWnd {
 public:
  CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override = default;

  // Runs the dialog modally; its result, or -1 when it could not be created.
  INT_PTR DoModal();
  void EndDialog(int result);
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

 protected:
  // Binds the controls and pushes the bound values (UpdateData(FALSE)).
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange* dx);
  virtual void OnOK();
  virtual void OnCancel();
  // The class's table, ended by a row with message 0.
  virtual const MessageMapEntry* GetMessageMap() const { return nullptr; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  UINT templateId_;
  CWnd* parent_;
};

void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Check(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, std::string& value);

}  // namespace pelorin

// Message tables. In the class:    DECLARE_MESSAGE_MAP(CMyDlg)
// In the source file:              BEGIN_MESSAGE_MAP(CMyDlg) ON_...(...) END_MESSAGE_MAP()
#define DECLARE_MESSAGE_MAP(cls)                                         \
 protected:                                                              \
  using ThisClass = cls;                                                 \
  static const ::pelorin::MessageMapEntry kMessageMap[];                 \
  const ::pelorin::MessageMapEntry* GetMessageMap() const override {     \
    return kMessageMap;                                                  \
  }

#define BEGIN_MESSAGE_MAP(cls) const ::pelorin::MessageMapEntry cls::kMessageMap[] = {
#define END_MESSAGE_MAP() {0, 0, 0, nullptr}};

#define PELORIN_MAP_THUNK(body)                                                             \
  [](::pelorin::CDialog& dialog_, WPARAM wParam_, LPARAM lParam_, LRESULT& result_) -> bool { \
    auto& self_ = static_cast<ThisClass&>(dialog_);                                         \
    (void)wParam_; (void)lParam_; (void)result_; (void)self_;                               \
    body                                                                                    \
  }

// void fn()
#define ON_BN_CLICKED(id, fn) {WM_COMMAND, BN_CLICKED, id, PELORIN_MAP_THUNK(self_.fn(); return true;)},
#define ON_CBN_SELCHANGE(id, fn) {WM_COMMAND, CBN_SELCHANGE, id, PELORIN_MAP_THUNK(self_.fn(); return true;)},
// LRESULT fn(WPARAM, LPARAM)
#define ON_MESSAGE(msg, fn) \
  {msg, 0, 0, PELORIN_MAP_THUNK(result_ = self_.fn(wParam_, lParam_); return true;)},
// bool fn(UINT id, LPARAM): false for the default processing
#define ON_WM_SYSCOMMAND(fn) \
  {WM_SYSCOMMAND, 0, 0, PELORIN_MAP_THUNK(return self_.fn(static_cast<UINT>(wParam_), lParam_);)},
// bool fn(): false for the default processing
#define ON_WM_PAINT(fn) {WM_PAINT, 0, 0, PELORIN_MAP_THUNK(return self_.fn();)},
// HCURSOR fn()
#define ON_WM_QUERYDRAGICON(fn) \
  {WM_QUERYDRAGICON, 0, 0, PELORIN_MAP_THUNK(result_ = reinterpret_cast<LRESULT>(self_.fn()); return true;)},
// LRESULT fn(NMHDR*)
#define ON_NOTIFY(code, id, fn) \
  {WM_NOTIFY, static_cast<UINT>(code), id, PELORIN_MAP_THUNK(result_ = self_.fn(reinterpret_cast<NMHDR*>(lParam_)); return true;)},
