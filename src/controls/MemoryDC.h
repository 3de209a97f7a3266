#pragma once
// Off-screen drawing for a paint: everything is drawn into a bitmap as large
// as the target's clip box and copied to the target in one transfer when the
// object goes, so a quickly repainted control does not flicker. A printing
// target is drawn on directly.
#include <windows.h>

#include <memory>

#include "platform/win32/Handles.h"

namespace pelorin {

class CMemoryDC {
 public:
  explicit CMemoryDC(HDC target);
  ~CMemoryDC();
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;

  // The context to draw on, in the target's coordinates.
  HDC Get() const { return offScreen_ ? memory_.get() : target_; }
  bool OffScreen() const { return offScreen_; }

 private:
  HDC target_;
  RECT rect_ = {};
  bool offScreen_ = false;
  // Destroyed in reverse: the bitmap is deselected before it and the context go.
  win32::MemoryDcHandle memory_;
  win32::BitmapHandle bitmap_;
  std::unique_ptr<win32::SelectedObject> selected_;
};

}  // namespace pelorin
