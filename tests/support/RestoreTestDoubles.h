#pragma once
// The restore's test doubles: a scripted folder picker (the dialog's tests use it too), a device manager in memory.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/DeviceSetup.h"
#include "platform/Errors.h"
#include "platform/Mbcs.h"
#include "platform/Shell.h"

namespace pelorin::testing {

struct ScriptedPicker : FolderPicker {
  std::optional<std::string> choice;  // none: the user cancels
  std::string prompt;  // the last one shown
  int calls = 0;
  bool Browse(const std::string&, const std::string& shown, std::string& path) override {
    ++calls;
    prompt = shown;
    if (choice) path = *choice;
    return choice.has_value();
  }
};

// A multi-string with its closing NULs; an empty list is two NULs.
inline std::string IdList(const std::vector<std::string>& entries) {
  std::string list;
  for (const auto& e : entries) list += e + '\0';
  return list + (entries.empty() ? std::string(2, '\0') : std::string(1, '\0'));
}

// Present devices with their ID lists; every INF is of class LabClass. Every call is logged, and any call can
// fail with a chosen code. As on Windows: success leaves last error 0; a new element becomes present when
// registered and goes with its set when it never was; the driver update needs a present device carrying the ID
// (ASCII case aside). It must outlive its sets.
class SimulatedDeviceSetup : public DeviceSetup {
 public:
  struct Device {
    std::string instanceId;
    std::optional<std::string> hardwareIds, compatibleIds;  // raw multi-strings; none: no such list
    DeviceClassGuid classGuid;
    bool present = true;
    std::string driverInf;  // the INF last installed on it
  };

  void AddDevice(const std::string& id, std::optional<std::string> hardwareIds,
                 std::optional<std::string> compatibleIds = std::nullopt) {
    devices_[nextSerial_++] = Device{id, std::move(hardwareIds), std::move(compatibleIds), {}, true, ""};
  }
  // The `occurrence`-th logged call starting with `call` (from 1, over the manager's life; 0: all) fails with `code`.
  void FailStep(const std::string& call, std::uint32_t code, int occurrence = 0) {
    failures_.emplace_back(call, code, occurrence);
  }

  // One line per call, e.g. "EnumDeviceInfo 3" or "CallClassInstaller 25 ROOT\LABCLASS\0000".
  const std::vector<std::string>& Calls() const { return calls_; }
  int CountCalls(const std::string& prefix) const {
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                          [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
  }
  const std::map<std::uint64_t, Device>& Devices() const { return devices_; }
  DeviceClassGuid infClass;  // the GUID of LabClass
  int liveSets = 0;
  bool restartNeeded = false;
  std::uint32_t destroyLeavesError = 0;  // the last-error code a set's destruction leaves (0: unchanged)

  std::unique_ptr<DeviceInfoSet> GetClassDevs(std::uint32_t flags) override {
    if (Scripted("GetClassDevs " + std::to_string(flags))) return nullptr;
    std::vector<std::uint64_t> members;
    for (const auto& [serial, device] : devices_)
      if (device.present) members.push_back(serial);
    return NewSet(std::move(members));
  }
  bool GetInfClass(const std::string& infPath, DeviceClassGuid& guid, char* className, std::uint32_t cap) override {
    if (Scripted("GetINFClass " + infPath)) return false;
    if (cap < sizeof "LabClass") return Fail(err::kInsufficientBuffer);
    std::memcpy(className, "LabClass", sizeof "LabClass");
    guid = infClass;
    return Succeed();
  }
  std::unique_ptr<DeviceInfoSet> CreateDeviceInfoList(const DeviceClassGuid&) override {
    return Scripted("CreateDeviceInfoList") ? nullptr : NewSet({});
  }
  bool UpdateDriver(const std::string& hardwareId, const std::string& infPath, std::uint32_t flags,
                    bool* restart) override {
    if (Scripted("UpdateDriverForPlugAndPlayDevices " + hardwareId + " " + infPath + " " + std::to_string(flags))) {
      return false;
    }
    // Whole entries; a double-byte character's trail byte keeps its case.
    const std::string sought = '\0' + mbcs::ToLowerAscii(hardwareId) + '\0';
    bool hit = false;
    for (auto& [serial, device] : devices_) {
      const std::string ids = Listed(device.hardwareIds) + Listed(device.compatibleIds);
      if (!device.present || mbcs::ToLowerAscii(ids).find(sought) == std::string::npos) continue;
      device.driverInf = infPath;
      hit = true;
    }
    if (!hit) return Fail(setup::kErrorNoSuchDevinst);
    if (restart) *restart = restartNeeded;
    return Succeed();
  }

 private:
  class Set : public DeviceInfoSet {
   public:
    Set(SimulatedDeviceSetup& owner, std::vector<std::uint64_t> members) : o_(owner), members_(std::move(members)) {}
    ~Set() override {
      o_.calls_.push_back("DestroyDeviceInfoList");
      --o_.liveSets;
      // A device never registered lived only in its set (the tests create in one set at a time).
      auto& all = o_.devices_;
      for (auto it = all.begin(); it != all.end();) it = it->second.present ? std::next(it) : all.erase(it);
      if (o_.destroyLeavesError != 0) SetLastError(o_.destroyLeavesError);
    }
    bool EnumDevice(std::uint32_t index, DeviceElement& element) override {
      if (o_.Scripted("EnumDeviceInfo " + std::to_string(index))) return false;
      if (index >= members_.size()) return Fail(err::kNoMoreItems);
      element.token = members_[index];
      return Succeed();
    }
    bool GetRegistryProperty(const DeviceElement& element, std::uint32_t property, std::uint32_t*,
                             unsigned char* buffer, std::uint32_t size, std::uint32_t* required) override {
      const Device& d = o_.devices_.at(element.token);
      const auto& list = property == setup::kSpdrpHardwareId ? d.hardwareIds : d.compatibleIds;
      const auto listSize = static_cast<std::uint32_t>(list.value_or("").size());
      // As on Windows, the size needed comes back on success and with the sizing error only.
      const bool failed = o_.Scripted(Line("GetDeviceRegistryProperty", d, property, size));
      if (required && (!failed || GetLastError() == err::kInsufficientBuffer)) *required = listSize;
      if (failed) return false;
      if (!list) return Fail(err::kInvalidData);
      if (!buffer || size < listSize) return Fail(err::kInsufficientBuffer);
      std::memcpy(buffer, list->data(), listSize);
      return Succeed();
    }
    bool CreateDevice(const std::string& name, const DeviceClassGuid& guid, const char*, std::uint32_t flags,
                      DeviceElement& element) override {
      if (o_.Scripted("CreateDeviceInfo " + name + " " + std::to_string(flags))) return false;
      // The ID made under ROOT, in upper case as Windows makes it; the tests make one root device at a time: 0000.
      std::string id = "ROOT\\" + name + "\\0000";
      for (char& c : id) c = mbcs::UpperAscii(c);
      element.token = o_.nextSerial_++;
      o_.devices_[element.token] = Device{id, std::nullopt, std::nullopt, guid, false, ""};
      return Succeed();
    }
    bool SetRegistryProperty(const DeviceElement& element, std::uint32_t property, const unsigned char* data,
                             std::uint32_t size) override {
      Device& d = o_.devices_.at(element.token);
      if (o_.Scripted(Line("SetDeviceRegistryProperty", d, property, size))) return false;
      d.hardwareIds = std::string(reinterpret_cast<const char*>(data), size);
      return Succeed();
    }
    bool CallClassInstaller(std::uint32_t function, const DeviceElement& element) override {
      Device& d = o_.devices_.at(element.token);
      if (o_.Scripted("CallClassInstaller " + std::to_string(function) + " " + d.instanceId)) return false;
      if (function == setup::kDifRegisterDevice) d.present = true;
      else o_.devices_.erase(element.token);
      return Succeed();
    }

   private:
    static std::string Line(const char* call, const Device& d, std::uint32_t property, std::uint32_t size) {
      return std::string(call) + " " + d.instanceId + " " + std::to_string(property) + " " + std::to_string(size);
    }
    SimulatedDeviceSetup& o_;
    std::vector<std::uint64_t> members_;  // the devices the set enumerates
  };

  // A raw list's entries, each between NULs, up to its first empty entry (where Windows ends a list) or its end.
  static std::string Listed(const std::optional<std::string>& list) {
    std::string entries = '\0' + list.value_or("") + std::string(2, '\0');
    return entries.erase(entries.find(std::string(2, '\0')) + 1);
  }
  static bool Fail(std::uint32_t code) { return SetLastError(code), false; }
  static bool Succeed() { return SetLastError(err::kSuccess), true; }
  std::unique_ptr<DeviceInfoSet> NewSet(std::vector<std::uint64_t> members) {
    ++liveSets;
    Succeed();
    return std::make_unique<Set>(*this, std::move(members));
  }
  // Logs the call; true (with the last-error code set) when a scripted failure hits it.
  bool Scripted(const std::string& line) {
    calls_.push_back(line);
    for (const auto& [call, code, occurrence] : failures_) {
      const bool due = occurrence == 0 || occurrence == CountCalls(call);
      if (line.rfind(call, 0) == 0 && due) return SetLastError(code), true;
    }
    return false;
  }

  std::map<std::uint64_t, Device> devices_;
  std::vector<std::tuple<std::string, std::uint32_t, int>> failures_;  // call, code, occurrence
  std::vector<std::string> calls_;
  std::uint64_t nextSerial_ = 1;
};

}  // namespace pelorin::testing
