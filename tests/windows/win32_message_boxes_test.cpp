// Message boxes of the Win32 backend: caption, text, type and owner, answered
// from a second thread the way a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/win32/Win32Platform.h"

namespace pelorin::win32 {
namespace {

struct SeenBox {
  bool found = false;
  std::string text;
  HWND owner = nullptr;
  bool hasIcon = false;
  bool hasCancel = false;
};

// Waits for a box with `caption`, records what it shows and presses `button`;
// gives up only once the call that shows it has returned (Stop), never on a
// clock, which a loaded machine outruns.
class BoxAnswerer {
 public:
  BoxAnswerer(const char* caption, int button)
      : thread_([this, caption, button] {
          while (!seen_.found && !stop_) {
            HWND box = ::FindWindowA("#32770", caption);
            if (box == nullptr) {
              ::Sleep(10);
              continue;
            }
            char text[512] = {};
            ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            seen_.text = text;
            seen_.owner = ::GetWindow(box, GW_OWNER);
            HWND icon = ::GetDlgItem(box, 0x0440);  // present in every box, empty without an icon
            seen_.hasIcon = icon != nullptr && ::SendMessageA(icon, STM_GETICON, 0, 0) != 0;
            seen_.hasCancel = ::GetDlgItem(box, IDCANCEL) != nullptr;
            seen_.found = true;
            ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
          }
        }) {}
  ~BoxAnswerer() { Seen(); }
  // What the box showed, once the call that showed it has returned.
  const SeenBox& Seen() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  SeenBox seen_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(Win32MessageBoxesTest, PlainBoxCarriesTheApplicationTitle) {
  Win32Platform platform;
  BoxAnswerer answerer("Pelorin", IDOK);
  EXPECT_EQ(platform.Get().boxes->Show("打开配置文件失败，请指定正确文件路径！", nullptr, mb::kOk), mb::kIdOk);
  const SeenBox& seen = answerer.Seen();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, "打开配置文件失败，请指定正确文件路径！");
  EXPECT_FALSE(seen.hasIcon);
  EXPECT_FALSE(seen.hasCancel);
  EXPECT_EQ(seen.owner, nullptr);
}

TEST(Win32MessageBoxesTest, GivenCaptionTypeAndOwnerAreUsed) {
  Win32Platform platform;
  HWND owner = ::CreateWindowA("STATIC", "owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  platform.SetOwnerWindow(owner);
  BoxAnswerer answerer("提示信息", IDCANCEL);
  EXPECT_EQ(platform.Get().boxes->Show("删除?", "提示信息", mb::kOkCancel | mb::kIconHand), mb::kIdCancel);
  const SeenBox& seen = answerer.Seen();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, "删除?");
  EXPECT_TRUE(seen.hasIcon);
  EXPECT_TRUE(seen.hasCancel);
  EXPECT_EQ(seen.owner, owner);
  ::DestroyWindow(owner);
}

}  // namespace
}  // namespace pelorin::win32
