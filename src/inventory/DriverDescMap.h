#pragma once
// Keeps one row per driver description within one scan: key DriverDesc compared
// byte for byte, value the record first met with it.
#include <string>
#include <unordered_map>

#include "inventory/DriverRecord.h"

namespace pelorin {

using DriverDescMap = std::unordered_map<std::string, DriverRecord>;

}  // namespace pelorin
