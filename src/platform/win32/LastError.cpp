#include <windows.h>

#include "platform/Errors.h"

namespace pelorin {

std::uint32_t GetLastError() { return ::GetLastError(); }
void SetLastError(std::uint32_t code) { ::SetLastError(code); }

}  // namespace pelorin
