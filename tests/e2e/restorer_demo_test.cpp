// The self-extracting backup on the demo machine, as a person makes and uses
// it: pelorin.exe writes one with two drivers of one class and one of another,
// then the restorer it carries unpacks itself, shows the drivers by class,
// ticks them all with one click, installs the ticked drivers and cleans up on
// leaving. The same restorer flow then runs on the backup that the
// command-line edition wrote on Linux from the same demo data.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "MainWindowTest.h"

namespace pelorin::e2e {
namespace {

// wine's picker selects a drive's first-level folders only.
constexpr char kTarget[] = "C:\\e2e_sfx_backup";
constexpr char kSystemClass[] = "System devices";
constexpr char kSmbus[] = "Acme Chipset SMBus Controller";
constexpr char kPciBus[] = "PCI Bus";
constexpr char kNetClass[] = "网络适配器";
constexpr char kNic[] = "千兆以太网控制器";

constexpr char kInstallFailed[] = "无法正常恢复安装此驱动，请检查设备管理器列表中是否存在此设备及设备硬件连接情况！";
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(192, 192, 192);
constexpr COLORREF kRed = RGB(255, 0, 0);

std::string TempFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return temp;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteText(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

// The restorer's tree: its items depth first with their depth (0 the computer,
// 1 a class, 2 a driver).
struct TreeLine {
  HTREEITEM item;
  int depth;
  std::string text;
};

void CollectLines(HWND tree, HTREEITEM first, int depth, std::vector<TreeLine>& lines) {
  for (HTREEITEM item = first; item; item = TreeNextItem(tree, item, TVGN_NEXT)) {
    lines.push_back({item, depth, TreeItemText(tree, item)});
    CollectLines(tree, TreeNextItem(tree, item, TVGN_CHILD), depth + 1, lines);
  }
}

std::vector<TreeLine> TreeLines(HWND tree) {
  std::vector<TreeLine> lines;
  CollectLines(tree, TreeNextItem(tree, nullptr, TVGN_ROOT), 0, lines);
  return lines;
}

// The restorer, started from a self-extracting backup and driven through its
// window.
class Restorer {
 public:
  bool Start(const std::string& exe) {
    if (!app.Start(exe)) return false;
    dialog = WaitForWindow(app.Id(), "#32770", "驱动恢复", kWindowTimeout);
    tree = dialog ? GetDlgItem(dialog, 1027) : nullptr;
    if (!tree) return false;
    for (const TreeLine& line : TreeLines(tree)) items.push_back(line.item);
    return true;
  }
  // Its private unpack folder below the temporary folder: a fresh name each
  // run, the newest of its kind.
  std::string Folder() const {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((TempFolder() + "pelorin_restore_*").c_str(), &data);
    std::string newest;
    FILETIME newestTime = {};
    if (find == INVALID_HANDLE_VALUE) return newest;
    do {
      if (CompareFileTime(&data.ftCreationTime, &newestTime) >= 0) {
        newestTime = data.ftCreationTime;
        newest = TempFolder() + data.cFileName;
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return newest;
  }

  // The state images of every item, in tree order.
  std::vector<int> States() const {
    std::vector<int> states;
    for (HTREEITEM item : items) states.push_back(TreeItemStateImage(tree, item));
    return states;
  }
  bool WaitForStates(const std::vector<int>& expected) const {
    return WaitUntil([&] { return States() == expected; }, kStepTimeout);
  }

  // Which of the three colours the screen shows the item's text in: the one of
  // them whose pixels are there while the other two's are not. The colour is
  // the program's own drawing and shows nowhere but on the screen.
  COLORREF TextColour(HTREEITEM item) const {
    RECT text;
    if (!TreeItemRect(tree, item, true, &text)) return CLR_NONE;
    COLORREF seen = CLR_NONE;
    for (COLORREF colour : {kBlue, kGrey, kRed}) {
      if (CountScreenPixels(tree, text, colour) > 0) {
        if (seen != CLR_NONE) return CLR_INVALID;
        seen = colour;
      }
    }
    return seen;
  }
  // The item's text colour once it is `expected` or, after a while, as it is
  // then: a box just closed may not have been painted over yet.
  COLORREF WaitForTextColour(HTREEITEM item, COLORREF expected) const {
    COLORREF seen = CLR_NONE;
    WaitUntil([&] { return (seen = TextColour(item)) == expected; }, kStepTimeout);
    return seen;
  }

  AppProcess app;
  HWND dialog = nullptr;
  HWND tree = nullptr;
  std::vector<HTREEITEM> items;
};

// Item indexes of the restorer's tree for the demo backup.
enum { kRoot, kSystem, kSmbusItem, kPciItem, kNet, kNicItem };

// The whole restorer flow on the backup `exe`; screenshots are named after
// `shots`. With `smbusInfGone` the SMBus controller's INF is taken from the
// unpack folder before the restore, so that its install fails.
void RestoreWith(const std::string& exe, const std::string& shots, bool smbusInfGone) {
  Restorer r;
  ASSERT_TRUE(r.Start(exe)) << "the restorer's window did not appear for " << exe;
  const std::string folder = r.Folder();
  EXPECT_TRUE(Exists(folder + "\\taskinfo.ini") && Exists(folder + "\\treeinfo.ini") &&
              Exists(folder + "\\" + kNic + "\\oem1.inf") && Exists(folder + "\\PCI Bus\\machine.inf"))
      << "not unpacked into " << folder;

  // The computer, then the classes and drivers of the backup in row order.
  char computer[256] = {};
  DWORD length = sizeof computer;
  ASSERT_TRUE(GetComputerNameA(computer, &length));
  const std::vector<TreeLine> lines = TreeLines(r.tree);
  std::vector<std::pair<int, std::string>> shown;
  for (const TreeLine& line : lines) shown.emplace_back(line.depth, line.text);
  ASSERT_EQ(shown, (std::vector<std::pair<int, std::string>>{
                       {0, computer}, {1, kSystemClass}, {2, kSmbus}, {2, kPciBus}, {1, kNetClass}, {2, kNic}}));
  for (int i : {kRoot, kSystem, kNet}) EXPECT_TRUE(TreeItemState(r.tree, r.items[i]) & TVIS_BOLD) << shown[i].second;
  for (int i : {kSmbusItem, kPciItem, kNicItem})
    EXPECT_FALSE(TreeItemState(r.tree, r.items[i]) & TVIS_BOLD) << shown[i].second;
  EXPECT_TRUE(TreeItemState(r.tree, r.items[kRoot]) & TVIS_EXPANDED);
  EXPECT_EQ(r.States(), (std::vector<int>{1, 1, 1, 1, 1, 1}));

  // The first driver is selected and shown; every driver waits to be installed.
  EXPECT_EQ(TreeNextItem(r.tree, nullptr, TVGN_CARET), r.items[kSmbusItem]);
  EXPECT_EQ(ItemText(r.dialog, 1020), kSmbus);
  EXPECT_EQ(ItemText(r.dialog, 1018), kSystemClass);
  EXPECT_EQ(ItemText(r.dialog, 1022), "oem6.inf");
  EXPECT_EQ(ItemText(r.dialog, 1023), "Acme Chipset");
  EXPECT_EQ(ItemText(r.dialog, 1016), "准备安装!");
  // Hardware IDs hold "&" (PCI\VEN_x&DEV_y): the details show it, not a mnemonic.
  for (int id : {1018, 1020, 1021, 1022, 1023, 1024, 1025})
    EXPECT_TRUE(Style(GetDlgItem(r.dialog, id)) & SS_NOPREFIX) << id;
  for (int i : {kSmbusItem, kPciItem}) EXPECT_EQ(r.WaitForTextColour(r.items[i], kBlue), kBlue) << shown[i].second;
  EXPECT_TRUE(SaveScreenshot(r.dialog, ArtifactPath(shots + "_start")));

  // The other class opens with its button; the ticked computer ticks every
  // driver (the propagation rules themselves: tick_tree_test.cpp).
  ASSERT_TRUE(ClickTreeButton(r.tree, r.items[kNet]));
  ASSERT_TRUE(WaitUntil([&] { return TreeItemState(r.tree, r.items[kNet]) & TVIS_EXPANDED; }, kStepTimeout));
  ASSERT_TRUE(ClickTreeStateIcon(r.tree, r.items[kRoot]));
  EXPECT_TRUE(r.WaitForStates({3, 3, 3, 3, 3, 3})) << ::testing::PrintToString(r.States());
  EXPECT_TRUE(SaveScreenshot(r.dialog, ArtifactPath(shots + "_all_ticked")));

  if (smbusInfGone) {
    ASSERT_TRUE(DeleteFileA((folder + "\\" + kSmbus + "\\oem6.inf").c_str()));
  }

  // Restore: a confirmation, then the ticked drivers one by one.
  ASSERT_TRUE(PressButton(r.dialog, 1013));
  HWND confirm = WaitForMessageBox(r.app.Id(), "提示信息", kStepTimeout);
  ASSERT_NE(confirm, nullptr) << "no confirmation";
  EXPECT_EQ(MessageBoxText(confirm), "您确定要恢复此驱动程序吗?");
  ASSERT_TRUE(Dismiss(confirm, IDYES));
  // A failed install says so in a box of its own, shown while that driver's
  // details are up.
  std::vector<std::string> failed;
  std::string last;
  for (;;) {
    HWND box = WaitForMessageBox(r.app.Id(), "驱动恢复", kInstallTimeout, r.dialog);
    ASSERT_NE(box, nullptr) << "the restore ended without its closing box";
    last = MessageBoxText(box);
    if (last != kInstallFailed) {
      SaveScreenshot(r.dialog, ArtifactPath(shots + "_restored"));
      ASSERT_TRUE(Dismiss(box, IDOK));
      break;
    }
    failed.push_back(ItemText(r.dialog, 1020));
    SaveScreenshot(box, ArtifactPath(shots + "_install_failed"));
    ASSERT_TRUE(Dismiss(box, IDOK));
  }
  EXPECT_EQ(last, "安装完毕!");
  EXPECT_EQ(ItemText(r.dialog, 1016), "安装完毕!");
  EXPECT_TRUE(WaitUntil([&] { return IsEnabled(r.dialog, 1013); }, kStepTimeout));

  // wine's driver update reports success for every package it is given, even
  // the SMBus controller's, whose registration names no hardware ID: only a
  // missing INF makes an install fail here.
  EXPECT_EQ(failed, smbusInfGone ? std::vector<std::string>{kSmbus} : std::vector<std::string>{});
  const COLORREF smbusColour = smbusInfGone ? kRed : kGrey;
  EXPECT_EQ(r.WaitForTextColour(r.items[kSmbusItem], smbusColour), smbusColour);
  EXPECT_EQ(r.WaitForTextColour(r.items[kPciItem], kGrey), kGrey);
  EXPECT_EQ(r.WaitForTextColour(r.items[kNicItem], kGrey), kGrey);
  EXPECT_EQ(r.WaitForTextColour(r.items[kSystem], kBlue), kBlue);

  // A driver installed before says so when it is selected.
  ASSERT_TRUE(ClickTreeItemText(r.tree, r.items[kSystem]));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(r.dialog, 1016) == "准备安装!"; }, kStepTimeout));
  ASSERT_TRUE(ClickTreeItemText(r.tree, r.items[kNicItem]));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(r.dialog, 1020) == kNic; }, kStepTimeout));
  EXPECT_EQ(ItemText(r.dialog, 1016), "安装完毕!");
  EXPECT_EQ(ItemText(r.dialog, 1021), "pci\\ven_10ec&dev_8168");
  EXPECT_TRUE(SaveScreenshot(r.dialog, ArtifactPath(shots + "_installed_selected")));

  // Exit removes what was unpacked and, after a restore, offers a restart.
  ASSERT_TRUE(PressButton(r.dialog, 1030));
  HWND restart = WaitForMessageBox(r.app.Id(), "提示信息", kStepTimeout);
  ASSERT_NE(restart, nullptr) << "no restart question";
  EXPECT_EQ(MessageBoxText(restart), "您确定要重启计算机吗?");
  EXPECT_TRUE(SaveScreenshot(restart, ArtifactPath(shots + "_restart_question")));
  ASSERT_TRUE(Dismiss(restart, IDNO));
  EXPECT_EQ(r.app.Wait(kStepTimeout), 0) << "the restorer did not end";
  EXPECT_FALSE(Exists(folder + "\\taskinfo.ini"));
  EXPECT_FALSE(Exists(folder + "\\treeinfo.ini"));
  EXPECT_FALSE(Exists(folder)) << "the driver files stayed behind";
}

class DemoRestorerTest : public MainWindowTest {};

TEST_F(DemoRestorerTest, BackupMadeByThePrograms) {
  // A folder of the test's own, emptied; manifests planted in the temporary
  // folder must neither leak into the backup nor be touched: the run writes
  // its own into a private folder of its own.
  const std::string output = std::string(kTarget) + "\\pelorin.exe";
  CreateDirectoryA(kTarget, nullptr);
  DeleteFileA(output.c_str());
  const std::string temp = TempFolder();
  WriteText(temp + "taskinfo.ini", "[Stale]\r\n硬件ID=stale\r\n");
  WriteText(temp + "treeinfo.ini", "[Stale]\r\nStale driver=1\r\n");

  ASSERT_TRUE(SelectComboEntry(dialog, 1015, 0));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, 1015) == "EXE自安装类型"; }, kStepTimeout));
  ASSERT_TRUE(SelectComboEntry(dialog, 1003, 0));
  ASSERT_TRUE(WaitUntil([&] { return ListItemCount(list) == 9; }, kStepTimeout));
  for (const char* driver : {kSmbus, kPciBus, kNic}) {
    const int row = RowOf(driver);
    ASSERT_GE(row, 0) << driver << " is not listed";
    ASSERT_TRUE(SetListItemTicked(list, row, true));
  }
  ASSERT_EQ(BackUpInto(kTarget, "restorer_backup_done"), "已经成功备份了在列表框中勾选的驱动程序!");
  EXPECT_EQ(ItemText(dialog, 1014), "共找到9个驱动");
  // The restorer is driven with real clicks: the main window must not lie over it.
  ExitProgram();
  ASSERT_TRUE(Exists(output)) << "no " << output;
  EXPECT_TRUE(Exists(temp + "taskinfo.ini") && Exists(temp + "treeinfo.ini")) << "the run removed files in " << temp;

  RestoreWith(output, "restorer_program", true);
}

// The command-line edition's backup needs no pelorin.exe beside the restorer.
TEST(DemoRestorerCliTest, BackupMadeByTheCommandLineEdition) {
  const std::string output = std::string(PELORIN_BUILD_DIR) + "\\artifacts\\cli_sfx_backup\\pelorin.exe";
  if (!Exists(output))
    GTEST_SKIP() << output << " is missing: the native preset's command-line edition is not built";
  RestoreWith(output, "restorer_cli", false);
}

}  // namespace
}  // namespace pelorin::e2e
