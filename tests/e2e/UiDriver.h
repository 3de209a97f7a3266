#pragma once
// Drives a running program from another process, as a person at the machine
// would: finds its windows, reads and presses controls, answers message boxes,
// takes screenshots. Windows only (runs under wine in the tests). Below it the
// fixture that starts pelorin.exe.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "TestPaths.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin::e2e {

using testing::Win32Scratch;

// A program started for a test; killed on destruction if it still runs.
class AppProcess {
 public:
  AppProcess() = default;
  ~AppProcess();
  AppProcess(const AppProcess&) = delete;
  AppProcess& operator=(const AppProcess&) = delete;

  bool Start(const std::string& exe);
  // Waits for the program to end; returns its exit code, or -1 on time-out.
  int Wait(DWORD timeoutMs);
  bool Running() const { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
  DWORD Id() const { return pi_.dwProcessId; }

 private:
  PROCESS_INFORMATION pi_ = {};
};

// Polls `condition` every 50 ms until it holds or `timeoutMs` passes.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount();; Sleep(50)) {
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
  }
}

// The visible dialog or message box of `app` with the title given, other than
// `except` (a dialog that bears the same caption); nullptr once the program has
// ended or `timeoutMs` has passed.
HWND WaitForWindow(const AppProcess& app, const char* title, DWORD timeoutMs, HWND except = nullptr);

std::string ItemText(HWND dialog, int id);
inline std::string MessageBoxText(HWND box) { return ItemText(box, 0xFFFF); }
inline DWORD Style(HWND window) { return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)); }
inline bool IsEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
inline bool IsVisible(HWND dialog, int id) { return (Style(GetDlgItem(dialog, id)) & WS_VISIBLE) != 0; }
// Presses a button the way a click does (BN_CLICKED posted to its parent), so a
// modal box that the handler opens does not block the caller.
bool PressButton(HWND dialog, int id);
// Presses `button` of a message box or dialog and waits until it is gone.
bool Dismiss(HWND box, int button);
// Selects `path` (a path inside the prefix, such as "C:\") in the shell's
// folder picker and presses OK.
bool ChooseFolder(HWND picker, const std::string& path);

inline int ListItemCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
std::string ListItemText(HWND list, int row, int column);
bool TickListItem(HWND list, int row);

// A tree view's items depth first, those below `parent` (nullptr: all) from
// `depth` on.
struct TreeLine {
  HTREEITEM item;
  int depth;
  std::string text;
};
std::vector<TreeLine> TreeLines(HWND tree, HTREEITEM parent = nullptr, int depth = 0);
// Clicks the item's state icon (its check box) with the mouse.
bool ClickTreeStateIcon(HWND tree, HTREEITEM item);
// How many pixels of the item's text the screen shows in exactly `colour`.
int TreeTextPixels(HWND tree, HTREEITEM item, COLORREF colour);

// Saves what the screen shows of `window` as <build>\artifacts\e2e\<name>.bmp
// (made PNG files after the suite).
bool SaveScreenshot(HWND window, const std::string& name);

// The files below `folder`, by path relative to it, with their bytes.
std::map<std::string, std::string> FilesBelow(const std::string& folder);

// A window's first appearance waits for the program's start, which a loaded
// machine has stretched beyond 30 s.
constexpr DWORD kWindowTimeout = 120000;
constexpr DWORD kStepTimeout = 10000;
// An install waits for the device services.
constexpr DWORD kInstallTimeout = 60000;
constexpr char kBackupDone[] = "已经成功备份了在列表框中勾选的驱动程序!";

// pelorin.exe started for a test: its main dialog found, the list filled; Exit
// pressed afterwards and the program expected to end cleanly.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.Start(std::string(PELORIN_BUILD_DIR) + "\\src\\app\\pelorin.exe"));
    dialog = WaitForWindow(app, "Pelorin", kWindowTimeout);
    ASSERT_NE(dialog, nullptr) << "the main dialog did not appear";
    list = GetDlgItem(dialog, 1000);
    ASSERT_TRUE(WaitUntil([&] { return ListItemCount(list) > 0; }, kStepTimeout)) << "the list stays empty";
  }

  void TearDown() override { ExitProgram(); }

  void ExitProgram() {
    if (dialog && IsWindow(dialog)) {
      PressButton(dialog, 2);
      EXPECT_EQ(app.Wait(kStepTimeout), 0) << "Exit did not end the program";
    }
    dialog = nullptr;
  }

  // Ticks the rows of `drivers`, presses Backup, picks `folder` in the shell's
  // picker and returns the result box's text; the dialog and the box are
  // saved as `screenshot` and `screenshot`_box.
  std::string BackUpInto(const std::string& folder, std::initializer_list<const char*> drivers,
                         const std::string& screenshot) {
    for (const char* driver : drivers) {
      int row = ListItemCount(list) - 1;
      while (row >= 0 && ListItemText(list, row, 0) != driver) --row;
      if (row < 0 || !TickListItem(list, row)) return std::string("<not listed: ") + driver + ">";
    }
    if (!PressButton(dialog, 1004)) return "<Backup not pressed>";
    HWND picker = WaitForWindow(app, "保存到文件夹", kStepTimeout);
    if (!picker || !ChooseFolder(picker, folder)) return "<folder not chosen>";
    HWND box = WaitForWindow(app, "提示信息", kWindowTimeout);
    if (!box) return "<no result box>";
    const std::string text = MessageBoxText(box);
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog) << "the result box's owner";
    SaveScreenshot(dialog, screenshot);
    SaveScreenshot(box, screenshot + "_box");
    Dismiss(box, IDOK);
    // The run is over once the bar is hidden and the buttons are free again.
    EXPECT_TRUE(WaitUntil([&] { return !IsVisible(dialog, 1013) && IsEnabled(dialog, 1004); }, kStepTimeout));
    return text;
  }

  AppProcess app;
  HWND dialog = nullptr;
  HWND list = nullptr;
};

}  // namespace pelorin::e2e
