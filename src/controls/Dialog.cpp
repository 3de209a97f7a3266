#include "controls/Dialog.h"

#include <vector>

namespace pelorin {

namespace {

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

INT_PTR CDialog::DoModal() {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_),
                         parent_ ? parent_->m_hWnd : nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx = {this, saveAndValidate};
  DoDataExchange(&dx);
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const MessageMapEntry* entry = GetMessageMap();
  for (; entry && entry->handler; ++entry) {
    if (entry->message != message) continue;
    if (message == WM_COMMAND && (entry->code != HIWORD(wParam) || entry->id != LOWORD(wParam))) continue;
    if (message == WM_NOTIFY) {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (entry->code != header->code || entry->id != header->idFrom) continue;
    }
    return entry->handler(*this, wParam, lParam, result);
  }
  // OK and Cancel from a button, the Enter and Escape keys or the close box.
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDOK) {
      OnOK();
      return true;
    }
    if (LOWORD(wParam) == IDCANCEL) {
      OnCancel();
      return true;
    }
  }
  return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
    dialog->m_hWnd = window;
    return dialog->OnInitDialog();
  }
  dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!dialog) return FALSE;
  if (message == WM_NCDESTROY) {
    dialog->m_hWnd = nullptr;
    return FALSE;
  }
  LRESULT result = 0;
  if (!dialog->Dispatch(message, wParam, lParam, result)) return FALSE;
  if (ReturnsDirectly(message)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
  return TRUE;
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (!control.m_hWnd) control.Attach(dx->dialog->GetDlgItem(id));
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  HWND item = dx->dialog->GetDlgItem(id);
  if (dx->saveAndValidate) {
    value = static_cast<int>(SendMessageA(item, BM_GETCHECK, 0, 0));
  } else {
    SendMessageA(item, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
  HWND item = dx->dialog->GetDlgItem(id);
  if (dx->saveAndValidate) {
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(item)) + 1);
    GetWindowTextA(item, text.data(), static_cast<int>(text.size()));
    value = text.data();
  } else {
    SetWindowTextA(item, value.c_str());
  }
}

}  // namespace pelorin
