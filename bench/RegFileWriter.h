#pragma once
// Registry exports for the benchmarks (the product only reads them).
#include <string>

#include "platform/posix/MemoryRegistry.h"

namespace pelorin {

// Writes the tree below `path` as a version-5 export (UTF-16LE, BOM, CRLF), keys
// named HKEY_LOCAL_MACHINE\<path>\..., as regedit writes them.
std::string ExportRegV5(MemoryRegistry& registry, const std::string& path);

}  // namespace pelorin
