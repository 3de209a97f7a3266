#include "platform/win32/Win32MessageBoxes.h"

namespace pelorin::win32 {

int Win32MessageBoxes::Show(const std::string& text, const char* caption, std::uint32_t type) {
  return ::MessageBoxA(owner_.load(), text.c_str(), caption != nullptr ? caption : kApplicationTitle, type);
}

}  // namespace pelorin::win32
