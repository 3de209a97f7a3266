#pragma once
// Drives a running program from another process, as a person at the machine
// would: finds its windows, reads and presses controls, answers message boxes,
// takes screenshots. Windows only (runs under wine in the tests).
#include <windows.h>

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

// Saves what the screen shows of `window` as a PNG file.
bool SaveScreenshot(HWND window, const std::string& pngPath);

// Where screenshots go: <build>\artifacts\e2e\<name>.png
std::string ArtifactPath(const std::string& name);

}  // namespace pelorin::e2e
