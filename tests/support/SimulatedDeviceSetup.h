#pragma once
// A device manager in memory: present devices with their ID lists, INFs with
// their class; any step can fail with a chosen code, every call is recorded.
// As on Windows: success leaves last error 0; a new element becomes present when
// registered and goes with its set when it never was; the driver update needs a
// present device carrying the ID (ASCII case aside). It must outlive its sets.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/DeviceSetup.h"
#include "platform/Errors.h"
#include "platform/Mbcs.h"

namespace pelorin::testing {

enum class DeviceStep {
  kGetClassDevs, kEnumDevice, kGetRegistryProperty, kGetInfClass, kCreateDeviceInfoList,
  kCreateDevice, kSetRegistryProperty, kRegisterDevice, kRemoveDevice, kUpdateDriver,
};

class SimulatedDeviceSetup : public DeviceSetup {
 public:
  struct Device {
    std::uint64_t serial = 0;
    std::string instanceId;
    DeviceClassGuid classGuid;
    std::optional<std::string> hardwareIds;  // the raw multi-string, closing NULs included
    std::optional<std::string> compatibleIds;
    bool present = true;
    std::string driverInf;      // the INF last installed on it
  };

  // A present device; an empty `hardwareIds` is an empty list, not no list.
  void AddDevice(const std::string& id, const std::vector<std::string>& hardwareIds,
                 const std::vector<std::string>& compatibleIds = {}) {
    AddDeviceRawIds(id, MultiString(hardwareIds));
    if (!compatibleIds.empty()) devices_.back().compatibleIds = MultiString(compatibleIds);
  }
  void AddDeviceWithoutIds(const std::string& id) {
    devices_.emplace_back();
    devices_.back().serial = nextSerial_++;
    devices_.back().instanceId = id;
  }
  void AddDeviceRawIds(const std::string& id, const std::string& rawList) {
    AddDeviceWithoutIds(id);
    devices_.back().hardwareIds = rawList;
  }
  void AddInf(const std::string& path, const DeviceClassGuid& guid, const std::string& className) {
    infs_.push_back({path, guid, className});
  }
  // The `occurrence`-th call of `step` (from 1, over the manager's life; 0: every call) fails with `code`.
  void FailStep(DeviceStep step, std::uint32_t code, int occurrence = 0) { failures_.push_back({step, code, occurrence}); }

  // One line per call, e.g. "EnumDeviceInfo 3" or "CallClassInstaller 25 ROOT\LAB\0000".
  const std::vector<std::string>& Calls() const { return calls_; }
  int CountCalls(const std::string& prefix) const {
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                          [&](const std::string& l) { return l.compare(0, prefix.size(), prefix) == 0; }));
  }
  const std::vector<Device>& Devices() const { return devices_; }
  int liveSets = 0;
  bool restartNeeded = false;
  std::uint32_t destroyLeavesError = 0;  // the last-error code a set's destruction leaves (0: unchanged)

  std::unique_ptr<DeviceInfoSet> GetClassDevs(std::uint32_t flags) override {
    calls_.push_back("GetClassDevs " + std::to_string(flags));
    if (Scripted(DeviceStep::kGetClassDevs)) return nullptr;
    std::vector<std::uint64_t> members;
    for (const auto& d : devices_)
      if (d.present) members.push_back(d.serial);
    return NewSet(std::move(members));
  }
  bool GetInfClass(const std::string& infPath, DeviceClassGuid& guid, char* className, std::uint32_t cap) override {
    calls_.push_back("GetINFClass " + infPath);
    if (Scripted(DeviceStep::kGetInfClass)) return false;
    const Inf* inf = FindInf(infPath);
    if (!inf) return Fail(err::kFileNotFound);
    if (inf->className.size() + 1 > cap) return Fail(err::kInsufficientBuffer);
    std::memcpy(className, inf->className.c_str(), inf->className.size() + 1);
    guid = inf->guid;
    return Succeed();
  }
  std::unique_ptr<DeviceInfoSet> CreateDeviceInfoList(const DeviceClassGuid&) override {
    calls_.push_back("CreateDeviceInfoList");
    if (Scripted(DeviceStep::kCreateDeviceInfoList)) return nullptr;
    return NewSet({});
  }
  bool UpdateDriver(const std::string& hardwareId, const std::string& infPath, std::uint32_t flags,
                    bool* restart) override {
    calls_.push_back("UpdateDriverForPlugAndPlayDevices " + hardwareId + " " + infPath + " " + std::to_string(flags));
    if (Scripted(DeviceStep::kUpdateDriver)) return false;
    if (!FindInf(infPath)) return Fail(err::kFileNotFound);
    auto same = [&](const std::string& id) { return mbcs::EqualsNoCaseAscii(id, hardwareId); };
    std::vector<Device*> targets;
    for (auto& device : devices_) {
      auto ids = Entries(device.hardwareIds.value_or(""));
      for (auto& id : Entries(device.compatibleIds.value_or(""))) ids.push_back(id);
      if (device.present && std::any_of(ids.begin(), ids.end(), same)) targets.push_back(&device);
    }
    if (targets.empty()) return Fail(setup::kErrorNoSuchDevinst);
    for (Device* device : targets) device->driverInf = infPath;
    if (restart) *restart = restartNeeded;
    return Succeed();
  }

 private:
  struct Inf {
    std::string path;
    DeviceClassGuid guid;
    std::string className;
  };
  struct Failure {
    DeviceStep step;
    std::uint32_t code;
    int occurrence;
  };

  class Set : public DeviceInfoSet {
   public:
    Set(SimulatedDeviceSetup& owner, std::vector<std::uint64_t> members) : o_(owner), members_(std::move(members)) {
      ++o_.liveSets;
    }
    ~Set() override {
      o_.calls_.push_back("DestroyDeviceInfoList");
      --o_.liveSets;
      // A device never registered lived only in its set (the tests create in one set at a time).
      auto& all = o_.devices_;
      all.erase(std::remove_if(all.begin(), all.end(), [](const Device& d) { return !d.present; }), all.end());
      if (o_.destroyLeavesError != 0) SetLastError(o_.destroyLeavesError);
    }
    bool EnumDevice(std::uint32_t index, DeviceElement& element) override {
      o_.calls_.push_back("EnumDeviceInfo " + std::to_string(index));
      if (o_.Scripted(DeviceStep::kEnumDevice)) return false;
      if (index >= members_.size()) return Fail(err::kNoMoreItems);
      element.token = members_[index];
      return Succeed();
    }
    bool GetRegistryProperty(const DeviceElement& element, std::uint32_t property, std::uint32_t* type,
                             unsigned char* buffer, std::uint32_t size, std::uint32_t* required) override {
      Device* d = o_.Log("GetDeviceRegistryProperty", element, property, size);
      const auto& list = property == setup::kSpdrpHardwareId ? d->hardwareIds : d->compatibleIds;
      const auto listSize = list ? static_cast<std::uint32_t>(list->size()) : 0u;
      if (o_.Scripted(DeviceStep::kGetRegistryProperty)) {
        if (required && GetLastError() == err::kInsufficientBuffer) *required = listSize;
        return false;
      }
      if (required) *required = listSize;
      if (!list) return Fail(err::kInvalidData);
      if (type) *type = 7;  // REG_MULTI_SZ
      if (!buffer || size < listSize) return Fail(err::kInsufficientBuffer);
      std::memcpy(buffer, list->data(), listSize);
      return Succeed();
    }
    bool CreateDevice(const std::string& name, const DeviceClassGuid& guid, const char*, std::uint32_t flags,
                      DeviceElement& element) override {
      o_.calls_.push_back("CreateDeviceInfo " + name + " " + std::to_string(flags));
      if (o_.Scripted(DeviceStep::kCreateDevice)) return false;
      // The tests make one root device of a class at a time (ASCII class names): always number 0000.
      std::string id = (flags & setup::kDicdGenerateId) ? "ROOT\\" + name + "\\0000" : name;
      for (char& c : id) c = mbcs::UpperAscii(c);
      o_.AddDeviceWithoutIds(id);
      Device& device = o_.devices_.back();
      device.classGuid = guid;
      device.present = false;
      element.token = device.serial;
      return Succeed();
    }
    bool SetRegistryProperty(const DeviceElement& element, std::uint32_t property, const unsigned char* data,
                             std::uint32_t size) override {
      Device* d = o_.Log("SetDeviceRegistryProperty", element, property, size);
      if (o_.Scripted(DeviceStep::kSetRegistryProperty)) return false;
      d->hardwareIds = std::string(reinterpret_cast<const char*>(data), size);
      return Succeed();
    }
    bool CallClassInstaller(std::uint32_t function, const DeviceElement& element) override {
      Device* d = o_.FindDevice(element.token);
      o_.calls_.push_back("CallClassInstaller " + std::to_string(function) + " " + (d ? d->instanceId : "?"));
      const bool reg = function == setup::kDifRegisterDevice;
      if (o_.Scripted(reg ? DeviceStep::kRegisterDevice : DeviceStep::kRemoveDevice)) return false;
      if (reg) d->present = true;
      else o_.EraseDevice(element.token);
      return Succeed();
    }

   private:
    SimulatedDeviceSetup& o_;
    std::vector<std::uint64_t> members_;  // the devices the set enumerates
  };

  static std::string MultiString(const std::vector<std::string>& entries) {
    std::string list;
    for (const auto& e : entries) list += e + '\0';
    return list + (entries.empty() ? std::string(2, '\0') : std::string(1, '\0'));
  }
  // The entries of a raw multi-string, up to its first empty string or its end.
  static std::vector<std::string> Entries(const std::string& list) {
    std::vector<std::string> entries;
    for (std::size_t pos = 0; pos < list.size() && list[pos] != '\0';) {
      const std::size_t end = std::min(list.find('\0', pos), list.size());
      entries.push_back(list.substr(pos, end - pos));
      pos = end + 1;
    }
    return entries;
  }
  static bool Fail(std::uint32_t code) { return SetLastError(code), false; }
  static bool Succeed() { return SetLastError(err::kSuccess), true; }
  std::unique_ptr<DeviceInfoSet> NewSet(std::vector<std::uint64_t> members) {
    return Succeed(), std::make_unique<Set>(*this, std::move(members));
  }
  // Counts the call of `step`; true (with the last-error code set) when a scripted failure hits it.
  bool Scripted(DeviceStep step) {
    const int call = ++stepCalls_[static_cast<std::size_t>(step)];
    for (const auto& f : failures_) {
      if (f.step == step && (f.occurrence == 0 || f.occurrence == call)) return SetLastError(f.code), true;
    }
    return false;
  }
  Device* Log(const char* call, const DeviceElement& element, std::uint32_t property, std::uint32_t size) {
    Device* d = FindDevice(element.token);
    calls_.push_back(std::string(call) + " " + (d ? d->instanceId : "?") + " " + std::to_string(property) + " " +
                     std::to_string(size));
    return d;
  }
  Device* FindDevice(std::uint64_t serial) {
    for (auto& d : devices_)
      if (d.serial == serial) return &d;
    return nullptr;
  }
  const Inf* FindInf(const std::string& path) const {
    for (const auto& inf : infs_)
      if (mbcs::EqualsNoCaseAscii(inf.path, path)) return &inf;
    return nullptr;
  }
  void EraseDevice(std::uint64_t serial) {
    devices_.erase(std::remove_if(devices_.begin(), devices_.end(), [&](const Device& d) { return d.serial == serial; }),
                   devices_.end());
  }
  std::vector<Device> devices_;
  std::vector<Inf> infs_;
  std::vector<Failure> failures_;
  std::vector<int> stepCalls_ = std::vector<int>(16, 0);
  std::vector<std::string> calls_;
  std::uint64_t nextSerial_ = 1;
};

}  // namespace pelorin::testing
