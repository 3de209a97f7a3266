// The main window on the demo machine (a prefix seeded from demo/): what a
// person sees at start-up and what the list, the combos, the about box and
// the Backup button do (a whole folder backup: folder_backup_demo_test.cpp; the
// dialog's rules one by one: main_dlg_logic_test.cpp).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "MainWindowTest.h"

namespace pelorin::e2e {
namespace {

const std::vector<std::string> kNotOnDiscRows = {
    "Acme Chipset SMBus Controller", "千兆以太网控制器", "TouchPad Pro", "Harmony HD Audio",
    "Acme Graphics 3D", "Acme USB 3.0 eXtensible Host Controller"};

class DemoMainWindowTest : public MainWindowTest {
 protected:
  bool WaitForRowCount(int count) {
    return WaitUntil([&] { return ListItemCount(list) == count; }, kStepTimeout);
  }
  int TickedRows() {
    int ticked = 0;
    for (int row = 0, n = ListItemCount(list); row < n; ++row) ticked += ListItemTicked(list, row) ? 1 : 0;
    return ticked;
  }
  bool WaitForTicked(int count) {
    return WaitUntil([&] { return TickedRows() == count; }, kStepTimeout);
  }
};

TEST_F(DemoMainWindowTest, StartUpShowsDriversNotOnDiscNewestFirst) {
  EXPECT_EQ(ListColumnTexts(list, 0), kNotOnDiscRows);
  EXPECT_EQ(ListItemText(list, 1, 1), "网络适配器");
  EXPECT_EQ(ListItemText(list, 1, 2), "Realtech Semiconductor");
  EXPECT_EQ(ListItemText(list, 1, 5), "oem1.inf");
  EXPECT_EQ(ListItemText(list, 2, 3), "");  // TouchPad Pro's empty date is kept in this mode
  EXPECT_EQ(TickedRows(), 0);
  EXPECT_EQ(ItemText(dialog, 1014), "共找到6个驱动");

  EXPECT_EQ(ComboSelection(dialog, 1003), 1);
  EXPECT_EQ(ItemText(dialog, 1003), "搜索系统光盘内没有的驱动");
  EXPECT_EQ(ComboSelection(dialog, 1015), 1);
  EXPECT_EQ(ItemText(dialog, 1015), "默认");
  EXPECT_FALSE(IsVisible(dialog, 1013)) << "the progress bar shows at start";
  EXPECT_FALSE(IsVisible(dialog, 1022)) << "the about button shows";
  EXPECT_EQ(SendDlgItemMessageA(dialog, 1012, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(ItemText(dialog, 1004) + ItemText(dialog, 1005) + ItemText(dialog, 2), "备份恢复退出");
  // The status line names driver folders, which may hold "&".
  EXPECT_TRUE(Style(GetDlgItem(dialog, 1014)) & SS_NOPREFIX);

  const DWORD extended = static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(extended & 0x425u, 0x425u);
  EXPECT_TRUE(SaveScreenshot(dialog, ArtifactPath("mainwin_startup")));
}

TEST_F(DemoMainWindowTest, SelectAllTicksUnticksAndCarriesIntoRescan) {
  ASSERT_TRUE(SetListItemTicked(list, 0, true));
  ASSERT_TRUE(SetListItemTicked(list, 3, true));
  ASSERT_EQ(TickedRows(), 2);

  ASSERT_TRUE(ClickButton(dialog, 1012));
  EXPECT_TRUE(WaitForTicked(6));
  ASSERT_TRUE(ClickButton(dialog, 1012));
  EXPECT_TRUE(WaitForTicked(0)) << "rows ticked one by one stay ticked";

  ASSERT_TRUE(ClickButton(dialog, 1012));
  ASSERT_TRUE(WaitForTicked(6));
  ASSERT_TRUE(SelectComboEntry(dialog, 1003, 0));
  ASSERT_TRUE(WaitForRowCount(9));
  EXPECT_TRUE(WaitForTicked(9)) << "the new rows of the rescan come up unticked";
  EXPECT_EQ(SendDlgItemMessageA(dialog, 1012, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(SaveScreenshot(dialog, ArtifactPath("mainwin_select_all")));
}

TEST_F(DemoMainWindowTest, AboutBoxFromSystemMenuAndHiddenButton) {
  ASSERT_TRUE(PostSysCommand(dialog, 0x0010));
  HWND about = WaitForWindow(app.Id(), "#32770", "关于Pelorin", kStepTimeout);
  ASSERT_NE(about, nullptr) << "the system-menu entry opened no about box";
  EXPECT_EQ(ItemText(about, 1021), "1.00.0000");
  EXPECT_TRUE(SaveScreenshot(about, ArtifactPath("mainwin_about")));
  ASSERT_TRUE(Dismiss(about, IDOK));

  ASSERT_TRUE(PressButton(dialog, 1022));
  about = WaitForWindow(app.Id(), "#32770", "关于Pelorin", kStepTimeout);
  ASSERT_NE(about, nullptr) << "the about button opened no about box";
  EXPECT_EQ(ItemText(about, 1021), "1.00.0000");
  ASSERT_TRUE(Dismiss(about, IDOK));
  EXPECT_TRUE(IsWindowEnabled(dialog));
}

TEST_F(DemoMainWindowTest, BackupWithPickerCancelledDoesNothing) {
  ASSERT_TRUE(PressButton(dialog, 1004));
  HWND picker = WaitForWindow(app.Id(), "#32770", "保存到文件夹", kStepTimeout);
  ASSERT_NE(picker, nullptr) << "no folder picker";
  EXPECT_EQ(ItemText(picker, 14146), "请选择目标文件夹");
  EXPECT_TRUE(SaveScreenshot(picker, ArtifactPath("mainwin_backup_picker")));
  ASSERT_TRUE(Dismiss(picker, IDCANCEL));

  // Nothing may follow a cancel: no box, no run that locks the buttons.
  EXPECT_EQ(WaitForMessageBox(app.Id(), "提示信息", 1500), nullptr);
  EXPECT_TRUE(IsEnabled(dialog, 1004));
  EXPECT_TRUE(IsEnabled(dialog, 1003));
  EXPECT_FALSE(IsVisible(dialog, 1013));
}

}  // namespace
}  // namespace pelorin::e2e
