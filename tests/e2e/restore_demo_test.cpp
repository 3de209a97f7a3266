// Restore on the demo machine, as a person does it: back a driver up with
// pelorin.exe, press Restore, pick that driver's folder in the shell's picker
// and read the outcome; pick the backup's top folder and read why nothing
// happened.
#include "MainWindowTest.h"

namespace pelorin::e2e {
namespace {

// wine's picker does not select a folder below a drive's first level by path,
// so the backup goes to the drive's root and the driver folder sits just below.
constexpr char kBackupTop[] = "C:\\";
constexpr char kDriverRow[] = "千兆以太网控制器";

class DemoRestoreTest : public MainWindowTest {
 protected:
  // Presses Restore and picks `folder`; the box that follows, or null.
  HWND RestoreFrom(const std::string& folder, const char* screenshot) {
    if (!PressButton(dialog, 1005)) return nullptr;
    HWND picker = WaitForWindow(app.Id(), "#32770", "浏览文件夹", kStepTimeout);
    if (!picker) return nullptr;
    EXPECT_EQ(ItemText(picker, 14146), "请指定包含你的备份文件的文件夹");
    if (screenshot) SaveScreenshot(picker, screenshot);
    if (!ChooseFolder(picker, folder) || !WaitUntil([&] { return !IsWindow(picker); }, kStepTimeout)) return nullptr;
    // A box of the program's title other than the main dialog, which bears it too.
    return WaitForMessageBox(app.Id(), "Pelorin", kInstallTimeout, dialog);
  }
};

TEST_F(DemoRestoreTest, BackedUpDriverIsReinstalledAndTheTopFolderIsRefused) {
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

  const std::string driverFolder = std::string(kBackupTop) + kDriverRow;
  ASSERT_TRUE(Win32Scratch::Exists(driverFolder + "\\taskinfo.ini")) << "the backup left no manifest";
  HWND outcome = RestoreFrom(driverFolder, "restore_picker");
  ASSERT_NE(outcome, nullptr) << "no outcome box";
  // wine's driver update reports success for every package it is given.
  EXPECT_EQ(MessageBoxText(outcome), "安装成功！");
  EXPECT_TRUE(SaveScreenshot(outcome, "restore_outcome"));
  ASSERT_TRUE(Dismiss(outcome, IDOK));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, 1014) == "共找到" + std::to_string(rows) + "个驱动"; },
                        kStepTimeout))
      << ItemText(dialog, 1014);
  EXPECT_EQ(ListItemCount(list), rows);

  HWND refused = RestoreFrom(kBackupTop, nullptr);
  ASSERT_NE(refused, nullptr) << "no box for the top folder";
  EXPECT_EQ(MessageBoxText(refused), std::string("在文件夹'") + kBackupTop + "'中未能找到驱动程序备份文件");
  EXPECT_TRUE(SaveScreenshot(refused, "restore_not_found"));
  ASSERT_TRUE(Dismiss(refused, IDOK));
}

}  // namespace
}  // namespace pelorin::e2e
