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
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* request = reinterpret_cast<FindRequest*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (request->pid && pid != request->pid) return TRUE;
  if (!IsWindowVisible(window)) return TRUE;
  if (request->className) {
    char cls[256] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, request->className) != 0) return TRUE;
  }
  if (request->title && WindowText(window) != request->title) return TRUE;
  request->found = window;
  return FALSE;
}

}  // namespace

HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    FindRequest request = {pid, className, title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&request));
    if (request.found) return request.found;
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(50);
  }
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

HWND WaitForMessageBox(DWORD pid, const char* caption, DWORD timeoutMs) {
  return WaitForWindow(pid, "#32770", caption, timeoutMs);
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
      std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
      const auto* bgra = static_cast<const unsigned char*>(bits);
      for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
        rgb[i * 3 + 0] = bgra[i * 4 + 2];
        rgb[i * 3 + 1] = bgra[i * 4 + 1];
        rgb[i * 3 + 2] = bgra[i * 4 + 0];
      }
      ok = WritePng(pngPath, width, height, rgb);
    }
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

std::string ArtifactPath(const std::string& name) {
  return std::string(PELORIN_BUILD_DIR) + "\\artifacts\\e2e\\" + name + ".png";
}

}  // namespace pelorin::e2e
