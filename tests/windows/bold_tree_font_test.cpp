// The restorer's computer and class items are drawn with the tree's own face
// made bold; the other items keep the tree's font.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "controls/BoldTreeFont.h"

namespace pelorin {
namespace {

TEST(BoldTreeFontTest, BoldItemsAreDrawnInTheTreesFaceMadeBold) {
  HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  const HGDIOBJ treeFont = GetStockObject(DEFAULT_GUI_FONT);
  SendMessageA(tree, WM_SETFONT, reinterpret_cast<WPARAM>(treeFont), FALSE);
  CBoldTreeFont bold;
  ASSERT_TRUE(bold.Create(tree));
  HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ own = GetCurrentObject(dc, OBJ_FONT);
  EXPECT_EQ(bold.ItemPrepaint(dc, false), CDRF_DODEFAULT);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), own);
  EXPECT_EQ(bold.ItemPrepaint(dc, true), CDRF_NEWFONT);
  LOGFONTA drawn = {}, plain = {};
  GetObjectA(SelectObject(dc, own), sizeof drawn, &drawn);
  GetObjectA(treeFont, sizeof plain, &plain);
  EXPECT_EQ(drawn.lfWeight, FW_BOLD);
  EXPECT_STREQ(drawn.lfFaceName, plain.lfFaceName);
  DeleteDC(dc);
  DestroyWindow(tree);
}

}  // namespace
}  // namespace pelorin
