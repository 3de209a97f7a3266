#pragma once
// Drives a running program from another process, as a person at the machine
// would: finds its windows, reads and presses controls, answers message boxes,
// takes screenshots. Windows only (runs under wine in the tests).
#include <windows.h>
#include <commctrl.h>

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

  bool Start(const std::string& exe, const std::string& args = "", const std::string& workdir = "");
  // Waits for the program to end; returns its exit code, or -1 on time-out.
  int Wait(DWORD timeoutMs);
  bool Running() const;
  DWORD Id() const { return pi_.dwProcessId; }

 private:
  PROCESS_INFORMATION pi_ = {};
};

// The visible top-level window of process `pid` (0: any process) with the class
// and title given (null: any), waiting up to `timeoutMs`.
HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs);
// Waits until `window` is gone.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// Presses a button the way a click does (BN_CLICKED posted to its parent), so a
// modal box that the handler opens does not block the caller.
bool PressButton(HWND dialog, int id);
// The text of a message box (static 65535).
std::string MessageBoxText(HWND box);
// The style bits of a window.
DWORD Style(HWND window);

bool IsEnabled(HWND dialog, int id);
bool IsVisible(HWND dialog, int id);

// Memory inside another process, for messages whose parameters point at
// buffers (the system does not carry those across processes). Freed on
// destruction.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND owner, std::size_t size);
  ~RemoteBuffer();
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool ok() const { return address_ != nullptr; }
  LPARAM address(std::size_t offset = 0) const {
    return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset);
  }
  bool Write(std::size_t offset, const void* data, std::size_t size);
  bool Read(std::size_t offset, void* data, std::size_t size) const;

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

// List view of another process.
int ListItemCount(HWND list);
std::string ListItemText(HWND list, int row, int column);
bool ListItemTicked(HWND list, int row);
bool SetListItemTicked(HWND list, int row, bool ticked);
// Every row's text of `column`, top first.
std::vector<std::string> ListColumnTexts(HWND list, int column);

// Tree view of another process.
// The item in `relation` (TVGN_ROOT, TVGN_CHILD, TVGN_NEXT, TVGN_CARET...) to
// `item`, or null.
HTREEITEM TreeNextItem(HWND tree, HTREEITEM item, UINT relation);
std::string TreeItemText(HWND tree, HTREEITEM item);
// The item's state bits (TVIS_*); the state image index is in bits 12 to 15.
UINT TreeItemState(HWND tree, HTREEITEM item);
int TreeItemStateImage(HWND tree, HTREEITEM item);
// The item's rectangle in the tree's client area: the whole line, or its text.
bool TreeItemRect(HWND tree, HTREEITEM item, bool textOnly, RECT* rect);
// The TVHT_* flags of a point of the tree's client area; `item` gets the item there.
UINT TreeHitTest(HWND tree, POINT point, HTREEITEM* item = nullptr);
// Clicks the item's state icon (its check box) with the mouse.
bool ClickTreeStateIcon(HWND tree, HTREEITEM item);
// Clicks the item's button (the box with + or -), which expands or collapses it.
bool ClickTreeButton(HWND tree, HTREEITEM item);
// Clicks the item's text with the mouse, which selects it.
bool ClickTreeItemText(HWND tree, HTREEITEM item);

// A left click with the mouse at a point of `window`'s client area: the pointer
// moves there and the button goes down and up. Two clicks on one spot within
// the double-click time make a double click, as they do for a person.
bool ClickAt(HWND window, POINT point);

// How many pixels of `rect` (in `window`'s client area) the screen shows in
// exactly `colour`.
int CountScreenPixels(HWND window, const RECT& rect, COLORREF colour);

// Selects entry `index` of a combo box and tells its dialog, as a choice in
// the drop-down does (CB_SETCURSEL alone sends no notification).
bool SelectComboEntry(HWND dialog, int comboId, int index);
int ComboSelection(HWND dialog, int comboId);

// Clicks a check box or button as the mouse does (state toggled, BN_CLICKED
// sent), without waiting for the handler.
bool ClickButton(HWND dialog, int id);

// Posts a system-menu command (WM_SYSCOMMAND) to `window`.
bool PostSysCommand(HWND window, UINT command);

// The message box of process `pid` with `caption`, waiting up to `timeoutMs`;
// `except` is left out of the search (a dialog that bears the same caption).
HWND WaitForMessageBox(DWORD pid, const char* caption, DWORD timeoutMs, HWND except = nullptr);
// Presses `button` of a message box or dialog and waits until it is gone.
bool Dismiss(HWND box, int button, DWORD timeoutMs = 5000);

// Selects `path` (a path inside the prefix, such as "C:\") in the shell's
// folder picker and presses OK.
bool ChooseFolder(HWND picker, const std::string& path);

// Polls `condition` every 50 ms until it holds or `timeoutMs` passes.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
}

// Saves what the screen shows of `window` as a PNG file.
bool SaveScreenshot(HWND window, const std::string& pngPath);

// Where screenshots go: <build>\artifacts\e2e\<name>.png
std::string ArtifactPath(const std::string& name);

}  // namespace pelorin::e2e
