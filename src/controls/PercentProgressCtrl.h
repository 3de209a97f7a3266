#pragma once
// The main dialog's progress bar (control 1013): paints itself off-screen, a
// filled bar in the highlight colour over the window colour, with the
// percentage or a custom text centred on it. Range, position and text are set
// from a backup worker's thread; the paint runs on the user-interface thread.
#include <windows.h>

#include <string>

#include "controls/ProgressModel.h"
#include "controls/Wnd.h"

namespace pelorin {

class CPercentProgressCtrl : public CProgressCtrl {
 public:
  // The colours are read now and kept for the object's life.
  CPercentProgressCtrl();
  ~CPercentProgressCtrl() override;

  bool Attach(HWND window) override;

  // Kept in the object only; the common control's own range and position stay
  // at their defaults and are never drawn.
  void SetRange(int lower, int upper);
  // Returns the previous position, or -1 (nothing stored) without a window.
  // Repaints before returning when the filled width in pixels changes.
  int SetPos(int position);

  // The WM_SETTEXT behaviour behind the default processing: a text that differs
  // from the custom text replaces it and invalidates the bar. Workers call it
  // directly to show a file name; the window's own text is then left alone.
  LRESULT OnSetText(WPARAM wParam, LPARAM lParam);

  std::string CustomText() const { return model_.Text(); }

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  void OnPaint();
  void Draw(HDC dc, const RECT& client);
  LRESULT OnGetText(WPARAM size, LPARAM buffer);
  void Detach();

  WNDPROC original_ = nullptr;
  ProgressModel model_;
  BOOL showText_ = TRUE;
  COLORREF barColour_;
  COLORREF backgroundColour_;
  COLORREF textOverBackground_;
  COLORREF textOverBar_;
};

}  // namespace pelorin
