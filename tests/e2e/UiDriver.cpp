#include "UiDriver.h"

#include <commctrl.h>
#include <shlobj.h>

#include "PngWriter.h"
#include "TestPaths.h"

namespace pelorin::e2e {

AppProcess::~AppProcess() {
  if (pi_.hProcess) {
    if (Running()) {
      TerminateProcess(pi_.hProcess, 1);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
}

bool AppProcess::Start(const std::string& exe, const std::string& args, const std::string& workdir) {
  std::string commandLine = "\"" + exe + "\"";
  if (!args.empty()) commandLine += " " + args;
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  return CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workdir.empty() ? nullptr : workdir.c_str(), &si, &pi_) != FALSE;
}

int AppProcess::Wait(DWORD timeoutMs) {
  if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(pi_.hProcess, &code);
  return static_cast<int>(code);
}

bool AppProcess::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

namespace {

struct FindRequest {
  DWORD pid;
  const char* className;
  const char* title;
  HWND except;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* request = reinterpret_cast<FindRequest*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (request->pid && pid != request->pid) return TRUE;
  if (window == request->except || !IsWindowVisible(window)) return TRUE;
  if (request->className) {
    char cls[256] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, request->className) != 0) return TRUE;
  }
  if (request->title && WindowText(window) != request->title) return TRUE;
  request->found = window;
  return FALSE;
}

HWND FindWindowExcept(DWORD pid, const char* className, const char* title, HWND except, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    FindRequest request = {pid, className, title, except, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&request));
    if (request.found) return request.found;
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(50);
  }
}

}  // namespace

HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs) {
  return FindWindowExcept(pid, className, title, nullptr, timeoutMs);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (IsWindow(window)) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  // WM_GETTEXT across processes is marshalled by the system.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, nullptr);
  return text;
}

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item ? WindowText(item) : std::string();
}

bool PressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) return false;
  return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != FALSE;
}

std::string MessageBoxText(HWND box) { return ItemText(box, 0xFFFF); }

DWORD Style(HWND window) { return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)); }

bool IsEnabled(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item && IsWindowEnabled(item);
}

bool IsVisible(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item && (Style(item) & WS_VISIBLE) != 0;
}

RemoteBuffer::RemoteBuffer(HWND owner, std::size_t size) {
  DWORD pid = 0;
  GetWindowThreadProcessId(owner, &pid);
  process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
  if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  if (process_) CloseHandle(process_);
}

bool RemoteBuffer::Write(std::size_t offset, const void* data, std::size_t size) {
  SIZE_T done = 0;
  return address_ && WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
         done == size;
}

bool RemoteBuffer::Read(std::size_t offset, void* data, std::size_t size) const {
  SIZE_T done = 0;
  return address_ && ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
         done == size;
}

int ListItemCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListItemText(HWND list, int row, int column) {
  constexpr std::size_t kText = 1024;
  RemoteBuffer remote(list, sizeof(LVITEMA) + kText);
  if (!remote.ok()) return "<no remote memory>";
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<char*>(remote.address(sizeof(LVITEMA)));
  item.cchTextMax = static_cast<int>(kText);
  remote.Write(0, &item, sizeof item);
  const auto length = static_cast<std::size_t>(SendMessageA(list, LVM_GETITEMTEXTA, row, remote.address()));
  std::string text(length < kText ? length : kText - 1, '\0');
  if (!text.empty()) remote.Read(sizeof(LVITEMA), &text[0], text.size());
  return text;
}

bool ListItemTicked(HWND list, int row) {
  const auto state = static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
  return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

bool SetListItemTicked(HWND list, int row, bool ticked) {
  RemoteBuffer remote(list, sizeof(LVITEMA));
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
  return remote.Write(0, &item, sizeof item) &&
         SendMessageA(list, LVM_SETITEMSTATE, row, remote.address()) != FALSE;
}

std::vector<std::string> ListColumnTexts(HWND list, int column) {
  std::vector<std::string> texts;
  for (int row = 0, n = ListItemCount(list); row < n; ++row) texts.push_back(ListItemText(list, row, column));
  return texts;
}

namespace {

// What the screen shows in `rect` (screen coordinates), as RGB rows, top first.
bool GrabScreen(const RECT& rect, std::vector<unsigned char>& rgb) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
    if (ok) {
      const std::size_t n = static_cast<std::size_t>(width) * height;
      rgb.resize(n * 3);
      const auto* bgra = static_cast<const unsigned char*>(bits);
      for (std::size_t i = 0; i < n; ++i) {
        rgb[i * 3 + 0] = bgra[i * 4 + 2];
        rgb[i * 3 + 1] = bgra[i * 4 + 1];
        rgb[i * 3 + 2] = bgra[i * 4 + 0];
      }
    }
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace

HTREEITEM TreeNextItem(HWND tree, HTREEITEM item, UINT relation) {
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

std::string TreeItemText(HWND tree, HTREEITEM item) {
  constexpr std::size_t kText = 1024;
  RemoteBuffer remote(tree, sizeof(TVITEMA) + kText);
  if (!remote.ok()) return "<no remote memory>";
  TVITEMA query = {};
  query.mask = TVIF_TEXT;
  query.hItem = item;
  query.pszText = reinterpret_cast<char*>(remote.address(sizeof(TVITEMA)));
  query.cchTextMax = static_cast<int>(kText);
  std::string text(kText, '\0');
  if (!remote.Write(0, &query, sizeof query) || !SendMessageA(tree, TVM_GETITEMA, 0, remote.address()) ||
      !remote.Read(sizeof(TVITEMA), &text[0], kText))
    return "<no item>";
  const std::size_t end = text.find('\0');
  text.resize(end == std::string::npos ? 0 : end);
  return text;
}

UINT TreeItemState(HWND tree, HTREEITEM item) {
  return static_cast<UINT>(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), 0xFFFF));
}

int TreeItemStateImage(HWND tree, HTREEITEM item) {
  return static_cast<int>((TreeItemState(tree, item) & TVIS_STATEIMAGEMASK) >> 12);
}

bool TreeItemRect(HWND tree, HTREEITEM item, bool textOnly, RECT* rect) {
  // The rectangle's first bytes carry the item in, as the message expects.
  RemoteBuffer remote(tree, sizeof(RECT));
  return remote.Write(0, &item, sizeof item) &&
         SendMessageA(tree, TVM_GETITEMRECT, textOnly ? TRUE : FALSE, remote.address()) &&
         remote.Read(0, rect, sizeof *rect);
}

UINT TreeHitTest(HWND tree, POINT point, HTREEITEM* item) {
  RemoteBuffer remote(tree, sizeof(TVHITTESTINFO));
  TVHITTESTINFO hit = {};
  hit.pt = point;
  if (!remote.Write(0, &hit, sizeof hit)) return 0;
  SendMessageA(tree, TVM_HITTEST, 0, remote.address());
  if (!remote.Read(0, &hit, sizeof hit)) return 0;
  if (item) *item = hit.hItem;
  return hit.flags;
}

namespace {

// Clicks the middle of the span of `item`'s line where the tree reports `part`
// (the state icon or the button); the tree itself says where that span lies.
bool ClickTreeItemPart(HWND tree, HTREEITEM item, UINT part) {
  RECT line, text;
  if (!TreeItemRect(tree, item, false, &line) || !TreeItemRect(tree, item, true, &text)) return false;
  const LONG y = (text.top + text.bottom) / 2;
  LONG first = -1, last = -1;
  for (LONG x = text.left - 1; x >= line.left; --x) {
    HTREEITEM there = nullptr;
    if ((TreeHitTest(tree, POINT{x, y}, &there) & part) && there == item) {
      if (last < 0) last = x;
      first = x;
    } else if (last >= 0) {
      break;
    }
  }
  return last >= 0 && ClickAt(tree, POINT{(first + last) / 2, y});
}

}  // namespace

bool ClickTreeStateIcon(HWND tree, HTREEITEM item) { return ClickTreeItemPart(tree, item, TVHT_ONITEMSTATEICON); }

bool ClickTreeButton(HWND tree, HTREEITEM item) { return ClickTreeItemPart(tree, item, TVHT_ONITEMBUTTON); }

bool ClickTreeItemText(HWND tree, HTREEITEM item) {
  RECT text;
  return TreeItemRect(tree, item, true, &text) &&
         ClickAt(tree, POINT{(text.left + text.right) / 2, (text.top + text.bottom) / 2});
}

bool ClickAt(HWND window, POINT point) {
  if (!ClientToScreen(window, &point)) return false;
  // The program under test learns of a pointer move from the display server,
  // possibly late: a move to an earlier click's spot can arrive after this
  // one's and take the pointer back there. The click waits until the pointer
  // has held its place for a while.
  int held = 0;
  for (int tries = 0; held < 3 && tries < 40; ++tries) {
    POINT now = {};
    if (!GetCursorPos(&now)) return false;
    if (now.x == point.x && now.y == point.y) {
      ++held;
    } else {
      held = 0;
      if (!SetCursorPos(point.x, point.y)) return false;
    }
    Sleep(50);
  }
  if (held < 3) return false;
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  return SendInput(2, input, sizeof(INPUT)) == 2;
}

int CountScreenPixels(HWND window, const RECT& rect, COLORREF colour) {
  POINT origin = {rect.left, rect.top};
  if (!ClientToScreen(window, &origin)) return -1;
  const RECT onScreen = {origin.x, origin.y, origin.x + rect.right - rect.left, origin.y + rect.bottom - rect.top};
  std::vector<unsigned char> rgb;
  if (!GrabScreen(onScreen, rgb)) return -1;
  int count = 0;
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
    if (RGB(rgb[i], rgb[i + 1], rgb[i + 2]) == colour) ++count;
  return count;
}

bool SelectComboEntry(HWND dialog, int comboId, int index) {
  HWND combo = GetDlgItem(dialog, comboId);
  if (!combo || SendMessageA(combo, CB_SETCURSEL, index, 0) != index) return false;
  return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo)) !=
         FALSE;
}

int ComboSelection(HWND dialog, int comboId) {
  return static_cast<int>(SendDlgItemMessageA(dialog, comboId, CB_GETCURSEL, 0, 0));
}

bool ClickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button && PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

bool PostSysCommand(HWND window, UINT command) {
  return PostMessageA(window, WM_SYSCOMMAND, command, 0) != FALSE;
}

HWND WaitForMessageBox(DWORD pid, const char* caption, DWORD timeoutMs, HWND except) {
  return FindWindowExcept(pid, "#32770", caption, except, timeoutMs);
}

bool Dismiss(HWND box, int button, DWORD timeoutMs) {
  return PressButton(box, button) && WaitForWindowGone(box, timeoutMs);
}

bool ChooseFolder(HWND picker, const std::string& path) {
  RemoteBuffer remote(picker, path.size() + 1);
  if (!remote.Write(0, path.c_str(), path.size() + 1)) return false;
  SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, remote.address());
  return PressButton(picker, IDOK);
}

bool SaveScreenshot(HWND window, const std::string& pngPath) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  // Let the window finish painting before the copy.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(300);

  std::vector<unsigned char> rgb;
  return GrabScreen(rect, rgb) && WritePng(pngPath, width, height, rgb);
}

std::string ArtifactPath(const std::string& name) {
  return std::string(PELORIN_BUILD_DIR) + "\\artifacts\\e2e\\" + name + ".png";
}

}  // namespace pelorin::e2e
