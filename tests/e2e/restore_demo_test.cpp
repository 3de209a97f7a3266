// Restore on the demo machine, as a person does it: back a driver up with
// pelorin.exe, press Restore, pick that driver's folder in the shell's picker
// and read the outcome.
#include "MainWindowTest.h"

namespace pelorin::e2e {
namespace {

// wine's picker does not select a folder below a drive's first level by path,
// so the backup goes to the drive's root and the driver folder sits just below.
constexpr char kBackupTop[] = "C:\\";
constexpr char kDriverRow[] = "千兆以太网控制器";

class DemoRestoreTest : public MainWindowTest {};

TEST_F(DemoRestoreTest, BackedUpDriverIsReinstalled) {
  BOOL wow64 = FALSE;  // a 32-bit pelorin.exe (as this test) on 64-bit Windows cannot install
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
    ASSERT_TRUE(PressButton(dialog, 1005));
    HWND box = WaitForMessageBox(app.Id(), "Pelorin", kStepTimeout, dialog);
    ASSERT_NE(box, nullptr) << "no box under WOW64";
    EXPECT_EQ(MessageBoxText(box),
              "这是32位的Pelorin，无法在64位Windows上安装驱动程序。请使用64位的Pelorin（pelorin-x64.exe）恢复驱动。");
    EXPECT_TRUE(SaveScreenshot(box, "restore_wow64"));
    ASSERT_TRUE(Dismiss(box, IDOK));
    EXPECT_EQ(FindWindowA("#32770", "浏览文件夹"), nullptr) << "a picker under WOW64";
    return;
  }
  const int rows = ListItemCount(list);
  ASSERT_EQ(BackUpInto(kBackupTop, {kDriverRow}, "restore_backup_done"), kBackupDone);
  ASSERT_TRUE(WaitUntil([&] { return IsEnabled(dialog, 1005); }, kStepTimeout));

  ASSERT_TRUE(PressButton(dialog, 1005));
  HWND picker = WaitForWindow(app.Id(), "#32770", "浏览文件夹", kStepTimeout);
  ASSERT_NE(picker, nullptr) << "no folder picker";
  SaveScreenshot(picker, "restore_picker");
  ASSERT_TRUE(ChooseFolder(picker, std::string(kBackupTop) + kDriverRow));
  // A box of the program's title other than the main dialog, which bears it too.
  HWND outcome = WaitForMessageBox(app.Id(), "Pelorin", kInstallTimeout, dialog);
  ASSERT_NE(outcome, nullptr) << "no outcome box";
  // wine's driver update reports success for every package it is given.
  EXPECT_EQ(MessageBoxText(outcome), "安装成功！");
  EXPECT_TRUE(SaveScreenshot(outcome, "restore_outcome"));
  ASSERT_TRUE(Dismiss(outcome, IDOK));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, 1014) == "共找到" + std::to_string(rows) + "个驱动"; },
                        kStepTimeout))
      << ItemText(dialog, 1014);
}

}  // namespace
}  // namespace pelorin::e2e
