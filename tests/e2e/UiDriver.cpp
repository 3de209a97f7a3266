#include "UiDriver.h"

#include <shlobj.h>

#include <fstream>

#include "TestPaths.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin::e2e {

AppProcess::~AppProcess() {
  if (!pi_.hProcess) return;
  if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
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
  char cls[256] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (pid != request->pid || window == request->except || !IsWindowVisible(window) ||
      lstrcmpA(cls, request->className) != 0 || WindowText(window) != request->title)
    return TRUE;
  request->found = window;
  return FALSE;
}

// Memory inside another process, for messages whose parameters point at
// buffers (the system does not carry those across processes).
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
    SIZE_T done = 0;
    return address_ && WriteProcessMemory(process_, reinterpret_cast<void*>(at(offset)), data, size, &done) &&
           done == size;
  }
  bool Read(std::size_t offset, void* data, std::size_t size) const {
    SIZE_T done = 0;
    return address_ && ReadProcessMemory(process_, reinterpret_cast<void*>(at(offset)), data, size, &done) &&
           done == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

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
  for (int tries = 0; held < 3 && tries < 40; ++tries, Sleep(50)) {
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

bool TreeItemRect(HWND tree, HTREEITEM item, bool textOnly, RECT* rect) {
  // The rectangle's first bytes carry the item in, as the message expects.
  RemoteBuffer remote(tree, sizeof(RECT));
  return remote.Write(0, &item, sizeof item) && SendMessageA(tree, TVM_GETITEMRECT, textOnly, remote.at()) &&
         remote.Read(0, rect, sizeof *rect);
}

void CollectLines(HWND tree, HTREEITEM first, int depth, std::vector<TreeLine>& lines) {
  for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item)) {
    constexpr std::size_t kText = 1024;
    RemoteBuffer remote(tree, sizeof(TVITEMA) + kText);
    TVITEMA query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = reinterpret_cast<char*>(remote.at(sizeof(TVITEMA)));
    query.cchTextMax = static_cast<int>(kText);
    char text[kText] = {};
    if (!remote.Write(0, &query, sizeof query) || !SendMessageA(tree, TVM_GETITEMA, 0, remote.at()) ||
        !remote.Read(sizeof(TVITEMA), text, kText - 1))
      lstrcpyA(text, "<no item>");
    lines.push_back({item, depth, text});
    CollectLines(tree, TreeView_GetChild(tree, item), depth + 1, lines);
  }
}

}  // namespace

HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs, HWND except) {
  FindRequest request = {pid, className, title, except, nullptr};
  WaitUntil([&] { return !EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&request)) && request.found; },
            timeoutMs);
  return request.found;
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
  return PressButton(box, button) && WaitUntil([&] { return !IsWindow(box); }, 5000);
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
  constexpr std::size_t kText = 1024;
  RemoteBuffer remote(list, sizeof(LVITEMA) + kText);
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<char*>(remote.at(sizeof(LVITEMA)));
  item.cchTextMax = static_cast<int>(kText);
  if (!remote.Write(0, &item, sizeof item)) return "<no remote memory>";
  const auto length = static_cast<std::size_t>(SendMessageA(list, LVM_GETITEMTEXTA, row, remote.at()));
  std::string text(length < kText ? length : kText - 1, '\0');
  if (!text.empty()) remote.Read(sizeof(LVITEMA), &text[0], text.size());
  return text;
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

bool TreeItemTextRect(HWND tree, HTREEITEM item, RECT* rect) { return TreeItemRect(tree, item, true, rect); }

bool ClickTreeStateIcon(HWND tree, HTREEITEM item) {
  // The middle of the span left of the text where the tree itself reports the
  // state icon.
  RECT line, text;
  if (!TreeItemRect(tree, item, false, &line) || !TreeItemRect(tree, item, true, &text)) return false;
  const LONG y = (text.top + text.bottom) / 2;
  LONG first = -1, last = -1;
  RemoteBuffer remote(tree, sizeof(TVHITTESTINFO));
  for (LONG x = text.left - 1; x >= line.left; --x) {
    TVHITTESTINFO hit = {};
    hit.pt = POINT{x, y};
    if (!remote.Write(0, &hit, sizeof hit)) return false;
    SendMessageA(tree, TVM_HITTEST, 0, remote.at());
    if (!remote.Read(0, &hit, sizeof hit)) return false;
    if ((hit.flags & TVHT_ONITEMSTATEICON) && hit.hItem == item) {
      if (last < 0) last = x;
      first = x;
    } else if (last >= 0) {
      break;
    }
  }
  return last >= 0 && ClickAt(tree, POINT{(first + last) / 2, y});
}

int CountScreenPixels(HWND window, const RECT& rect, COLORREF colour) {
  POINT origin = {rect.left, rect.top};
  if (!ClientToScreen(window, &origin)) return -1;
  std::vector<unsigned char> bgrx;
  if (!GrabScreen({origin.x, origin.y, origin.x + rect.right - rect.left, origin.y + rect.bottom - rect.top}, bgrx))
    return -1;
  int count = 0;
  for (std::size_t i = 0; i + 3 < bgrx.size(); i += 4) count += RGB(bgrx[i + 2], bgrx[i + 1], bgrx[i]) == colour;
  return count;
}

bool SaveScreenshot(HWND window, const std::string& name) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  // Let the window finish painting before the copy.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(300);
  std::vector<unsigned char> bgrx;
  if (!GrabScreen(rect, bgrx)) return false;
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
