#pragma once
// The running system's answers. The driver store's location call is not
// asked yet: DriverStoreInfPath always answers false.
#include "platform/SystemInfo.h"

namespace pelorin::win32 {

class Win32SystemInfo : public SystemInfo {
 public:
  Architecture InstallationArchitecture() override;
  bool DriverStoreInfPath(const std::string& infName, std::string& storeInfPath) override;
};

}  // namespace pelorin::win32
