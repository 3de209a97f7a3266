#pragma once
// Modal boxes with MessageBoxA, owned by the window set with SetOwner (none
// until then). Boxes are shown from worker threads too; the owner is read
// atomically.
#include <windows.h>

#include <atomic>

#include "platform/Shell.h"

namespace pelorin::win32 {

// The caption of a box shown without one: the application's title.
constexpr char kApplicationTitle[] = "Pelorin";

class Win32MessageBoxes : public MessageBoxes {
 public:
  void SetOwner(HWND owner) { owner_.store(owner); }
  HWND Owner() const { return owner_.load(); }
  int Show(const std::string& text, const char* caption, std::uint32_t type) override;

 private:
  std::atomic<HWND> owner_{nullptr};
};

}  // namespace pelorin::win32
