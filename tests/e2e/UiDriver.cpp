#include "UiDriver.h"

#include <shlobj.h>

#include <fstream>

#include "TestPaths.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin::e2e {

AppProcess::~AppProcess() {
  if (!pi_.hProcess) return;
  if (Running()) {
    TerminateProcess(pi_.hProcess, 1);
    WaitForSingleObject(pi_.hProcess, 5000);
  }
  CloseHandle(pi_.hProcess);
  CloseHandle(pi_.hThread);
}

bool AppProcess::Start(const std::string& exe) {
  std::string commandLine = "\"" + exe + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  return CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) !=
         FALSE;
}

int AppProcess::Wait(DWORD timeoutMs) {
  DWORD code = 0;
  if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(pi_.hProcess, &code))
    return -1;
  return static_cast<int>(code);
}

namespace {

// Memory inside another process, for messages whose parameters point at
// buffers (the system does not carry those across processes). It starts zeroed.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND owner, std::size_t size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(owner, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  LPARAM at(std::size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset); }
  bool Write(std::size_t offset, const void* data, std::size_t size) {
    return address_ && WriteProcessMemory(process_, reinterpret_cast<void*>(at(offset)), data, size, nullptr);
  }
  bool Read(std::size_t offset, void* data, std::size_t size) const {
    return address_ && ReadProcessMemory(process_, reinterpret_cast<void*>(at(offset)), data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

// Sends `message` with `item` (an LVITEMA or TVITEMA) and its text buffer
// placed in the control's process; returns the text the control wrote there.
template <typename Item>
std::string RemoteItemText(HWND control, UINT message, WPARAM wParam, Item item) {
  constexpr std::size_t kText = 1024;
  RemoteBuffer remote(control, sizeof item + kText);
  item.pszText = reinterpret_cast<char*>(remote.at(sizeof item));
  item.cchTextMax = static_cast<int>(kText);
  char text[kText] = {};
  if (!remote.Write(0, &item, sizeof item)) return "<no remote memory>";
  SendMessageA(control, message, wParam, remote.at());
  remote.Read(sizeof item, text, kText - 1);
  return text;
}

bool TreeItemTextRect(HWND tree, HTREEITEM item, RECT* rect) {
  // The rectangle's first bytes carry the item in, as the message expects.
  RemoteBuffer remote(tree, sizeof(RECT));
  return remote.Write(0, &item, sizeof item) && SendMessageA(tree, TVM_GETITEMRECT, TRUE, remote.at()) &&
         remote.Read(0, rect, sizeof *rect);
}

void CollectLines(HWND tree, HTREEITEM first, int depth, std::vector<TreeLine>& lines) {
  for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item)) {
    TVITEMA query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    lines.push_back({item, depth, RemoteItemText(tree, TVM_GETITEMA, 0, query)});
    CollectLines(tree, TreeView_GetChild(tree, item), depth + 1, lines);
  }
}

// What the screen shows in `rect` (screen coordinates), as 32-bit BGRX rows,
// top first.
bool GrabScreen(const RECT& rect, std::vector<unsigned char>& bgrx) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
    const auto* bytes = static_cast<const unsigned char*>(bits);
    if (ok) bgrx.assign(bytes, bytes + static_cast<std::size_t>(width) * height * 4);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

bool ClickAt(HWND window, POINT point) {
  if (!ClientToScreen(window, &point)) return false;
  // The program under test learns of a pointer move from the display server,
  // possibly late: a move to an earlier click's spot can arrive after this
  // one's and take the pointer back there. The click waits until the pointer
  // has held its place for a while.
  int held = 0;
  for (int tries = 0; held < 3 && tries < 100; ++tries, Sleep(50)) {
    POINT now = {};
    if (!GetCursorPos(&now)) return false;
    if (now.x == point.x && now.y == point.y) {
      ++held;
    } else {
      held = 0;
      if (!SetCursorPos(point.x, point.y)) return false;
    }
  }
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  return held >= 3 && SendInput(2, input, sizeof(INPUT)) == 2;
}

}  // namespace

HWND WaitForWindow(const AppProcess& app, const char* className, const char* title, DWORD timeoutMs, HWND except) {
  HWND found = nullptr;
  WaitUntil([&] {
    for (found = FindWindowExA(nullptr, nullptr, className, title); found;
         found = FindWindowExA(nullptr, found, className, title)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(found, &pid);
      if (pid == app.Id() && found != except && IsWindowVisible(found)) return true;
    }
    return !app.Running();
  }, timeoutMs);
  return found;
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  // WM_GETTEXT across processes is marshalled by the system.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  return text;
}

bool PressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button &&
         PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != FALSE;
}

bool Dismiss(HWND box, int button) {
  return PressButton(box, button) && WaitUntil([&] { return !IsWindow(box); }, 10000);
}

bool SelectComboEntry(HWND dialog, int comboId, int index) {
  HWND combo = GetDlgItem(dialog, comboId);
  return combo && SendMessageA(combo, CB_SETCURSEL, index, 0) == index &&
         PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

bool ChooseFolder(HWND picker, const std::string& path) {
  RemoteBuffer remote(picker, path.size() + 1);
  if (!remote.Write(0, path.c_str(), path.size() + 1)) return false;
  SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, remote.at());
  return PressButton(picker, IDOK);
}

std::string ListItemText(HWND list, int row, int column) {
  LVITEMA item = {};
  item.iSubItem = column;
  return RemoteItemText(list, LVM_GETITEMTEXTA, row, item);
}

bool TickListItem(HWND list, int row) {
  RemoteBuffer remote(list, sizeof(LVITEMA));
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(2);
  return remote.Write(0, &item, sizeof item) && SendMessageA(list, LVM_SETITEMSTATE, row, remote.at()) != FALSE;
}

std::vector<TreeLine> TreeLines(HWND tree) {
  std::vector<TreeLine> lines;
  CollectLines(tree, TreeView_GetRoot(tree), 0, lines);
  return lines;
}

bool ClickTreeStateIcon(HWND tree, HTREEITEM item) {
  // The middle of the span left of the text where the tree itself reports the
  // state icon.
  RECT text;
  if (!TreeItemTextRect(tree, item, &text)) return false;
  const LONG y = (text.top + text.bottom) / 2;
  RemoteBuffer remote(tree, sizeof(TVHITTESTINFO));
  const auto onIcon = [&](LONG x) {
    TVHITTESTINFO hit = {{x, y}, 0, nullptr};
    return remote.Write(0, &hit, sizeof hit) && SendMessageA(tree, TVM_HITTEST, 0, remote.at()) &&
           remote.Read(0, &hit, sizeof hit) && (hit.flags & TVHT_ONITEMSTATEICON) && hit.hItem == item;
  };
  LONG right = text.left - 1;
  while (right >= 0 && !onIcon(right)) --right;
  LONG left = right;
  while (left > 0 && onIcon(left - 1)) --left;
  return right >= 0 && ClickAt(tree, POINT{(left + right) / 2, y});
}

int TreeTextPixels(HWND tree, HTREEITEM item, COLORREF colour) {
  RECT text;
  std::vector<unsigned char> bgrx;
  if (!TreeItemTextRect(tree, item, &text) || !MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&text), 2) ||
      !GrabScreen(text, bgrx))
    return -1;
  int count = 0;
  for (std::size_t i = 0; i + 3 < bgrx.size(); i += 4) count += RGB(bgrx[i + 2], bgrx[i + 1], bgrx[i]) == colour;
  return count;
}

bool SaveScreenshot(HWND window, const std::string& name) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  // The copy is taken once the window's painting has reached the screen: two
  // grabs in a row alike.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  std::vector<unsigned char> bgrx, before;
  WaitUntil([&] {
    before.swap(bgrx);
    return GrabScreen(rect, bgrx) && bgrx == before;
  }, 5000);
  if (bgrx.empty()) return false;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {sizeof info, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(bgrx.size());
  for (std::size_t i = 3; i < bgrx.size(); i += 4) bgrx[i] = 0xFF;  // opaque, whatever a reader makes of the byte
  std::ofstream out(std::string(PELORIN_BUILD_DIR) + "\\artifacts\\e2e\\" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file).write(reinterpret_cast<const char*>(&info), sizeof info);
  return static_cast<bool>(out.write(reinterpret_cast<const char*>(bgrx.data()), bgrx.size()));
}

std::map<std::string, std::string> FilesBelow(const std::string& folder) {
  std::map<std::string, std::string> files;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      for (const auto& [path, bytes] : FilesBelow(folder + "\\" + name)) files[name + "\\" + path] = bytes;
    } else {
      files[name] = testing::Win32Scratch::ReadFile(folder + "\\" + name);
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return files;
}

}  // namespace pelorin::e2e
