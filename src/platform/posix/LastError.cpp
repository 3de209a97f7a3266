#include "platform/Errors.h"

namespace pelorin {

namespace {
thread_local std::uint32_t t_lastError = 0;
}

std::uint32_t GetLastError() { return t_lastError; }
void SetLastError(std::uint32_t code) { t_lastError = code; }

}  // namespace pelorin
