#include "UiDriver.h"

#include <shlobj.h>

#include <cstddef>
#include <cstring>
#include <fstream>
#include <functional>

#include "platform/win32/Handles.h"

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
  return CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
}

int AppProcess::Wait(DWORD timeoutMs) {
  DWORD code = 0;
  if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(pi_.hProcess, &code))
    return -1;
  return static_cast<int>(code);
}

namespace {

// Sends `message` with its parameter `data` copied into the window's process,
// where it must point (the system does not carry such buffers across
// processes), and copies it back after. `place` learns the remote address
// first, for data that points into itself.
template <typename Data>
LRESULT SendRemote(HWND window, UINT message, WPARAM wParam, Data& data,
                   const std::function<void(char*)>& place = nullptr) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  const win32::KernelHandle process(
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  char* remote = static_cast<char*>(
      VirtualAllocEx(process.get(), nullptr, sizeof data, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!remote) return 0;
  if (place) place(remote);
  LRESULT result = 0;
  if (WriteProcessMemory(process.get(), remote, &data, sizeof data, nullptr)) {
    result = SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process.get(), remote, &data, sizeof data, nullptr);
  }
  VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  return result;
}

// Sends `message` with `item` (an LVITEMA or TVITEMA) and its text buffer;
// returns the text the control wrote there.
template <typename Item>
std::string RemoteItemText(HWND control, UINT message, WPARAM wParam, Item item) {
  struct {
    Item item;
    char text[1024];
  } data = {item, {}};
  SendRemote(control, message, wParam, data, [&](char* remote) {
    data.item.pszText = remote + offsetof(decltype(data), text);
    data.item.cchTextMax = static_cast<int>(sizeof data.text - 1);
  });
  return data.text;
}

bool TreeItemTextRect(HWND tree, HTREEITEM item, RECT* rect) {
  // The rectangle's first bytes carry the item in, as the message expects.
  std::memcpy(rect, &item, sizeof item);
  return SendRemote(tree, TVM_GETITEMRECT, TRUE, *rect) != FALSE;
}

// What the screen shows in `rect` (screen coordinates), as 32-bit BGRX rows,
// top first.
bool GrabScreen(const RECT& rect, std::vector<unsigned char>& bgrx) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  const win32::WindowDc screen(nullptr);
  const win32::MemoryDcHandle memory(CreateCompatibleDC(screen.get()));
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const win32::BitmapHandle bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return false;
  const win32::SelectedObject selected(memory.get(), bitmap.get());
  if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY)) return false;
  GdiFlush();
  const auto* bytes = static_cast<const unsigned char*>(bits);
  bgrx.assign(bytes, bytes + static_cast<std::size_t>(width) * height * 4);
  return true;
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

HWND WaitForWindow(const AppProcess& app, const char* title, DWORD timeoutMs, HWND except) {
  HWND found = nullptr;
  WaitUntil([&] {
    for (found = FindWindowExA(nullptr, nullptr, "#32770", title); found;
         found = FindWindowExA(nullptr, found, "#32770", title)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(found, &pid);
      if (pid == app.Id() && found != except && IsWindowVisible(found)) return true;
    }
    return !app.Running();
  }, timeoutMs);
  return found;
}

std::string ItemText(HWND dialog, int id) {
  char text[1024] = {};
  // WM_GETTEXT across processes is marshalled by the system.
  SendMessageTimeoutA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
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

bool ChooseFolder(HWND picker, const std::string& path) {
  char text[MAX_PATH] = {};
  path.copy(text, sizeof text - 1);
  SendRemote(picker, BFFM_SETSELECTIONA, TRUE, text);
  return PressButton(picker, IDOK);
}

std::string ListItemText(HWND list, int row, int column) {
  LVITEMA item = {};
  item.iSubItem = column;
  return RemoteItemText(list, LVM_GETITEMTEXTA, row, item);
}

bool TickListItem(HWND list, int row) {
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(2);
  return SendRemote(list, LVM_SETITEMSTATE, row, item) != FALSE;
}

std::vector<TreeLine> TreeLines(HWND tree, HTREEITEM parent, int depth) {
  std::vector<TreeLine> lines;
  for (HTREEITEM item = parent ? TreeView_GetChild(tree, parent) : TreeView_GetRoot(tree); item;
       item = TreeView_GetNextSibling(tree, item)) {
    TVITEMA query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    lines.push_back({item, depth, RemoteItemText(tree, TVM_GETITEMA, 0, query)});
    const std::vector<TreeLine> below = TreeLines(tree, item, depth + 1);
    lines.insert(lines.end(), below.begin(), below.end());
  }
  return lines;
}

bool ClickTreeStateIcon(HWND tree, HTREEITEM item) {
  // The middle of the span left of the text where the tree itself reports the
  // state icon.
  RECT text;
  if (!TreeItemTextRect(tree, item, &text)) return false;
  const LONG y = (text.top + text.bottom) / 2;
  const auto onIcon = [&](LONG x) {
    TVHITTESTINFO hit = {{x, y}, 0, nullptr};
    return SendRemote(tree, TVM_HITTEST, 0, hit) && (hit.flags & TVHT_ONITEMSTATEICON) && hit.hItem == item;
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
  BITMAPINFOHEADER info = {sizeof info, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const DWORD offBits = sizeof(BITMAPFILEHEADER) + sizeof info;
  BITMAPFILEHEADER file = {0x4D42, offBits + static_cast<DWORD>(bgrx.size()), 0, 0, offBits};
  for (std::size_t i = 3; i < bgrx.size(); i += 4) bgrx[i] = 0xFF;  // opaque, whatever a reader makes of the byte
  std::ofstream out(std::string(PELORIN_BUILD_DIR) + "\\artifacts\\e2e\\" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file).write(reinterpret_cast<const char*>(&info), sizeof info);
  return static_cast<bool>(out.write(reinterpret_cast<const char*>(bgrx.data()), bgrx.size()));
}

std::map<std::string, std::string> FilesBelow(const std::string& folder) {
  std::map<std::string, std::string> files;
  Win32Scratch::ForEachEntry(folder + "\\*", [&](const std::string& name, const WIN32_FIND_DATAA& entry) {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      for (const auto& [path, bytes] : FilesBelow(folder + "\\" + name)) files[name + "\\" + path] = bytes;
    } else {
      files[name] = Win32Scratch::ReadFile(folder + "\\" + name);
    }
  });
  return files;
}

}  // namespace pelorin::e2e
