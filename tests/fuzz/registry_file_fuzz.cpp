// Fuzzes the offline registry loaders (SYSTEM hive through libhivex, regedit
// exports) and the scan over whatever they accept.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "inventory/DriverScan.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/posix/MemoryRegistry.h"
#include "platform/posix/RegistryFiles.h"

namespace {

void Scan(pelorin::MemoryRegistry& registry) {
  for (pelorin::ScanMode mode : {pelorin::ScanMode::AllBackupable, pelorin::ScanMode::NotOnSystemDisc}) {
    pelorin::DriverDescMap map;
    pelorin::MemoryDriverRows rows;
    pelorin::ScanDrivers(registry, mode, map, rows);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  pelorin::MemoryRegistry registry;
  std::string error;
  if (bytes.compare(0, 4, "regf") == 0) {
    // libhivex reads files only: hand it an anonymous in-memory one.
    int fd = memfd_create("hive", 0);
    if (fd < 0) return 0;
    bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (written && pelorin::LoadRegistryFile(path, registry, error)) Scan(registry);
    close(fd);
  } else if (pelorin::LoadRegExport(bytes, "fuzz.reg", registry, error)) {
    Scan(registry);
  }
  return 0;
}
