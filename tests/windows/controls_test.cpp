// The programs' own controls on real windows: the main window's percentage bar,
// also driven from a second thread as the backup workers do, and its list rows;
// the restorer tree's bold font.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/ListCtrlRows.h"
#include "controls/BoldTreeFont.h"
#include "controls/PercentProgressCtrl.h"
#include "controls/Wnd.h"

namespace pelorin {
namespace {

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Counts the paints that reach the bar (installed over its own handling).
LRESULT CALLBACK CountPaints(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR counter) {
  if (msg == WM_PAINT) ++*reinterpret_cast<std::atomic<int>*>(counter);
  return DefSubclassProc(hwnd, msg, wp, lp);
}

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr, nullptr,
                           nullptr);
  }
  void TearDown() override { DestroyWindow(host); }
  HWND Child(const char* cls, DWORD style, int id, int width, int height) {
    return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 10, 10, width, height, host,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  }
  HWND host = nullptr;
};

TEST_F(ControlsTest, PercentBarPaintsEachStepOfAWorkerAndKeepsItsTexts) {
  HWND bar = Child(PROGRESS_CLASSA, PBS_SMOOTH, 1013, 200, 20);
  CPercentProgressCtrl control;
  ASSERT_TRUE(control.Attach(bar));
  std::atomic<int> paints{0};
  ASSERT_TRUE(SetWindowSubclass(bar, CountPaints, 99, reinterpret_cast<DWORD_PTR>(&paints)));
  UpdateWindow(bar);
  Pump();

  // A worker thread while this one answers the messages it sends, as the
  // dialog's thread does: until the worker is done, however long that takes.
  int unpainted = 0;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    control.SetRange(0, 50);
    for (int i = 1; i <= 25; ++i) {
      const int before = paints;
      control.SetPos(i);  // 4 pixels a step: each one repaints
      if (paints == before) ++unpainted;
      const std::string name = "file" + std::to_string(i) + ".sys";
      control.OnSetText(0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    done = true;
  });
  while (!done) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Pump();
  }
  worker.join();
  EXPECT_EQ(unpainted, 0) << "SetPos returned before the dialog's thread painted";
  Pump();
  HDC dc = GetDC(bar);
  EXPECT_EQ(GetPixel(dc, 2, 2), GetSysColor(COLOR_HIGHLIGHT)) << "the done part";
  EXPECT_EQ(GetPixel(dc, 196, 2), GetSysColor(COLOR_WINDOW)) << "the rest";
  ReleaseDC(bar, dc);

  // A worker's direct call changes the shown text, not the window's own.
  char buffer[16] = {};
  EXPECT_EQ(control.CustomText(), "file25.sys");
  EXPECT_EQ(SendMessageA(bar, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 10);
  EXPECT_TRUE(SetWindowTextA(bar, "ab驱动"));
  EXPECT_EQ(GetWindowTextA(bar, buffer, 4), 2) << "a cut must not split a character";
  EXPECT_STREQ(buffer, "ab");
}

// (Row order and the shown columns: the end-to-end test of the main window; the
// ticked rows a backup worker reads: the end-to-end backups.)
TEST_F(ControlsTest, ListRowTextComesBackWholeHoweverLong) {
  CWnd list;
  list.Attach(Child(WC_LISTVIEWA, LVS_REPORT, 1000, 600, 400));
  ListCtrlRows rows{list};
  const std::string longDesc(600, 'x');
  rows.InsertTop(DriverRecord{longDesc, "class", "ver", "prov", "date", "a.inf", "id"});
  EXPECT_EQ(rows.Text(0, DriverColumn::Desc), longDesc);
}

// The restorer's computer and class items are drawn with the tree's own face
// made bold; the other items keep the tree's font.
TEST_F(ControlsTest, BoldTreeItemsAreDrawnInTheTreesFaceMadeBold) {
  HWND tree = Child(WC_TREEVIEWA, 0, 1027, 100, 100);
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
}

}  // namespace
}  // namespace pelorin
