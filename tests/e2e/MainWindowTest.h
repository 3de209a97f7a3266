#pragma once
// pelorin.exe started for a test: its main dialog found, the list filled; Exit
// pressed afterwards and the program expected to end cleanly.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "TestPaths.h"
#include "UiDriver.h"

namespace pelorin::e2e {

constexpr DWORD kWindowTimeout = 30000;
constexpr DWORD kStepTimeout = 10000;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.Start(std::string(PELORIN_BUILD_DIR) + "\\src\\app\\pelorin.exe"));
    dialog = WaitForWindow(app.Id(), "#32770", "Pelorin", kWindowTimeout);
    ASSERT_NE(dialog, nullptr) << "the main dialog did not appear";
    list = GetDlgItem(dialog, 1000);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ListItemCount(list) > 0; }, kStepTimeout)) << "the list stays empty";
  }

  void TearDown() override {
    if (dialog && IsWindow(dialog)) {
      PressButton(dialog, 2);
      EXPECT_EQ(app.Wait(kStepTimeout), 0) << "Exit did not end the program";
    }
  }

  // The row whose description is `description`, or -1.
  int RowOf(const std::string& description) {
    for (int row = 0, n = ListItemCount(list); row < n; ++row)
      if (ListItemText(list, row, 0) == description) return row;
    return -1;
  }

  AppProcess app;
  HWND dialog = nullptr;
  HWND list = nullptr;
};

}  // namespace pelorin::e2e
