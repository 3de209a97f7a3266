// The offline registry loaders (SYSTEM hive through libhivex, regedit exports) and the scan over what they accept.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "inventory/DriverScan.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/posix/MemoryRegistry.h"
#include "platform/posix/RegistryFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  MemoryRegistry registry;
  std::string error;
  bool loaded = false;
  if (bytes.compare(0, 4, "regf") == 0) {
    // libhivex reads files only: hand it an anonymous in-memory one.
    const int fd = memfd_create("hive", 0);
    if (fd < 0) return 0;
    loaded = write(fd, bytes.data(), size) == static_cast<ssize_t>(size) &&
             LoadRegistryFile("/proc/self/fd/" + std::to_string(fd), registry, error);
    close(fd);
  } else {
    loaded = LoadRegExport(bytes, "fuzz.reg", registry, error);
  }
  for (ScanMode mode : {ScanMode::AllBackupable, ScanMode::NotOnSystemDisc}) {
    DriverDescMap map;
    MemoryDriverRows rows;
    if (loaded) ScanDrivers(registry, mode, map, rows);
  }
  return 0;
}
