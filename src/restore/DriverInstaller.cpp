#include "restore/DriverInstaller.h"

#include <cstring>
#include <memory>
#include <vector>

#include "platform/Errors.h"
#include "restore/RestoreTexts.h"

namespace pelorin {

namespace {

using namespace restoretexts;

// Owns a device set; destroying it keeps the last-error code of the step before,
// so the caller sees why the operation failed, not what the clean-up left.
class KeptDeviceSet {
 public:
  explicit KeptDeviceSet(std::unique_ptr<DeviceInfoSet> set) : set_(std::move(set)) {}
  ~KeptDeviceSet() { Destroy(); }
  KeptDeviceSet(const KeptDeviceSet&) = delete;
  KeptDeviceSet& operator=(const KeptDeviceSet&) = delete;

  explicit operator bool() const { return set_ != nullptr; }
  DeviceInfoSet* operator->() const { return set_.get(); }

  void Destroy() {
    if (!set_) return;
    LastErrorKeeper keep;
    set_.reset();
  }

 private:
  std::unique_ptr<DeviceInfoSet> set_;
};

// True when an entry of the multi-string in the first `size` bytes of `list`
// equals `hardwareId` byte for byte. Stops at the first empty entry or the end of
// the data, whichever comes first, so a list without its closing NULs is safe.
bool ListHolds(const std::vector<unsigned char>& list, std::size_t size, const std::string& hardwareId) {
  const char* text = reinterpret_cast<const char*>(list.data());
  const std::size_t limit = size < list.size() ? size : list.size();
  std::size_t pos = 0;
  while (pos < limit && text[pos] != '\0') {
    const std::size_t length = strnlen(text + pos, limit - pos);
    if (length == hardwareId.size() && std::memcmp(text + pos, hardwareId.data(), length) == 0) return true;
    pos += length + 1;
  }
  return false;
}

}  // namespace

int CDriverInstaller::InstallDriver(const std::string& infPath, const std::string& hardwareId) {
  bool restart = false;
  {
    FindEntry entry;
    if (!platform_.files->FindFirst(infPath, entry)) return install::kFailed;
  }

  if (FindPresentDevice(hardwareId)) {
    if (!platform_.devices->UpdateDriver(hardwareId, infPath, setup::kInstallFlagForce,
                                                              &restart)) {
      ReportFailure(kStepUpdateDriver);
      return install::kFailed;
    }
  } else {
    // Only a search that examined every present device may lead to a new one.
    if (GetLastError() != err::kNoMoreItems) return install::kFailed;
    std::string hardwareIdList = hardwareId;
    hardwareIdList.append(2, '\0');
    if (!InstallRootDevice(hardwareIdList, infPath, &restart)) return install::kFailed;
  }
  return restart ? install::kInstalledRestartNeeded : install::kInstalled;
}

bool CDriverInstaller::FindPresentDevice(const std::string& hardwareId) {
  KeptDeviceSet devices(platform_.devices->GetClassDevs(setup::kDigcfPresent | setup::kDigcfAllClasses));
  if (!devices) return ReportFailure(kStepGetClassDevs);

  bool found = false;
  DeviceElement element;
  for (std::uint32_t index = 0; !found && devices->EnumDevice(index, element); ++index) {
    std::vector<unsigned char> buffer;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    bool hasList = true;
    while (!devices->GetRegistryProperty(element, setup::kSpdrpHardwareId, &type,
                                         buffer.empty() ? nullptr : buffer.data(),
                                         static_cast<std::uint32_t>(buffer.size()), &size)) {
      const std::uint32_t code = GetLastError();
      if (code == err::kInvalidData) {
        hasList = false;
        break;
      }
      // A required size no larger than the buffer just offered would give the same
      // answer again and again; take it as a failed read instead of spinning.
      if (code == err::kInsufficientBuffer && size > buffer.size()) {
        buffer.assign(size, 0);
        continue;
      }
      return ReportFailure(kStepGetDeviceRegistryProperty);
    }
    if (!hasList) continue;
    // A device is a hit when its list carries the sought ID itself; taking any
    // other entry as a hit would stop at the first device with a list and never
    // give the root-device road a chance.
    found = ListHolds(buffer, size, hardwareId);
  }

  if (GetLastError() != err::kSuccess) ReportFailure(kStepEnumDeviceInfo);
  devices.Destroy();
  return found;
}

bool CDriverInstaller::InstallRootDevice(const std::string& hardwareIdList, const std::string& infPath,
                                         bool* restart) {
  DeviceClassGuid classGuid;
  char className[install::kClassNameBuffer] = {};
  if (!platform_.devices->GetInfClass(infPath, classGuid, className, sizeof className)) {
    return ReportFailure(kStepGetInfClass);
  }

  KeptDeviceSet set(platform_.devices->CreateDeviceInfoList(classGuid));
  if (!set) return ReportFailure(kStepCreateDeviceInfoList);

  const auto finish = [&set](bool stepsSucceeded) {
    set.Destroy();
    return stepsSucceeded && GetLastError() == err::kSuccess;
  };

  DeviceElement element;
  if (!set->CreateDevice(className, classGuid, nullptr, setup::kDicdGenerateId, element)) {
    ReportFailure(kStepCreateDeviceInfo);
    return finish(false);
  }
  const char* hardwareId = hardwareIdList.c_str();
  const auto listSize = static_cast<std::uint32_t>(std::strlen(hardwareId) + 2);
  if (!set->SetRegistryProperty(element, setup::kSpdrpHardwareId,
                                reinterpret_cast<const unsigned char*>(hardwareIdList.data()), listSize)) {
    ReportFailure(kStepSetDeviceRegistryProperty);
    return finish(false);
  }
  if (!set->CallClassInstaller(setup::kDifRegisterDevice, element)) {
    ReportFailure(kStepRegisterDevice);
    return finish(false);
  }
  if (!platform_.devices->UpdateDriver(hardwareId, infPath, setup::kInstallFlagForce,
                                                            restart)) {
    {
      LastErrorKeeper keepUpdateCode;
      ReportFailure(kStepUpdateDriver);
      if (!set->CallClassInstaller(setup::kDifRemove, element)) ReportFailure(kStepRemoveDevice);
    }
    return finish(false);
  }
  return finish(true);
}

bool CDriverInstaller::ReportFailure(const char* label) {
  const std::uint32_t code = GetLastError();
  if (log_) log_->StepFailed(label, code);
  SetLastError(code);
  return false;
}

}  // namespace pelorin
