#pragma once
// The Windows services, bundled for the core. One instance lives as long as the
// program (or the test); the Platform it hands out points into it.
#include "platform/Platform.h"
#include "platform/win32/Win32DeviceSetup.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Resources.h"
#include "platform/win32/Win32SystemInfo.h"

namespace pelorin::win32 {

class Win32Platform {
 public:
  Win32Platform();
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  const Platform& Get() const { return platform_; }

  // The window that owns the message boxes (an HWND; null for none).
  void SetOwnerWindow(void* hwnd) { boxes_.SetOwner(static_cast<HWND>(hwnd)); }
  // Replaces the registry (tests); null restores the real one.
  void SetRegistry(Registry* registry) { platform_.registry = registry != nullptr ? registry : &registry_; }

 private:
  Win32Registry registry_;
  Win32FileSystem files_;
  Win32Profile profile_;
  Win32MessageBoxes boxes_;
  Win32Resources resources_;
  Win32DeviceSetup devices_;
  Win32SystemInfo system_;
  Platform platform_;
};

}  // namespace pelorin::win32
