#include "controls/PercentProgressCtrl.h"

#include <commctrl.h>

#include <cstring>

#include "controls/MemoryDC.h"
#include "platform/win32/Handles.h"

namespace pelorin {

namespace {

// The window property that leads from the bar's window to its object.
constexpr char kSelfProperty[] = "PelorinPercentBar";

// The clip region of a rectangle, deleted with the object.
class ClipRect {
 public:
  ClipRect(HDC dc, const RECT& rect) : dc_(dc), region_(CreateRectRgnIndirect(&rect)) {
    // The memory context's window origin is moved to the clip box; regions are
    // in device units, so they are shifted the same way.
    POINT origin = {};
    GetWindowOrgEx(dc_, &origin);
    if (region_) {
      OffsetRgn(region_.get(), -origin.x, -origin.y);
      SelectClipRgn(dc_, region_.get());
    }
  }
  ~ClipRect() { SelectClipRgn(dc_, nullptr); }
  ClipRect(const ClipRect&) = delete;
  ClipRect& operator=(const ClipRect&) = delete;

 private:
  HDC dc_;
  win32::RegionHandle region_;
};

// Asks the bar's thread to redraw it at once.
UINT RedrawMessage() {
  static const UINT message = RegisterWindowMessageA("PelorinPercentBarRedraw");
  return message;
}

void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

}  // namespace

CPercentProgressCtrl::CPercentProgressCtrl()
    : barColour_(GetSysColor(COLOR_HIGHLIGHT)),
      backgroundColour_(GetSysColor(COLOR_WINDOW)),
      textOverBackground_(GetSysColor(COLOR_HIGHLIGHT)),
      textOverBar_(GetSysColor(COLOR_WINDOW)) {}

CPercentProgressCtrl::~CPercentProgressCtrl() { Detach(); }

bool CPercentProgressCtrl::Attach(HWND window) {
  if (!window || m_hWnd || !SetPropA(window, kSelfProperty, this)) return false;
  // An ANSI window procedure: the common control's class is a Unicode one, and
  // text messages must reach this object as code page 936 bytes.
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CPercentProgressCtrl::SubclassProc)));
  if (!original_) {
    RemovePropA(window, kSelfProperty);
    return false;
  }
  m_hWnd = window;
  return true;
}

void CPercentProgressCtrl::Detach() {
  if (m_hWnd && IsWindow(m_hWnd) && original_) {
    SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    RemovePropA(m_hWnd, kSelfProperty);
  }
  m_hWnd = nullptr;
}

void CPercentProgressCtrl::SetRange(int lower, int upper) { model_.SetRange(lower, upper); }

int CPercentProgressCtrl::SetPos(int position) {
  if (!m_hWnd || !IsWindow(m_hWnd)) return -1;
  RECT client = {};
  GetClientRect(&client);
  bool repaint = false;
  const int old = model_.SetPos(position, client.right - client.left, repaint);
  if (repaint) {
    if (GetWindowThreadProcessId(m_hWnd, nullptr) == GetCurrentThreadId()) {
      RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    } else {
      // From another thread the paint is not certain to have run when
      // RedrawWindow returns (wine queues it); the bar's own thread redraws
      // and the caller waits for it.
      ::SendMessageA(m_hWnd, RedrawMessage(), 0, 0);
    }
  }
  return old;
}

LRESULT CPercentProgressCtrl::OnSetText(WPARAM, LPARAM lParam) {
  const char* text = reinterpret_cast<const char*>(lParam);
  if (model_.SetText(text ? text : "") && m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
  return TRUE;
}

LRESULT CPercentProgressCtrl::OnGetText(WPARAM size, LPARAM buffer) {
  char* out = reinterpret_cast<char*>(buffer);
  if (!out || size == 0) return 0;
  const std::string text = model_.TextForBuffer(size);
  std::memcpy(out, text.c_str(), text.size() + 1);
  return static_cast<LRESULT>(text.size());
}

LRESULT CALLBACK CPercentProgressCtrl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* control = static_cast<CPercentProgressCtrl*>(GetPropA(window, kSelfProperty));
  if (!control) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    const WNDPROC original = control->original_;
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropA(window, kSelfProperty);
    control->m_hWnd = nullptr;
    return CallWindowProcA(original, window, message, wParam, lParam);
  }
  return control->WindowProc(message, wParam, lParam);
}

LRESULT CPercentProgressCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == RedrawMessage() && message != 0) {
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return 0;
  }
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return TRUE;  // the paint covers the whole client area
    case WM_SIZE: {
      const LRESULT result = CallWindowProcA(original_, m_hWnd, message, wParam, lParam);
      model_.ForgetBarWidth();
      return result;
    }
    case WM_SETTEXT: {
      const LRESULT result = CallWindowProcA(original_, m_hWnd, message, wParam, lParam);
      OnSetText(wParam, lParam);
      return result;
    }
    case WM_GETTEXT:
      return OnGetText(wParam, lParam);
    default:
      return CallWindowProcA(original_, m_hWnd, message, wParam, lParam);
  }
}

void CPercentProgressCtrl::OnPaint() {
  const win32::PaintDc paint(m_hWnd);
  if (paint.get()) {
    RECT client = {};
    GetClientRect(&client);
    Draw(paint.get(), client);
  }
}

void CPercentProgressCtrl::Draw(HDC dc, const RECT& client) {
  const ProgressPaint paint = model_.Plan(client.left, client.right);
  if (!paint.draw) return;

  CMemoryDC memory(dc);
  HDC target = memory.Get();
  RECT done = client;
  done.right = paint.splitX;
  RECT rest = client;
  rest.left = paint.splitX;
  // Either part may lie outside the client area (a position beyond the range).
  if (done.right > client.right) done.right = client.right;
  if (rest.left < client.left) rest.left = client.left;
  if (done.right > done.left) FillSolidRect(target, done, barColour_);
  if (rest.right > rest.left) FillSolidRect(target, rest, backgroundColour_);

  if (!showText_) return;
  // The control has no font of its own; the dialog's keeps the Chinese readable.
  HFONT font = reinterpret_cast<HFONT>(::SendMessageA(GetParent(m_hWnd), WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = font ? SelectObject(target, font) : nullptr;
  SetBkMode(target, TRANSPARENT);
  RECT textRect = client;
  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (done.right > done.left) {
    ClipRect clip(target, done);
    SetTextColor(target, textOverBar_);
    DrawTextA(target, paint.text.c_str(), -1, &textRect, format);
  }
  if (rest.right > rest.left) {
    ClipRect clip(target, rest);
    SetTextColor(target, textOverBackground_);
    DrawTextA(target, paint.text.c_str(), -1, &textRect, format);
  }
  if (oldFont) SelectObject(target, oldFont);
}

}  // namespace pelorin
