#include <gtest/gtest.h>

#include "TestPaths.h"
#include "UiDriver.h"

namespace pelorin::e2e {

// pelorin.exe starts, shows its main dialog, and Exit closes it.
TEST(SmokeTest, MainDialogOpensAndExitCloses) {
  AppProcess app;
  ASSERT_TRUE(app.Start(std::string(PELORIN_BUILD_DIR) + "\\src\\app\\pelorin.exe"));
  HWND dialog = WaitForWindow(app.Id(), "#32770", "Pelorin", 30000);
  ASSERT_NE(dialog, nullptr) << "the main dialog did not appear";

  EXPECT_NE(GetDlgItem(dialog, 1000), nullptr);
  EXPECT_EQ(ItemText(dialog, 1004), "备份");
  EXPECT_EQ(ItemText(dialog, 1005), "恢复");
  EXPECT_EQ(ItemText(dialog, 2), "退出");
  // The status line names driver folders, which may hold "&".
  EXPECT_TRUE(Style(GetDlgItem(dialog, 1014)) & SS_NOPREFIX);
  EXPECT_TRUE(SaveScreenshot(dialog, ArtifactPath("smoke_main_dialog")));

  ASSERT_TRUE(PressButton(dialog, 2));
  EXPECT_EQ(app.Wait(15000), 0);
}

}  // namespace pelorin::e2e
