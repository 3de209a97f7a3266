#include "controls/MemoryDC.h"

namespace pelorin {

CMemoryDC::CMemoryDC(HDC target) : target_(target) {
  GetClipBox(target_, &rect_);
  const bool printing = GetDeviceCaps(target_, TECHNOLOGY) == DT_RASPRINTER;
  if (printing) return;
  memory_ = CreateCompatibleDC(target_);
  bitmap_ = memory_ ? CreateCompatibleBitmap(target_, rect_.right - rect_.left, rect_.bottom - rect_.top)
                    : nullptr;
  if (!bitmap_) {
    // Out of GDI resources: drawing straight to the target still shows the bar.
    if (memory_) DeleteDC(memory_);
    memory_ = nullptr;
    return;
  }
  oldBitmap_ = SelectObject(memory_, bitmap_);
  SetWindowOrgEx(memory_, rect_.left, rect_.top, nullptr);
  offScreen_ = true;
}

CMemoryDC::~CMemoryDC() {
  if (!offScreen_) return;
  BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, memory_, rect_.left,
         rect_.top, SRCCOPY);
  SelectObject(memory_, oldBitmap_);
  DeleteObject(bitmap_);
  DeleteDC(memory_);
}

}  // namespace pelorin
