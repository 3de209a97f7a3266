// Restore on the demo machine, as a person does it: back a driver up with
// pelorin.exe, press Restore, pick that driver's folder in the shell's picker
// and read the outcome; pick the backup's top folder and read why nothing
// happened.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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
    EXPECT_NE(picker, nullptr) << "no folder picker";
    if (!picker) return nullptr;
    EXPECT_EQ(ItemText(picker, 14146), "请指定包含你的备份文件的文件夹");
    if (screenshot) SaveScreenshot(picker, ArtifactPath(screenshot));
    if (!ChooseFolder(picker, folder) || !WaitForWindowGone(picker, kStepTimeout)) return nullptr;
    // A box of the program's title other than the main dialog, which bears it too.
    return WaitForMessageBox(app.Id(), "Pelorin", kInstallTimeout, dialog);
  }
};

TEST_F(DemoRestoreTest, BackedUpDriverIsReinstalledAndTheTopFolderIsRefused) {
  const int rows = ListItemCount(list);
  const int row = RowOf(kDriverRow);
  ASSERT_GE(row, 0) << "the demo driver is not listed";
  ASSERT_TRUE(SetListItemTicked(list, row, true));

  ASSERT_EQ(BackUpInto(kBackupTop, "restore_backup_done"), "已经成功备份了在列表框中勾选的驱动程序!");
  ASSERT_TRUE(WaitUntil([&] { return IsEnabled(dialog, 1005); }, kStepTimeout));

  const std::string driverFolder = std::string(kBackupTop) + kDriverRow;
  ASSERT_NE(GetFileAttributesA((driverFolder + "\\taskinfo.ini").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the backup left no manifest";
  HWND outcome = RestoreFrom(driverFolder, "restore_picker");
  ASSERT_NE(outcome, nullptr) << "no outcome box";
  // wine's driver update reports success for every package it is given.
  EXPECT_EQ(MessageBoxText(outcome), "安装成功！");
  EXPECT_TRUE(SaveScreenshot(outcome, ArtifactPath("restore_outcome")));
  ASSERT_TRUE(Dismiss(outcome, IDOK));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, 1014) == "共找到" + std::to_string(rows) + "个驱动"; },
                        kStepTimeout))
      << ItemText(dialog, 1014);
  EXPECT_EQ(ListItemCount(list), rows);

  HWND refused = RestoreFrom(kBackupTop, nullptr);
  ASSERT_NE(refused, nullptr) << "no box for the top folder";
  EXPECT_EQ(MessageBoxText(refused), std::string("在文件夹'") + kBackupTop + "'中未能找到驱动程序备份文件");
  EXPECT_TRUE(SaveScreenshot(refused, ArtifactPath("restore_not_found")));
  ASSERT_TRUE(Dismiss(refused, IDOK));
}

}  // namespace
}  // namespace pelorin::e2e
