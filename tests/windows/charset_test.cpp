#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/win32/Handles.h"

namespace {

// The pixels `text` leaves on a white bitmap in the dialogs' face, 宋体 9 pt.
std::vector<COLORREF> Drawn(const char* text) {
  using namespace pelorin::win32;
  const WindowDc screen(nullptr);
  const MemoryDcHandle dc(CreateCompatibleDC(screen.get()));
  const BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), 120, 20));
  const FontHandle font(CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "宋体"));
  const SelectedObject selectedBitmap(dc.get(), bitmap.get()), selectedFont(dc.get(), font.get());
  RECT all = {0, 0, 120, 20};
  FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  TextOutA(dc.get(), 0, 0, text, lstrlenA(text));
  std::vector<COLORREF> pixels;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 120; ++x) pixels.push_back(GetPixel(dc.get(), x, y));
  return pixels;
}

}  // namespace

// The screenshots of the tests and the demo show driver dates: the face put in
// place of 宋体 must draw every character of them, "-" included.
TEST(CharsetTest, DialogFaceDrawsTheDashesOfADate) {
  EXPECT_NE(Drawn("7-18-1968"), Drawn("7 18 1968"));
}
