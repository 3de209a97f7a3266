#include "platform/win32/Win32SystemInfo.h"

#include <windows.h>

namespace pelorin::win32 {

Architecture Win32SystemInfo::InstallationArchitecture() {
  // The native system's, not the process's: a 32-bit program on 64-bit Windows
  // is told AMD64 here where GetSystemInfo would say INTEL.
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64: return Architecture::kAmd64;
    case PROCESSOR_ARCHITECTURE_IA64: return Architecture::kIa64;
    case PROCESSOR_ARCHITECTURE_ARM: return Architecture::kArm;
    case 12:  // PROCESSOR_ARCHITECTURE_ARM64, missing from older headers
      return Architecture::kArm64;
    default: return Architecture::kX86;
  }
}

bool Win32SystemInfo::DriverStoreInfPath(const std::string&, std::string&) { return false; }

}  // namespace pelorin::win32
