#pragma once
// The least window wrapper the program's dialogs and controls need: a window
// handle and the few calls made on it. A control object is bound to its dialog
// item by the dialog's data exchange.
#include <windows.h>

namespace pelorin {

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }

  // Binds the object to an existing window (a dialog item). Controls that paint
  // or answer messages themselves subclass the window here.
  virtual bool Attach(HWND window) {
    m_hWnd = window;
    return window != nullptr;
  }

  BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
  BOOL EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }

  HWND m_hWnd = nullptr;
};

// The common-controls progress bar.
class CProgressCtrl : public CWnd {};

}  // namespace pelorin
