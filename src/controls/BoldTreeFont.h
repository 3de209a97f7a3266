#pragma once
// The bold form of a tree view's own font, for the items a custom-drawing
// owner shows in bold (the restorer's computer and classes). Made once the tree
// has its font, selected into the item's context while it is drawn, deleted
// with the object.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/Handles.h"

namespace pelorin {

class CBoldTreeFont {
 public:
  bool Create(HWND tree) {
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(tree, WM_GETFONT, 0, 0));
    if (!font) font = GetStockObject(DEFAULT_GUI_FONT);
    LOGFONTA face = {};
    if (GetObjectA(font, sizeof face, &face) != sizeof face) return false;
    face.lfWeight = FW_BOLD;
    *font_.Receive() = CreateFontIndirectA(&face);
    return static_cast<bool>(font_);
  }

  // The answer to an item's CDDS_ITEMPREPAINT: a `bold` item is drawn in the
  // bold font (CDRF_NEWFONT), the others as the tree draws them.
  LRESULT ItemPrepaint(HDC dc, bool bold) const {
    if (!bold || !font_) return CDRF_DODEFAULT;
    SelectObject(dc, font_.get());
    return CDRF_NEWFONT;
  }

 private:
  win32::FontHandle font_;
};

}  // namespace pelorin
