// The main window on the demo machine (a prefix seeded from demo/), driven as a
// person would: the window at start-up (the dialog's rules one by one:
// main_dlg_logic_test.cpp), a driver backed up and restored from its folder; a
// folder backup of two drivers, compared with the command-line edition's backup
// of them made on Linux from the same demo data (copies, their sources and
// attributes, a second run over read-only copies: the native and differential tests).
#include "UiDriver.h"

namespace pelorin::e2e {
namespace {

using DemoMainWindowTest = MainWindowTest;

TEST_F(DemoMainWindowTest, StartUpShowsDriversNotOnDiscNewestFirstAndABackedUpDriverIsReinstalled) {
  std::vector<std::string> rows;
  int ticked = 0;
  for (int row = 0; row < ListItemCount(list); ++row) {
    rows.push_back(ListItemText(list, row, 0));
    ticked += (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) ==
              INDEXTOSTATEIMAGEMASK(2);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"Acme Chipset SMBus Controller", "千兆以太网控制器", "TouchPad Pro",
                                            "Harmony HD Audio", "Acme Graphics 3D",
                                            "Acme USB 3.0 eXtensible Host Controller"}));
  EXPECT_EQ(ticked, 0);
  EXPECT_EQ(ListItemText(list, 1, 1) + "|" + ListItemText(list, 1, 2) + "|" + ListItemText(list, 1, 5),
            "网络适配器|Realtech Semiconductor|oem1.inf");
  EXPECT_FALSE(IsVisible(dialog, 1013)) << "the progress bar shows at start";
  // The status line names driver folders, which may hold "&".
  EXPECT_TRUE(Style(GetDlgItem(dialog, 1014)) & SS_NOPREFIX);
  EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & 0x425, 0x425);
  EXPECT_TRUE(SaveScreenshot(dialog, "mainwin_startup"));

  BOOL wow64 = FALSE;  // a 32-bit pelorin.exe (as this test) on 64-bit Windows cannot install
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
    ASSERT_TRUE(PressButton(dialog, 1005));
    HWND box = WaitForWindow(app, "Pelorin", kStepTimeout, dialog);
    ASSERT_NE(box, nullptr) << "no box under WOW64";
    EXPECT_EQ(MessageBoxText(box),
              "这是32位的Pelorin，无法在64位Windows上安装驱动程序。请使用64位的Pelorin（pelorin-x64.exe）恢复驱动。");
    EXPECT_TRUE(SaveScreenshot(box, "restore_wow64"));
    ASSERT_TRUE(Dismiss(box, IDOK));
    EXPECT_EQ(FindWindowA("#32770", "浏览文件夹"), nullptr) << "a picker under WOW64";
    return;
  }
  // wine's picker does not select a folder below a drive's first level by
  // path, so the backup goes to the drive's root.
  ASSERT_EQ(BackUpInto("C:\\", {"千兆以太网控制器"}, "restore_backup_done"), kBackupDone);
  ASSERT_TRUE(PressButton(dialog, 1005));
  HWND picker = WaitForWindow(app, "浏览文件夹", kStepTimeout);
  ASSERT_NE(picker, nullptr) << "no folder picker";
  SaveScreenshot(picker, "restore_picker");
  ASSERT_TRUE(ChooseFolder(picker, "C:\\千兆以太网控制器"));
  // A box of the program's title other than the main dialog, which bears it too.
  HWND outcome = WaitForWindow(app, "Pelorin", kInstallTimeout, dialog);
  ASSERT_NE(outcome, nullptr) << "no outcome box";
  // wine's driver update reports success for every package it is given.
  EXPECT_EQ(MessageBoxText(outcome), "安装成功！");
  EXPECT_TRUE(SaveScreenshot(outcome, "restore_outcome"));
  ASSERT_TRUE(Dismiss(outcome, IDOK));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, 1014) == "共找到" + std::to_string(rows.size()) + "个驱动"; },
                        kStepTimeout))
      << ItemText(dialog, 1014);
}

// wine's picker selects a drive's first-level folders only.
constexpr char kTarget[] = "C:\\e2e_folder_backup";
const std::vector<std::string> kDrivers = {"千兆以太网控制器", "Acme Graphics 3D"};

TEST_F(DemoMainWindowTest, FolderBackupLandsAsTheCommandLineEditionWritesIt) {
  Win32Scratch::RemoveTree(kTarget);
  ASSERT_TRUE(CreateDirectoryA(kTarget, nullptr));
  ASSERT_EQ(BackUpInto(kTarget, {kDrivers[0].c_str(), kDrivers[1].c_str()}, "folder_backup"), kBackupDone);

  const std::string cli = std::string(PELORIN_BUILD_DIR) + "\\artifacts\\cli_folder_backup";
  for (const std::string& driver : kDrivers) {
    std::map<std::string, std::string> got = FilesBelow(std::string(kTarget) + "\\" + driver);
    std::string& text = got["taskinfo.ini"];
    ASSERT_FALSE(text.empty()) << driver << ": no manifest";
    // The graphics driver's from the driver store, as the package spells it.
    EXPECT_EQ(got.count("iAlmCoIn.dll"), driver == kDrivers[1] ? 1u : 0u) << driver;
    // The same files and the same manifests but for their folder.
    for (std::size_t at = text.find(kTarget); at != std::string::npos; at = text.find(kTarget, at + cli.size()))
      text.replace(at, sizeof kTarget - 1, cli);
    if (Win32Scratch::Exists(cli)) {
      EXPECT_EQ(got, FilesBelow(cli + "\\" + driver)) << driver;
    }
  }
  if (!Win32Scratch::Exists(cli))
    GTEST_SKIP() << "not compared with the command-line edition: " << cli << " is missing (build the native preset first)";
}

}  // namespace
}  // namespace pelorin::e2e
