#pragma once
// Drives a running program from another process, as a person at the machine
// would: finds its windows, reads and presses controls, answers message boxes,
// takes screenshots. Windows only (runs under wine in the tests).
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

namespace pelorin::e2e {

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

// The visible top-level window of `app` with the class and title given, other
// than `except` (a dialog that bears the same caption); nullptr once the
// program has ended or `timeoutMs` has passed.
HWND WaitForWindow(const AppProcess& app, const char* className, const char* title, DWORD timeoutMs,
                   HWND except = nullptr);
inline HWND WaitForMessageBox(const AppProcess& app, const char* caption, DWORD timeoutMs, HWND except = nullptr) {
  return WaitForWindow(app, "#32770", caption, timeoutMs, except);
}

std::string WindowText(HWND window);
inline std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }
inline std::string MessageBoxText(HWND box) { return ItemText(box, 0xFFFF); }
inline DWORD Style(HWND window) { return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)); }
inline bool IsEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
inline bool IsVisible(HWND dialog, int id) { return (Style(GetDlgItem(dialog, id)) & WS_VISIBLE) != 0; }
// Presses a button the way a click does (BN_CLICKED posted to its parent), so a
// modal box that the handler opens does not block the caller.
bool PressButton(HWND dialog, int id);
// Presses `button` of a message box or dialog and waits until it is gone.
bool Dismiss(HWND box, int button);
// Selects entry `index` of a combo box and tells its dialog, as a choice in
// the drop-down does (CB_SETCURSEL alone sends no notification).
bool SelectComboEntry(HWND dialog, int comboId, int index);
// Selects `path` (a path inside the prefix, such as "C:\") in the shell's
// folder picker and presses OK.
bool ChooseFolder(HWND picker, const std::string& path);

inline int ListItemCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
std::string ListItemText(HWND list, int row, int column);
bool TickListItem(HWND list, int row);

// A tree view's items depth first (0 the root).
struct TreeLine {
  HTREEITEM item;
  int depth;
  std::string text;
};
std::vector<TreeLine> TreeLines(HWND tree);
// Clicks the item's state icon (its check box) with the mouse.
bool ClickTreeStateIcon(HWND tree, HTREEITEM item);
// How many pixels of the item's text the screen shows in exactly `colour`.
int TreeTextPixels(HWND tree, HTREEITEM item, COLORREF colour);

// Saves what the screen shows of `window` as <build>\artifacts\e2e\<name>.bmp
// (made PNG files after the suite).
bool SaveScreenshot(HWND window, const std::string& name);

// The files below `folder`, by path relative to it, with their bytes.
std::map<std::string, std::string> FilesBelow(const std::string& folder);

}  // namespace pelorin::e2e
