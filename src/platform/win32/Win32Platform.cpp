#include "platform/win32/Win32Platform.h"

namespace pelorin::win32 {

Win32Platform::Win32Platform() {
  platform_.registry = &registry_;
  platform_.files = &files_;
  platform_.profile = &profile_;
  platform_.boxes = &boxes_;
  platform_.resources = &resources_;
  platform_.devices = &devices_;
  platform_.system = &system_;
}

}  // namespace pelorin::win32
