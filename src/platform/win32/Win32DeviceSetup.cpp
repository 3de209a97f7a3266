#include "platform/win32/Win32DeviceSetup.h"

#include <windows.h>
#include <newdev.h>
#include <setupapi.h>

#include <cstring>
#include <utility>
#include <vector>

#include "platform/win32/Handles.h"

namespace pelorin::win32 {

namespace {

GUID ToGuid(const DeviceClassGuid& in) {
  GUID out;
  out.Data1 = in.data1;
  out.Data2 = in.data2;
  out.Data3 = in.data3;
  std::memcpy(out.Data4, in.data4, sizeof out.Data4);
  return out;
}

struct DevInfoTraits {
  using Type = HDEVINFO;
  static HDEVINFO Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HDEVINFO set) { ::SetupDiDestroyDeviceInfoList(set); }
};
// A device set from SetupDiGetClassDevsA or SetupDiCreateDeviceInfoList.
using DevInfoHandle = UniqueHandle<DevInfoTraits>;

DeviceClassGuid FromGuid(const GUID& in) {
  DeviceClassGuid out;
  out.data1 = in.Data1;
  out.data2 = in.Data2;
  out.data3 = in.Data3;
  std::memcpy(out.data4, in.Data4, sizeof out.data4);
  return out;
}

// One HDEVINFO. The elements it hands out are kept here and named by their
// position, so the core never holds an SP_DEVINFO_DATA.
class Win32DeviceInfoSet : public DeviceInfoSet {
 public:
  explicit Win32DeviceInfoSet(DevInfoHandle set) : set_(std::move(set)) {}

  bool EnumDevice(std::uint32_t index, DeviceElement& element) override {
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInfo(set_.get(), index, &data)) return false;
    element = Keep(data);
    return true;
  }

  bool GetRegistryProperty(const DeviceElement& element, std::uint32_t property, std::uint32_t* type,
                           unsigned char* buffer, std::uint32_t size, std::uint32_t* required) override {
    SP_DEVINFO_DATA* data = Find(element);
    if (!data) return Invalid();
    DWORD dataType = 0;
    DWORD needed = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(set_.get(), data, property, &dataType, buffer, size, &needed)) {
      if (required) *required = needed;
      return false;
    }
    if (type) *type = dataType;
    if (required) *required = needed;
    // wine leaves the code of the sizing call (122) behind a successful read.
    SetLastError(ERROR_SUCCESS);
    return true;
  }

  bool CreateDevice(const std::string& name, const DeviceClassGuid& classGuid, const char* description,
                    std::uint32_t flags, DeviceElement& element) override {
    const GUID guid = ToGuid(classGuid);
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof data;
    if (!SetupDiCreateDeviceInfoA(set_.get(), name.c_str(), &guid, description, nullptr, flags, &data)) return false;
    element = Keep(data);
    return true;
  }

  bool SetRegistryProperty(const DeviceElement& element, std::uint32_t property, const unsigned char* data,
                           std::uint32_t size) override {
    SP_DEVINFO_DATA* device = Find(element);
    if (!device) return Invalid();
    return SetupDiSetDeviceRegistryPropertyA(set_.get(), device, property, data, size) != FALSE;
  }

  bool CallClassInstaller(std::uint32_t function, const DeviceElement& element) override {
    SP_DEVINFO_DATA* device = Find(element);
    if (!device) return Invalid();
    if (!SetupDiCallClassInstaller(function, set_.get(), device)) return false;
    // wine leaves whatever code was there before a successful call.
    SetLastError(ERROR_SUCCESS);
    return true;
  }

 private:
  DeviceElement Keep(const SP_DEVINFO_DATA& data) {
    elements_.push_back(data);
    return DeviceElement{elements_.size()};
  }

  SP_DEVINFO_DATA* Find(const DeviceElement& element) {
    if (element.token == 0 || element.token > elements_.size()) return nullptr;
    return &elements_[element.token - 1];
  }

  static bool Invalid() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }

  DevInfoHandle set_;
  std::vector<SP_DEVINFO_DATA> elements_;
};

}  // namespace

std::unique_ptr<DeviceInfoSet> Win32DeviceSetup::GetClassDevs(std::uint32_t flags) {
  DevInfoHandle set(SetupDiGetClassDevsA(nullptr, nullptr, nullptr, flags));
  if (!set) return nullptr;
  return std::make_unique<Win32DeviceInfoSet>(std::move(set));
}

bool Win32DeviceSetup::GetInfClass(const std::string& infPath, DeviceClassGuid& classGuid, char* className,
                                   std::uint32_t cap) {
  GUID guid = {};
  if (!SetupDiGetINFClassA(infPath.c_str(), &guid, className, cap, nullptr)) return false;
  classGuid = FromGuid(guid);
  return true;
}

std::unique_ptr<DeviceInfoSet> Win32DeviceSetup::CreateDeviceInfoList(const DeviceClassGuid& classGuid) {
  const GUID guid = ToGuid(classGuid);
  DevInfoHandle set(SetupDiCreateDeviceInfoList(&guid, nullptr));
  if (!set) return nullptr;
  return std::make_unique<Win32DeviceInfoSet>(std::move(set));
}

bool Win32DeviceSetup::UpdateDriver(const std::string& hardwareId, const std::string& infPath,
                                    std::uint32_t flags, bool* restart) {
  BOOL reboot = FALSE;
  if (!UpdateDriverForPlugAndPlayDevicesA(nullptr, hardwareId.c_str(), infPath.c_str(), flags, &reboot)) {
    return false;
  }
  if (restart) *restart = reboot != FALSE;
  SetLastError(ERROR_SUCCESS);
  return true;
}

}  // namespace pelorin::win32
