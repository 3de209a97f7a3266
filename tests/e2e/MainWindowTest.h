#pragma once
// pelorin.exe started for a test: its main dialog found, the list filled; Exit
// pressed afterwards and the program expected to end cleanly.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "TestPaths.h"
#include "UiDriver.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin::e2e {

using testing::Win32Scratch;

// A window's first appearance waits for the program's start, which a loaded
// machine has stretched beyond 30 s.
constexpr DWORD kWindowTimeout = 120000;
constexpr DWORD kStepTimeout = 10000;
// An install waits for the device services.
constexpr DWORD kInstallTimeout = 60000;
constexpr char kBackupDone[] = "已经成功备份了在列表框中勾选的驱动程序!";

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.Start(std::string(PELORIN_BUILD_DIR) + "\\src\\app\\pelorin.exe"));
    dialog = WaitForWindow(app, "#32770", "Pelorin", kWindowTimeout);
    ASSERT_NE(dialog, nullptr) << "the main dialog did not appear";
    list = GetDlgItem(dialog, 1000);
    ASSERT_TRUE(WaitUntil([&] { return ListItemCount(list) > 0; }, kStepTimeout)) << "the list stays empty";
  }

  void TearDown() override { ExitProgram(); }

  // Presses Exit and expects the program to end cleanly; nothing when it has.
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
    HWND picker = WaitForWindow(app, "#32770", "保存到文件夹", kStepTimeout);
    if (!picker || !ChooseFolder(picker, folder)) return "<folder not chosen>";
    HWND box = WaitForMessageBox(app, "提示信息", kWindowTimeout);
    if (!box) return "<no result box>";
    const std::string text = MessageBoxText(box);
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
