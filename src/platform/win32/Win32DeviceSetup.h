#pragma once
// The device installation services of Windows: SETUPAPI and NEWDEV.
#include "platform/DeviceSetup.h"

namespace pelorin::win32 {

class Win32DeviceSetup : public DeviceSetup {
 public:
  std::unique_ptr<DeviceInfoSet> GetClassDevs(std::uint32_t flags) override;
  bool GetInfClass(const std::string& infPath, DeviceClassGuid& classGuid, char* className,
                   std::uint32_t cap) override;
  std::unique_ptr<DeviceInfoSet> CreateDeviceInfoList(const DeviceClassGuid& classGuid) override;
  bool UpdateDriver(const std::string& hardwareId, const std::string& infPath, std::uint32_t flags,
                    bool* restart) override;
};

}  // namespace pelorin::win32
