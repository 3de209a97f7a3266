#pragma once
// The driver scan over the registry's device-class branch.
#include <string>

#include "inventory/DriverDescMap.h"
#include "inventory/DriverRows.h"
#include "platform/Registry.h"

namespace pelorin {

struct ScanResult {
  int added = 0;                 // rows this scan added
  std::string currentClassName;  // display name of the last class key read
};

// Walks SYSTEM\CurrentControlSet\Control\Class, empties `map` first, and adds one
// row at the top of `rows` per accepted driver. Never fails as a whole.
ScanResult ScanDrivers(Registry& registry, ScanMode mode, DriverDescMap& map, DriverRows& rows);

// "共找到%d个驱动"
std::string FoundDriversText(int count);

}  // namespace pelorin
