// The main window's own controls on real windows: the percentage bar and the
// list rows, each also used from a second thread as the backup workers do.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/ListCtrlRows.h"
#include "controls/PercentProgressCtrl.h"
#include "controls/Wnd.h"

namespace pelorin {
namespace {

// Runs `work` on a second thread while this thread answers the messages it
// sends, as the dialog's thread does for a worker.
template <typename Work>
void RunOnWorker(Work work) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
  });
  // Until the worker says it is done, however long a loaded machine takes:
  // joining earlier would leave its sent messages unanswered.
  while (!done) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  worker.join();
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

class Host {
 public:
  Host() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    window = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                             nullptr, nullptr);
  }
  ~Host() { DestroyWindow(window); }
  HWND window;
};

// Counts the paints that reach the bar (installed over its own handling).
LRESULT CALLBACK CountPaints(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR counter) {
  if (msg == WM_PAINT) ++*reinterpret_cast<std::atomic<int>*>(counter);
  return DefSubclassProc(hwnd, msg, wp, lp);
}

class PercentProgressCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 10, 10, 200, 20, host.window,
                          reinterpret_cast<HMENU>(1013), nullptr, nullptr);
    ASSERT_TRUE(control.Attach(bar));
    ASSERT_TRUE(SetWindowSubclass(bar, CountPaints, 99, reinterpret_cast<DWORD_PTR>(&paints)));
    UpdateWindow(bar);
    Pump();
    paints = 0;
  }

  COLORREF PixelAt(int x, int y) {
    HDC dc = GetDC(bar);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(bar, dc);
    return colour;
  }

  Host host;
  HWND bar = nullptr;
  CPercentProgressCtrl control;
  std::atomic<int> paints{0};
};

TEST_F(PercentProgressCtrlTest, RepaintsAtOnceOnlyWhenWidthInPixelsChanges) {
  control.SetRange(0, 1000);
  EXPECT_EQ(control.SetPos(100), 0);
  EXPECT_EQ(paints, 1) << "a changed width paints before SetPos returns";
  control.SetPos(101);  // 20.2 pixels: the same 20 pixels wide
  EXPECT_EQ(paints, 1);
  control.SetPos(200);
  EXPECT_EQ(paints, 2);

  SetWindowPos(bar, nullptr, 0, 0, 300, 20, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  const int afterResize = paints;
  control.SetPos(200);
  EXPECT_EQ(paints, afterResize + 1) << "the same position repaints after a resize";
}

TEST_F(PercentProgressCtrlTest, PaintsDonePartAndRestInTheirColours) {
  control.SetRange(0, 100);
  control.SetPos(50);
  Pump();
  EXPECT_EQ(PixelAt(2, 2), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(PixelAt(196, 2), GetSysColor(COLOR_WINDOW));
}

TEST_F(PercentProgressCtrlTest, CustomTextThroughSetTextAndGetText) {
  EXPECT_TRUE(SetWindowTextA(bar, "ab驱动"));
  char buffer[16] = {};
  EXPECT_EQ(GetWindowTextA(bar, buffer, 4), 2) << "a cut must not split a character";
  EXPECT_STREQ(buffer, "ab");
  EXPECT_EQ(SendMessageA(bar, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 6);
  EXPECT_STREQ(buffer, "ab驱动");

  // A worker's direct call changes the shown text but not the window's own.
  control.OnSetText(0, reinterpret_cast<LPARAM>("oem1.inf"));
  EXPECT_EQ(control.CustomText(), "oem1.inf");
  EXPECT_EQ(SendMessageA(bar, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 8);
  EXPECT_STREQ(buffer, "oem1.inf");
}

TEST_F(PercentProgressCtrlTest, WorkerThreadDrivesBarWhileDialogThreadPaints) {
  int unpainted = 0;
  RunOnWorker([&] {
    control.SetRange(0, 50);
    for (int i = 1; i <= 50; ++i) {
      const int before = paints;
      control.SetPos(i);  // 4 pixels a step: each one repaints
      if (paints == before) ++unpainted;
      std::string name = "file" + std::to_string(i) + ".sys";
      control.OnSetText(0, reinterpret_cast<LPARAM>(name.c_str()));
    }
  });
  EXPECT_EQ(unpainted, 0) << "SetPos returned before the dialog's thread painted";
  EXPECT_EQ(control.CustomText(), "file50.sys");
  EXPECT_EQ(control.SetPos(0), 50);
}

class ListCtrlRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.Attach(CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 600, 400,
                                host.window, reinterpret_cast<HMENU>(1000), nullptr, nullptr));
    ASSERT_NE(list.m_hWnd, nullptr);
    for (int i = 0; i < 7; ++i) {
      LVCOLUMNA column = {};
      column.mask = LVCF_WIDTH;
      column.cx = 80;
      SendMessageA(list.m_hWnd, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageA(list.m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, 0x425);
  }

  static DriverRecord Record(const std::string& desc) {
    return DriverRecord{desc, "class-" + desc, "ver-" + desc, "prov-" + desc, "date-" + desc, desc + ".inf",
                        "id\\" + desc};
  }

  Host host;
  CWnd list;
  ListCtrlRows rows{list};
};

TEST_F(ListCtrlRowsTest, RowsGoOnTopWithCellsInColumnOrderAndTicks) {
  const std::string longDesc(600, 'x');
  rows.InsertTop(Record(longDesc));
  rows.InsertTop(Record("驱动"));
  ASSERT_EQ(rows.Count(), 2);
  EXPECT_EQ(rows.Text(0, DriverColumn::Desc), "驱动");
  EXPECT_EQ(rows.Text(1, DriverColumn::Desc), longDesc) << "a long text comes back whole";
  const DriverColumn columns[] = {DriverColumn::Class, DriverColumn::Provider, DriverColumn::Date,
                                  DriverColumn::Version, DriverColumn::InfPath, DriverColumn::MatchingDeviceId};
  const char* expected[] = {"class-驱动", "prov-驱动", "date-驱动", "ver-驱动", "驱动.inf", "id\\驱动"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(rows.Text(0, columns[i]), expected[i]);
  rows.SetTicked(1, true);
  EXPECT_TRUE(rows.IsTicked(1));
  EXPECT_FALSE(rows.IsTicked(0));
  rows.SetTicked(1, false);
  EXPECT_FALSE(rows.IsTicked(1));
  rows.DeleteAll();
  EXPECT_EQ(rows.Count(), 0);
}

TEST_F(ListCtrlRowsTest, WorkerThreadReadsRowsThroughDialogThread) {
  for (int i = 0; i < 20; ++i) rows.InsertTop(Record("d" + std::to_string(i)));
  rows.SetTicked(3, true);
  rows.SetTicked(17, true);
  std::string seen;
  RunOnWorker([&] {
    for (int i = 0; i < rows.Count(); ++i) {
      if (rows.IsTicked(i)) seen += rows.Text(i, DriverColumn::Desc) + ";";
    }
  });
  EXPECT_EQ(seen, "d16;d2;");
}

}  // namespace
}  // namespace pelorin
