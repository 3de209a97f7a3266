#include "SimulatedDeviceSetup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/Errors.h"
#include "platform/Mbcs.h"

namespace pelorin::testing {

namespace {

constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kErrorDevinstAlreadyExists = 0xE0000207u;

std::string MultiString(const std::vector<std::string>& entries) {
  std::string list;
  for (const auto& entry : entries) {
    list += entry;
    list += '\0';
  }
  list += '\0';
  if (entries.empty()) list += '\0';
  return list;
}

// The entries of a raw multi-string, up to its first empty string or its end.
std::vector<std::string> Entries(const std::string& list) {
  std::vector<std::string> entries;
  std::size_t pos = 0;
  while (pos < list.size() && list[pos] != '\0') {
    const std::size_t end = std::min(list.find('\0', pos), list.size());
    entries.push_back(list.substr(pos, end - pos));
    pos = end + 1;
  }
  return entries;
}

bool Fail(std::uint32_t code) {
  SetLastError(code);
  return false;
}

bool Succeed() {
  SetLastError(err::kSuccess);
  return true;
}

}  // namespace

class SimulatedDeviceSetup::Set : public DeviceInfoSet {
 public:
  Set(SimulatedDeviceSetup& owner, std::vector<std::uint64_t> members)
      : owner_(owner), members_(std::move(members)) {
    ++owner_.setsCreated_;
  }

  ~Set() override {
    owner_.Record("DestroyDeviceInfoList");
    ++owner_.setsDestroyed_;
    // An element that was never registered exists only in its set.
    for (std::uint64_t serial : created_) {
      const Device* device = owner_.FindDevice(serial);
      if (device && !device->present) owner_.EraseDevice(serial);
    }
    if (owner_.destroyError_ != 0) SetLastError(owner_.destroyError_);
  }

  bool EnumDevice(std::uint32_t index, DeviceElement& element) override {
    owner_.Record("EnumDeviceInfo " + std::to_string(index));
    if (owner_.ScriptedFailure(DeviceStep::kEnumDevice)) return false;
    if (index >= members_.size()) return Fail(err::kNoMoreItems);
    element.token = members_[index];
    return Succeed();
  }

  bool GetRegistryProperty(const DeviceElement& element, std::uint32_t property, std::uint32_t* type,
                           unsigned char* buffer, std::uint32_t size, std::uint32_t* required) override {
    Device* device = owner_.FindDevice(element.token);
    owner_.Record("GetDeviceRegistryProperty " + (device ? device->instanceId : std::string("?")) + " " +
                  std::to_string(property) + " " + std::to_string(size));
    const std::string* list = !device ? nullptr
                              : property == setup::kSpdrpHardwareId && device->hasHardwareIds ? &device->hardwareIds
                              : property == setup::kSpdrpCompatibleIds && !device->compatibleIds.empty()
                                  ? &device->compatibleIds
                                  : nullptr;
    const bool hasList = list != nullptr;
    const auto listSize = hasList ? static_cast<std::uint32_t>(list->size()) : 0u;
    if (owner_.ScriptedFailure(DeviceStep::kGetRegistryProperty)) {
      if (required && GetLastError() == err::kInsufficientBuffer) *required = listSize;
      return false;
    }
    if (!device) return Fail(setup::kErrorNoSuchDevinst);
    if (!hasList) {
      if (required) *required = 0;
      return Fail(err::kInvalidData);
    }
    if (required) *required = listSize;
    if (type) *type = kRegMultiSz;
    if (!buffer || size < listSize) return Fail(err::kInsufficientBuffer);
    std::memcpy(buffer, list->data(), listSize);
    return Succeed();
  }

  bool CreateDevice(const std::string& name, const DeviceClassGuid& classGuid, const char* description,
                    std::uint32_t flags, DeviceElement& element) override {
    owner_.Record("CreateDeviceInfo " + name + " " + std::to_string(flags) + (description ? " described" : ""));
    if (owner_.ScriptedFailure(DeviceStep::kCreateDevice)) return false;
    Device device;
    device.instanceId = (flags & setup::kDicdGenerateId) ? owner_.GenerateInstanceId(name) : name;
    for (const auto& other : owner_.devices_) {
      if (mbcs::EqualsNoCaseAscii(other.instanceId, device.instanceId)) return Fail(kErrorDevinstAlreadyExists);
    }
    device.serial = owner_.nextSerial_++;
    device.classGuid = classGuid;
    owner_.devices_.push_back(device);
    created_.push_back(device.serial);
    element.token = device.serial;
    return Succeed();
  }

  bool SetRegistryProperty(const DeviceElement& element, std::uint32_t property, const unsigned char* data,
                           std::uint32_t size) override {
    Device* device = owner_.FindDevice(element.token);
    owner_.Record("SetDeviceRegistryProperty " + (device ? device->instanceId : std::string("?")) + " " +
                  std::to_string(property) + " " + std::to_string(size));
    if (owner_.ScriptedFailure(DeviceStep::kSetRegistryProperty)) return false;
    if (!device) return Fail(setup::kErrorNoSuchDevinst);
    if (property != setup::kSpdrpHardwareId || (size > 0 && !data)) return Fail(err::kInvalidParameter);
    device->hardwareIds.assign(reinterpret_cast<const char*>(data), size);
    device->hasHardwareIds = true;
    return Succeed();
  }

  bool CallClassInstaller(std::uint32_t function, const DeviceElement& element) override {
    Device* device = owner_.FindDevice(element.token);
    owner_.Record("CallClassInstaller " + std::to_string(function) + " " +
                  (device ? device->instanceId : std::string("?")));
    if (function == setup::kDifRegisterDevice) {
      if (owner_.ScriptedFailure(DeviceStep::kRegisterDevice)) return false;
      if (!device) return Fail(setup::kErrorNoSuchDevinst);
      device->present = true;
      return Succeed();
    }
    if (function == setup::kDifRemove) {
      if (owner_.ScriptedFailure(DeviceStep::kRemoveDevice)) return false;
      if (!device) return Fail(setup::kErrorNoSuchDevinst);
      owner_.EraseDevice(element.token);
      return Succeed();
    }
    return Fail(err::kInvalidParameter);
  }

 private:
  SimulatedDeviceSetup& owner_;
  std::vector<std::uint64_t> members_;  // the devices the set enumerates
  std::vector<std::uint64_t> created_;  // the elements created in it
};

void SimulatedDeviceSetup::AddDevice(const std::string& instanceId, const std::vector<std::string>& hardwareIds,
                                     const std::vector<std::string>& compatibleIds) {
  AddDeviceRawIds(instanceId, MultiString(hardwareIds));
  if (!compatibleIds.empty()) devices_.back().compatibleIds = MultiString(compatibleIds);
}

void SimulatedDeviceSetup::AddDeviceWithoutIds(const std::string& instanceId) {
  Device device;
  device.serial = nextSerial_++;
  device.instanceId = instanceId;
  device.present = true;
  devices_.push_back(device);
}

void SimulatedDeviceSetup::AddDeviceRawIds(const std::string& instanceId, const std::string& rawList) {
  AddDeviceWithoutIds(instanceId);
  devices_.back().hasHardwareIds = true;
  devices_.back().hardwareIds = rawList;
}

void SimulatedDeviceSetup::AddInf(const std::string& path, const DeviceClassGuid& classGuid,
                                  const std::string& className, const std::vector<std::string>& models) {
  infs_.push_back({path, classGuid, className, models});
}

void SimulatedDeviceSetup::FailStep(DeviceStep step, std::uint32_t code, int occurrence) {
  failures_.push_back({step, code, occurrence});
}

int SimulatedDeviceSetup::CountCalls(const std::string& prefix) const {
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const std::string& line) {
    return line.compare(0, prefix.size(), prefix) == 0;
  }));
}

std::vector<const SimulatedDeviceSetup::Device*> SimulatedDeviceSetup::PresentDevices() const {
  std::vector<const Device*> present;
  for (const auto& device : devices_) {
    if (device.present) present.push_back(&device);
  }
  return present;
}

std::unique_ptr<DeviceInfoSet> SimulatedDeviceSetup::GetClassDevs(std::uint32_t flags) {
  Record("GetClassDevs " + std::to_string(flags));
  if (ScriptedFailure(DeviceStep::kGetClassDevs)) return nullptr;
  std::vector<std::uint64_t> members;
  for (const auto& device : devices_) {
    if (device.present) members.push_back(device.serial);
  }
  auto set = std::make_unique<Set>(*this, std::move(members));
  SetLastError(err::kSuccess);
  return set;
}

bool SimulatedDeviceSetup::GetInfClass(const std::string& infPath, DeviceClassGuid& classGuid, char* className,
                                       std::uint32_t cap) {
  Record("GetINFClass " + infPath);
  if (ScriptedFailure(DeviceStep::kGetInfClass)) return false;
  const Inf* inf = FindInf(infPath);
  if (!inf) return Fail(err::kFileNotFound);
  if (!className || inf->className.size() + 1 > cap) return Fail(err::kInsufficientBuffer);
  std::memcpy(className, inf->className.c_str(), inf->className.size() + 1);
  classGuid = inf->classGuid;
  return Succeed();
}

std::unique_ptr<DeviceInfoSet> SimulatedDeviceSetup::CreateDeviceInfoList(const DeviceClassGuid&) {
  Record("CreateDeviceInfoList");
  if (ScriptedFailure(DeviceStep::kCreateDeviceInfoList)) return nullptr;
  auto set = std::make_unique<Set>(*this, std::vector<std::uint64_t>());
  SetLastError(err::kSuccess);
  return set;
}

bool SimulatedDeviceSetup::UpdateDriver(const std::string& hardwareId, const std::string& infPath,
                                        std::uint32_t flags, bool* restart) {
  Record("UpdateDriverForPlugAndPlayDevices " + hardwareId + " " + infPath + " " + std::to_string(flags));
  if (ScriptedFailure(DeviceStep::kUpdateDriver)) return false;
  const Inf* inf = FindInf(infPath);
  if (!inf) return Fail(err::kFileNotFound);
  std::vector<Device*> targets;
  for (auto& device : devices_) {
    if (!device.present) continue;
    auto entries = Entries(device.hasHardwareIds ? device.hardwareIds : "");
    for (auto& entry : Entries(device.compatibleIds)) entries.push_back(std::move(entry));
    if (std::any_of(entries.begin(), entries.end(),
                    [&](const std::string& entry) { return mbcs::EqualsNoCaseAscii(entry, hardwareId); })) {
      targets.push_back(&device);
    }
  }
  if (targets.empty()) return Fail(setup::kErrorNoSuchDevinst);
  if (!inf->models.empty() &&
      std::none_of(inf->models.begin(), inf->models.end(),
                   [&](const std::string& model) { return mbcs::EqualsNoCaseAscii(model, hardwareId); })) {
    return Fail(setup::kErrorNoDriverSelected);
  }
  for (Device* device : targets) device->driverInf = infPath;
  if (restart) *restart = restartNeeded_;
  return Succeed();
}

bool SimulatedDeviceSetup::ScriptedFailure(DeviceStep step) {
  const int call = ++stepCalls_[static_cast<std::size_t>(step)];
  for (const auto& failure : failures_) {
    if (failure.step == step && (failure.occurrence == 0 || failure.occurrence == call)) {
      SetLastError(failure.code);
      return true;
    }
  }
  return false;
}

SimulatedDeviceSetup::Device* SimulatedDeviceSetup::FindDevice(std::uint64_t serial) {
  for (auto& device : devices_) {
    if (device.serial == serial) return &device;
  }
  return nullptr;
}

const SimulatedDeviceSetup::Inf* SimulatedDeviceSetup::FindInf(const std::string& path) const {
  for (const auto& inf : infs_) {
    if (mbcs::EqualsNoCaseAscii(inf.path, path)) return &inf;
  }
  return nullptr;
}

void SimulatedDeviceSetup::EraseDevice(std::uint64_t serial) {
  devices_.erase(std::remove_if(devices_.begin(), devices_.end(),
                                [serial](const Device& device) { return device.serial == serial; }),
                 devices_.end());
}

std::string SimulatedDeviceSetup::GenerateInstanceId(const std::string& name) const {
  // ROOT\<NAME>\nnnn with the lowest number not yet taken, as Windows generates them.
  std::string upper = "ROOT\\" + name + "\\";
  for (std::size_t i = 0; i < upper.size(); i += mbcs::CharLength(upper, i)) {
    if (upper[i] >= 'a' && upper[i] <= 'z') upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
  }
  for (int number = 0;; ++number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", number);
    const std::string candidate = upper + digits;
    const bool taken = std::any_of(devices_.begin(), devices_.end(), [&](const Device& device) {
      return mbcs::EqualsNoCaseAscii(device.instanceId, candidate);
    });
    if (!taken) return candidate;
  }
}

}  // namespace pelorin::testing
