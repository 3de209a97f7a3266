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

TEST(Win32MessageBoxesTest, GivenCaptionTypeAndOwnerAreUsed) {
  Win32Platform platform;
  HWND owner = ::CreateWindowA("STATIC", "owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  platform.SetOwnerWindow(owner);
  // The answerer gives up only once the call that shows the box has returned,
  // never on a clock, which a loaded machine outruns.
  std::atomic<bool> stop{false};
  std::string text;
  HWND seenOwner = nullptr, cancel = nullptr;
  std::thread answerer([&] {
    HWND box = nullptr;
    while (!box && !stop) {
      box = ::FindWindowA("#32770", "提示信息");
      ::Sleep(10);
    }
    char buffer[512] = {};
    ::GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
    text = buffer;
    seenOwner = ::GetWindow(box, GW_OWNER);
    cancel = ::GetDlgItem(box, IDCANCEL);
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  EXPECT_EQ(platform.Get().boxes->Show("删除?", "提示信息", mb::kOkCancel | mb::kIconHand), mb::kIdCancel);
  stop = true;
  answerer.join();
  EXPECT_EQ(text, "删除?");
  EXPECT_NE(cancel, nullptr);
  EXPECT_EQ(seenOwner, owner);
  ::DestroyWindow(owner);
}

}  // namespace
}  // namespace pelorin::win32
