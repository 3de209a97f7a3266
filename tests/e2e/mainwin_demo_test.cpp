// The main window on the demo machine (a prefix seeded from demo/) as a person
// sees it at start-up (the dialog's rules one by one: main_dlg_logic_test.cpp).
#include "MainWindowTest.h"

namespace pelorin::e2e {
namespace {

class DemoMainWindowTest : public MainWindowTest {};

TEST_F(DemoMainWindowTest, StartUpShowsDriversNotOnDiscNewestFirst) {
  std::vector<std::string> rows;
  int ticked = 0;
  for (int row = 0; row < ListItemCount(list); ++row) {
    rows.push_back(ListItemText(list, row, 0));
    ticked += (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) ==
              INDEXTOSTATEIMAGEMASK(2);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"Acme Chipset SMBus Controller", "千兆以太网控制器", "TouchPad Pro",
                                            "Harmony HD Audio", "Acme Graphics 3D",
                                            "Acme USB 3.0 eXtensible Host Controller"}));
  EXPECT_EQ(ticked, 0);
  EXPECT_EQ(ListItemText(list, 1, 1) + "|" + ListItemText(list, 1, 2) + "|" + ListItemText(list, 1, 5),
            "网络适配器|Realtech Semiconductor|oem1.inf");
  EXPECT_FALSE(IsVisible(dialog, 1013)) << "the progress bar shows at start";
  // The status line names driver folders, which may hold "&".
  EXPECT_TRUE(Style(GetDlgItem(dialog, 1014)) & SS_NOPREFIX);
  EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & 0x425, 0x425);
  EXPECT_TRUE(SaveScreenshot(dialog, "mainwin_startup"));
}

}  // namespace
}  // namespace pelorin::e2e
