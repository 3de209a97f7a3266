#include "restore/DriverInstaller.h"

#include <cstring>
#include <memory>
#include <vector>

#include "platform/Errors.h"
#include "platform/Mbcs.h"
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
  DeviceInfoSet& operator*() const { return *set_; }

  void Destroy() {
    if (!set_) return;
    LastErrorKeeper keep;
    set_.reset();
  }

 private:
  std::unique_ptr<DeviceInfoSet> set_;
};

// True when an entry of the multi-string in the first `size` bytes of `list`
// equals `id` without regard to ASCII case, as Plug and Play compares IDs
// (devices report them in upper case, the registry keeps the matched one lower
// case). Stops at the first empty entry or the end of the data, whichever comes
// first, so a list without its closing NULs is safe.
bool ListHolds(const std::vector<unsigned char>& list, std::size_t size, const std::string& id) {
  const char* text = reinterpret_cast<const char*>(list.data());
  const std::size_t limit = size < list.size() ? size : list.size();
  std::size_t pos = 0;
  while (pos < limit && text[pos] != '\0') {
    const std::size_t length = strnlen(text + pos, limit - pos);
    if (mbcs::EqualsNoCaseAscii(std::string(text + pos, length), id)) return true;
    pos += length + 1;
  }
  return false;
}

enum class ListRead { kRead, kNoList, kFailed };

// One ID list of a device, read with the two-call pattern into `buffer`; `size`
// receives the size the read returned.
ListRead ReadIdList(DeviceInfoSet& set, const DeviceElement& element, std::uint32_t property,
                    std::vector<unsigned char>& buffer, std::uint32_t& size) {
  buffer.clear();
  size = 0;
  std::uint32_t type = 0;
  while (!set.GetRegistryProperty(element, property, &type, buffer.empty() ? nullptr : buffer.data(),
                                  static_cast<std::uint32_t>(buffer.size()), &size)) {
    const std::uint32_t code = GetLastError();
    if (code == err::kInvalidData) return ListRead::kNoList;
    // A required size no larger than the buffer just offered would give the same
    // answer again and again; take it as a failed read instead of spinning.
    if (code != err::kInsufficientBuffer || size <= buffer.size()) return ListRead::kFailed;
    buffer.assign(size, 0);
  }
  return ListRead::kRead;
}

bool IsBracedGuid(const std::string& text) {
  static const char kForm[] = "{________-____-____-____-____________}";
  if (text.size() != sizeof kForm - 1) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool hex = text[i] != '\0' && std::strchr("0123456789abcdefABCDEF", text[i]) != nullptr;
    if (kForm[i] == '_' ? !hex : text[i] != kForm[i]) return false;
  }
  return true;
}

// True when the ID names a device that only software creates: no enumerator at
// all, or ROOT, SW, SWD or a {GUID}. Every other enumerator is a bus with
// hardware on it, and a root device carrying such an ID would stay behind as a
// phantom next to the real device once that is plugged in.
bool IsSoftwareEnumerated(const std::string& hardwareId) {
  const std::size_t slash = mbcs::FindFirst(hardwareId, '\\');
  if (slash == mbcs::npos) return true;
  const std::string enumerator = hardwareId.substr(0, slash);
  for (const char* name : {"ROOT", "SW", "SWD"}) {
    if (mbcs::EqualsNoCaseAscii(enumerator, name)) return true;
  }
  return IsBracedGuid(enumerator);
}

}  // namespace

int CDriverInstaller::InstallDriver(const std::string& infPath, const std::string& hardwareId) {
  bool restart = false;
  {
    FindEntry entry;
    if (!platform_.files->FindFirst(infPath, entry)) return install::kFailed;
  }

  if (FindPresentDevice(hardwareId)) {
    if (!platform_.devices->UpdateDriver(hardwareId, infPath, setup::kInstallFlagForce, &restart)) {
      ReportFailure(kStepUpdateDriver);
      return install::kFailed;
    }
  } else {
    // Only a search that examined every present device may lead to a new one.
    if (GetLastError() != err::kNoMoreItems) return install::kFailed;
    // Absent hardware: the driver waits until the device is plugged in.
    if (!IsSoftwareEnumerated(hardwareId)) return install::kFailed;
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
  std::vector<unsigned char> buffer;
  for (std::uint32_t index = 0; !found && devices->EnumDevice(index, element); ++index) {
    // The ID that matched the INF is often a compatible one; a device without
    // either list is passed over.
    for (std::uint32_t property : {setup::kSpdrpHardwareId, setup::kSpdrpCompatibleIds}) {
      std::uint32_t size = 0;
      const ListRead read = ReadIdList(*devices, element, property, buffer, size);
      if (read == ListRead::kFailed) return ReportFailure(kStepGetDeviceRegistryProperty);
      if (read == ListRead::kRead && ListHolds(buffer, size, hardwareId)) {
        found = true;
        break;
      }
    }
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
  if (!platform_.devices->UpdateDriver(hardwareId, infPath, setup::kInstallFlagForce, restart)) {
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
