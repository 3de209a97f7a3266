// The self-extracting backup on the demo machine, as a person makes and uses
// it: pelorin.exe writes one with three drivers of three classes, two of them
// modern packages that each hold their own WdfCoInstaller01011.dll; its
// restorer unpacks itself, shows the drivers by class, ticks them all with one
// click on the computer, installs each from its own folder and cleans up on
// leaving. The same restorer flow then runs on the command-line edition's
// backup, written on Linux from the same demo data.
#include "UiDriver.h"

namespace pelorin::e2e {
namespace {

// wine's picker selects a drive's first-level folders only.
constexpr char kTarget[] = "C:\\e2e_sfx_backup";
constexpr char kNic[] = "千兆以太网控制器";
constexpr char kGfx[] = "Acme Graphics 3D";
constexpr char kXhci[] = "Acme USB 3.0 eXtensible Host Controller";
constexpr char kInstallFailed[] = "无法正常恢复安装此驱动，请检查设备管理器列表中是否存在此设备及设备硬件连接情况！";
constexpr COLORREF kBlue = RGB(0, 0, 255), kGrey = RGB(192, 192, 192), kRed = RGB(255, 0, 0);
// Item indexes of the restorer's tree for the demo backup.
enum { kRoot, kNet, kNicItem, kDisplay, kGfxItem, kUsb, kXhciItem };

// The restorer's private unpack folder: a fresh name each run, the newest of its kind.
std::string NewestUnpackFolder() {
  const std::string temp = Win32Scratch::TempFolder();
  std::string newest;
  FILETIME newestTime = {};
  Win32Scratch::ForEachEntry(temp + "pelorin_restore_*", [&](const std::string& name, const WIN32_FIND_DATAA& data) {
    if (CompareFileTime(&data.ftCreationTime, &newestTime) < 0) return;
    newestTime = data.ftCreationTime;
    newest = temp + name;
  });
  return newest;
}

// Which of the three colours the screen shows the item's text in (CLR_NONE for
// none or several), once it is `expected` or, after a while, as it is then (a
// box just closed may not have been painted over yet). The colour is the
// program's own drawing and shows nowhere but on the screen.
COLORREF TextColour(HWND tree, HTREEITEM item, COLORREF expected) {
  COLORREF seen = CLR_NONE;
  WaitUntil([&] {
    int kinds = 0;
    for (COLORREF colour : {kBlue, kGrey, kRed})
      if (TreeTextPixels(tree, item, colour) > 0) ++kinds, seen = colour;
    if (kinds != 1) seen = CLR_NONE;
    return seen == expected;
  }, kStepTimeout);
  return seen;
}

// The demo seeds only the network controller's hardware: the two packages'
// devices are plugged in here, so that their installs reach the driver update.
void PlugInPackageDevices() {
  for (const auto& [id, cls] : {std::make_pair("PCI\\VEN_8086&DEV_9B41", "{4d36e968-e325-11ce-bfc1-08002be10318}"),
                                std::make_pair("PCI\\VEN_1B21&DEV_1242", "{36fc9e60-c465-11cf-8056-444553540000}")}) {
    const std::string key = std::string("SYSTEM\\CurrentControlSet\\Enum\\") + id + "\\3&e2e&0&10";
    const std::string list = std::string(id) + std::string(2, '\0');
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), "HardwareID", REG_MULTI_SZ, list.data(),
                              static_cast<DWORD>(list.size())),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), "ClassGUID", REG_SZ, cls, 39), ERROR_SUCCESS);
  }
}

// The INF paths the restorer handed to the driver update, as wine's setupapi
// trace `trace` gives them (non-ASCII characters escaped).
std::vector<std::string> UpdatedInfPaths(const std::string& trace) {
  std::vector<std::string> paths;
  const std::string mark = "UpdateDriverForPlugAndPlayDevicesW parent", field = "inf_path L\"";
  for (std::size_t at = trace.find(mark); at != std::string::npos; at = trace.find(mark, at + 1)) {
    const std::size_t start = trace.find(field, at) + field.size();
    std::string path = trace.substr(start, trace.find('"', start) - start);
    for (std::size_t i = path.find("\\\\"); i != std::string::npos; i = path.find("\\\\", i + 1)) path.erase(i, 1);
    paths.push_back(path);
  }
  return paths;
}

// The whole restorer flow on the backup `exe`; screenshots are named after
// `shots`. With `nicInfGone` the network controller's INF is taken from the
// unpack folder before the restore, so that its install fails.
void RestoreWith(const std::string& exe, const std::string& shots, bool nicInfGone) {
  PlugInPackageDevices();
  // wine writes the trace of a program it starts to the standard error it runs
  // with itself, whatever handles the program is given: the test runner sends
  // that to a file.
  const std::string tracePath = std::string(PELORIN_BUILD_DIR) + "\\artifacts\\e2e_wine_stderr.txt";
  const std::size_t traceStart = Win32Scratch::ReadFile(tracePath).size();
  SetEnvironmentVariableA("WINEDEBUG", "trace+setupapi");
  AppProcess app;
  const bool started = app.Start(exe);
  SetEnvironmentVariableA("WINEDEBUG", "-all");
  ASSERT_TRUE(started) << exe;
  HWND dialog = WaitForWindow(app, "驱动恢复", kWindowTimeout);
  ASSERT_NE(dialog, nullptr) << "the restorer's window did not appear for " << exe;
  HWND tree = GetDlgItem(dialog, 1027);
  const std::string folder = NewestUnpackFolder();

  // Each driver in its own folder: the modern packages byte for byte at their
  // paths, the two same-named co-installers each with its own bytes.
  const std::string store = "C:\\windows\\system32\\DriverStore\\FileRepository\\";
  for (const auto& [driver, package] : {std::make_pair(kGfx, "acmegfx.inf_amd64_8d04b6e1f2c3a579"),
                                        std::make_pair(kXhci, "acmexhci.inf_amd64_3c1f8e2a9b7d4051")}) {
    const auto files = FilesBelow(store + package);
    EXPECT_GE(files.size(), 5u) << package;
    for (const auto& [path, bytes] : files)
      EXPECT_EQ(Win32Scratch::ReadFile(folder + "\\" + driver + "\\" + path), bytes) << driver << "\\" << path;
  }
  EXPECT_NE(Win32Scratch::ReadFile(folder + "\\" + kGfx + "\\WdfCoInstaller01011.dll"),
            Win32Scratch::ReadFile(folder + "\\" + kXhci + "\\x64\\WdfCoInstaller01011.dll"));

  // The computer, then the classes and drivers of the backup in row order; the
  // computer and the classes bold ("*").
  char computer[256] = {};
  DWORD length = sizeof computer;
  ASSERT_TRUE(GetComputerNameA(computer, &length));
  std::string shown;
  std::vector<HTREEITEM> items;
  for (const TreeLine& line : TreeLines(tree)) {
    shown += std::to_string(line.depth) + (TreeView_GetItemState(tree, line.item, TVIS_BOLD) ? "* " : " ");
    shown += line.text + "|";
    items.push_back(line.item);
  }
  ASSERT_EQ(shown, "0* " + std::string(computer) + "|1* 网络适配器|2 " + kNic + "|1* Display adapters|2 " + kGfx +
                       "|1* Universal Serial Bus controllers|2 " + kXhci + "|");

  // Hardware IDs hold "&" (PCI\VEN_x&DEV_y): the details show it, not a mnemonic.
  for (int id : {1018, 1020, 1021, 1022, 1023, 1024, 1025})
    EXPECT_TRUE(Style(GetDlgItem(dialog, id)) & SS_NOPREFIX) << id;
  for (int i : {kDisplay, kUsb}) TreeView_Expand(tree, items[i], TVE_EXPAND);
  for (int i : {kNicItem, kGfxItem, kXhciItem}) EXPECT_EQ(TextColour(tree, items[i], kBlue), kBlue) << i;
  EXPECT_TRUE(SaveScreenshot(dialog, shots + "_start"));

  // The ticked computer ticks every driver (which the installs below show);
  // Restore waits until the click has landed.
  ASSERT_TRUE(ClickTreeStateIcon(tree, items[kRoot]));
  EXPECT_TRUE(WaitUntil([&] {
    return TreeView_GetItemState(tree, items[kRoot], TVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(3);
  }, kStepTimeout));
  if (nicInfGone) {
    ASSERT_TRUE(DeleteFileA((folder + "\\" + kNic + "\\oem1.inf").c_str()));
  }

  // Restore: a confirmation, then the ticked drivers one by one; a failed
  // install says so in a box of its own, shown while that driver's details are up.
  ASSERT_TRUE(PressButton(dialog, 1013));
  HWND confirm = WaitForWindow(app, "提示信息", kStepTimeout);
  ASSERT_NE(confirm, nullptr) << "no confirmation";
  EXPECT_EQ(MessageBoxText(confirm), "您确定要恢复此驱动程序吗?");
  EXPECT_EQ(GetWindow(confirm, GW_OWNER), dialog) << "the confirmation's owner";
  ASSERT_TRUE(Dismiss(confirm, IDYES));
  int failed = 0;
  for (;;) {
    HWND box = WaitForWindow(app, "驱动恢复", kInstallTimeout, dialog);
    ASSERT_NE(box, nullptr) << "the restore ended without its closing box";
    const std::string text = MessageBoxText(box);
    SaveScreenshot(text == kInstallFailed ? box : dialog, shots + (text == kInstallFailed ? "_failed" : "_restored"));
    ASSERT_TRUE(Dismiss(box, IDOK));
    if (text != kInstallFailed) {
      EXPECT_EQ(text, "安装完毕!");
      break;
    }
    ++failed;
  }
  EXPECT_TRUE(WaitUntil([&] { return IsEnabled(dialog, 1013); }, kStepTimeout));
  // wine's driver update reports success for every package it is given whose
  // device is present: only a missing INF makes an install fail here.
  EXPECT_EQ(failed, nicInfGone ? 1 : 0);
  const COLORREF nicColour = nicInfGone ? kRed : kGrey;
  EXPECT_EQ(TextColour(tree, items[kNicItem], nicColour), nicColour);
  EXPECT_EQ(TextColour(tree, items[kGfxItem], kGrey), kGrey);

  // Exit removes what was unpacked and, after a restore, offers a restart.
  ASSERT_TRUE(PressButton(dialog, 1030));
  HWND restart = WaitForWindow(app, "提示信息", kStepTimeout);
  ASSERT_NE(restart, nullptr) << "no restart question";
  EXPECT_EQ(MessageBoxText(restart), "您确定要重启计算机吗?");
  ASSERT_TRUE(Dismiss(restart, IDNO));
  EXPECT_EQ(app.Wait(kStepTimeout), 0) << "the restorer did not end";
  EXPECT_FALSE(Win32Scratch::Exists(folder)) << "the driver files stayed behind";

  // Each driver was installed from its own folder (the network controller's
  // path comes first, its name escaped).
  if (!Win32Scratch::Exists(tracePath)) {
    std::printf("not checked where each driver was installed from: %s is missing\n", tracePath.c_str());
    return;
  }
  std::vector<std::string> updated = UpdatedInfPaths(Win32Scratch::ReadFile(tracePath).substr(traceStart));
  if (!nicInfGone && !updated.empty()) updated.erase(updated.begin());
  EXPECT_EQ(updated, (std::vector<std::string>{folder + "\\" + kGfx + "\\oem3.inf", folder + "\\" + kXhci + "\\oem5.inf"}))
      << "see " << tracePath;
}

class DemoRestorerTest : public MainWindowTest {};

TEST_F(DemoRestorerTest, BackupMadeByThePrograms) {
  // A folder of the test's own, emptied; manifests planted in the temporary
  // folder must neither leak into the backup nor be touched: the run writes
  // its own into a private folder of its own.
  const std::string output = std::string(kTarget) + "\\pelorin.exe";
  CreateDirectoryA(kTarget, nullptr);
  DeleteFileA(output.c_str());
  const std::string temp = Win32Scratch::TempFolder();
  Win32Scratch::WriteFile(temp + "taskinfo.ini", "[Stale]\r\n硬件ID=stale\r\n");
  Win32Scratch::WriteFile(temp + "treeinfo.ini", "[Stale]\r\nStale driver=1\r\n");

  // The self-extracting type, chosen as in the drop-down (CB_SETCURSEL alone tells nobody).
  HWND type = GetDlgItem(dialog, 1015);
  ASSERT_EQ(SendMessageA(type, CB_SETCURSEL, 0, 0), 0);
  ASSERT_TRUE(PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1015, CBN_SELCHANGE), reinterpret_cast<LPARAM>(type)));
  ASSERT_EQ(BackUpInto(kTarget, {kNic, kGfx, kXhci}, "restorer_backup_done"), kBackupDone);
  // The restorer is driven with real clicks: the main window must not lie over it.
  ExitProgram();
  ASSERT_TRUE(Win32Scratch::Exists(output)) << "no " << output;
  EXPECT_EQ(Win32Scratch::ReadFile(temp + "taskinfo.ini") + Win32Scratch::ReadFile(temp + "treeinfo.ini"),
            "[Stale]\r\n硬件ID=stale\r\n[Stale]\r\nStale driver=1\r\n")
      << "the run touched files in " << temp;

  RestoreWith(output, "restorer_program", true);
}

// The command-line edition's backup needs no pelorin.exe beside the restorer.
TEST(DemoRestorerCliTest, BackupMadeByTheCommandLineEdition) {
  const std::string output = std::string(PELORIN_BUILD_DIR) + "\\artifacts\\cli_sfx_backup\\pelorin.exe";
  if (!Win32Scratch::Exists(output))
    GTEST_SKIP() << output << " is missing: the native preset's command-line edition is not built";
  CreateDirectoryA(kTarget, nullptr);
  RestoreWith(output, "restorer_cli", false);
}

}  // namespace
}  // namespace pelorin::e2e
