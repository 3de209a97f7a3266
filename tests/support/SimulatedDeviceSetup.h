#pragma once
// A device manager kept in memory for the installer's and the restore's tests.
// It holds present devices with their hardware-ID and compatible-ID lists, INF
// files with the class they name, and a restart flag; any step can be made to
// fail with a chosen error code, and every call is recorded.
//
// Behaviour follows Windows: successful calls leave the last-error code 0; a new
// element becomes a present device when it is registered (DIF_REGISTERDEVICE)
// and disappears with its set when it never was; the driver update needs a
// present device carrying the ID among its hardware or compatible IDs (matched
// without regard to ASCII case, as Plug and Play does). The manager must outlive
// the sets it hands out.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DeviceSetup.h"

namespace pelorin::testing {

enum class DeviceStep {
  kGetClassDevs,
  kEnumDevice,
  kGetRegistryProperty,
  kGetInfClass,
  kCreateDeviceInfoList,
  kCreateDevice,
  kSetRegistryProperty,
  kRegisterDevice,
  kRemoveDevice,
  kUpdateDriver,
};

class SimulatedDeviceSetup : public DeviceSetup {
 public:
  struct Device {
    std::uint64_t serial = 0;
    std::string instanceId;
    DeviceClassGuid classGuid;
    bool hasHardwareIds = false;
    std::string hardwareIds;  // the raw multi-string, closing NULs included
    std::string compatibleIds;  // as hardwareIds; empty: no list
    bool present = false;     // enumerated and reachable by the driver update
    std::string driverInf;    // the INF last installed on it
  };

  SimulatedDeviceSetup() = default;
  SimulatedDeviceSetup(const SimulatedDeviceSetup&) = delete;
  SimulatedDeviceSetup& operator=(const SimulatedDeviceSetup&) = delete;

  // --- the machine ---
  // A present device whose hardware-ID list holds `hardwareIds` (an empty vector
  // gives an empty list, which is not the same as no list) and, unless
  // `compatibleIds` is empty, a compatible-ID list.
  void AddDevice(const std::string& instanceId, const std::vector<std::string>& hardwareIds,
                 const std::vector<std::string>& compatibleIds = {});
  // A present device with no hardware-ID list at all.
  void AddDeviceWithoutIds(const std::string& instanceId);
  // A present device with the list's bytes exactly as given.
  void AddDeviceRawIds(const std::string& instanceId, const std::string& rawList);
  // An INF file that names a device class; `models` are the hardware IDs it has a
  // driver for (none: every ID).
  void AddInf(const std::string& path, const DeviceClassGuid& classGuid, const std::string& className,
              const std::vector<std::string>& models = {});
  // What the driver update reports about a restart.
  void SetRestartNeeded(bool restart) { restartNeeded_ = restart; }

  // --- scripted failures ---
  // The `occurrence`-th call (counting from 1 over the manager's life) of `step`
  // fails with `code`; occurrence 0 makes every call fail.
  void FailStep(DeviceStep step, std::uint32_t code, int occurrence = 0);
  // Destroying a set leaves this last-error code behind (0: unchanged).
  void SetDestroyLeavesError(std::uint32_t code) { destroyError_ = code; }

  // --- what happened ---
  // One line per call, e.g. "EnumDeviceInfo 3" or "CallClassInstaller 25 ROOT\LAB\0000".
  const std::vector<std::string>& Calls() const { return calls_; }
  int CountCalls(const std::string& prefix) const;
  int SetsCreated() const { return setsCreated_; }
  int SetsDestroyed() const { return setsDestroyed_; }
  // Every device record, present or still unregistered.
  const std::vector<Device>& Devices() const { return devices_; }
  std::vector<const Device*> PresentDevices() const;

  // --- DeviceSetup ---
  std::unique_ptr<DeviceInfoSet> GetClassDevs(std::uint32_t flags) override;
  bool GetInfClass(const std::string& infPath, DeviceClassGuid& classGuid, char* className,
                   std::uint32_t cap) override;
  std::unique_ptr<DeviceInfoSet> CreateDeviceInfoList(const DeviceClassGuid& classGuid) override;
  bool UpdateDriver(const std::string& hardwareId, const std::string& infPath, std::uint32_t flags,
                    bool* restart) override;

 private:
  class Set;
  friend class Set;

  struct Inf {
    std::string path;
    DeviceClassGuid classGuid;
    std::string className;
    std::vector<std::string> models;
  };
  struct Failure {
    DeviceStep step;
    std::uint32_t code;
    int occurrence;
  };

  // Counts the call of `step`; true (with the last-error code set) when a
  // scripted failure hits it.
  bool ScriptedFailure(DeviceStep step);
  void Record(std::string line) { calls_.push_back(std::move(line)); }
  Device* FindDevice(std::uint64_t serial);
  const Inf* FindInf(const std::string& path) const;
  void EraseDevice(std::uint64_t serial);
  std::string GenerateInstanceId(const std::string& name) const;

  std::vector<Device> devices_;
  std::vector<Inf> infs_;
  std::vector<Failure> failures_;
  std::vector<int> stepCalls_ = std::vector<int>(16, 0);
  std::vector<std::string> calls_;
  std::uint64_t nextSerial_ = 1;
  std::uint32_t destroyError_ = 0;
  int setsCreated_ = 0;
  int setsDestroyed_ = 0;
  bool restartNeeded_ = false;
};

}  // namespace pelorin::testing
