#include "controls/MemoryDC.h"

namespace pelorin {

CMemoryDC::CMemoryDC(HDC target) : target_(target) {
  GetClipBox(target_, &rect_);
  const bool printing = GetDeviceCaps(target_, TECHNOLOGY) == DT_RASPRINTER;
  if (printing) return;
  *memory_.Receive() = CreateCompatibleDC(target_);
  if (memory_)
    *bitmap_.Receive() = CreateCompatibleBitmap(target_, rect_.right - rect_.left, rect_.bottom - rect_.top);
  // Out of GDI resources: drawing straight to the target still shows the bar.
  if (!bitmap_) return;
  selected_ = std::make_unique<win32::SelectedObject>(memory_.get(), bitmap_.get());
  SetWindowOrgEx(memory_.get(), rect_.left, rect_.top, nullptr);
  offScreen_ = true;
}

CMemoryDC::~CMemoryDC() {
  if (!offScreen_) return;
  BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, memory_.get(),
         rect_.left, rect_.top, SRCCOPY);
}

}  // namespace pelorin
