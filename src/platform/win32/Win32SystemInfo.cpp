#include "platform/win32/Win32SystemInfo.h"

#include <vector>

namespace pelorin::win32 {

Win32SystemInfo::Win32SystemInfo() {
  *setupapi_.Receive() = ::LoadLibraryA("setupapi.dll");
  if (setupapi_) {
    storeLocation_ = reinterpret_cast<StoreLocationA>(
        reinterpret_cast<void*>(::GetProcAddress(setupapi_.get(), "SetupGetInfDriverStoreLocationA")));
  }
}

Architecture Win32SystemInfo::InstallationArchitecture() {
  // GetSystemInfo would answer x86 to this 32-bit program on 64-bit Windows.
  SYSTEM_INFO info = {};
  ::GetNativeSystemInfo(&info);
  switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64: return Architecture::kAmd64;
    case 12: return Architecture::kArm64;  // PROCESSOR_ARCHITECTURE_ARM64, absent from older headers
    case PROCESSOR_ARCHITECTURE_IA64: return Architecture::kIa64;
    case PROCESSOR_ARCHITECTURE_ARM: return Architecture::kArm;
    default: return Architecture::kX86;
  }
}

bool Win32SystemInfo::DriverStoreInfPath(const std::string& infName, std::string& storeInfPath) {
  if (storeLocation_ == nullptr) return false;
  std::vector<char> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD required = 0;
    if (storeLocation_(infName.c_str(), nullptr, nullptr, buffer.data(), static_cast<DWORD>(buffer.size()),
                       &required)) {
      buffer.back() = '\0';
      storeInfPath = buffer.data();
      return !storeInfPath.empty();
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= buffer.size()) return false;
    buffer.assign(required, '\0');
  }
  return false;
}

}  // namespace pelorin::win32
