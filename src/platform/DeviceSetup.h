#pragma once
// Device installation services with the results of the SETUPAPI and NEWDEV calls
// they mirror: success flags, and the thread's last-error code (Errors.h) as the
// reason of a failure. Strings are narrow strings in the system code page.
//
// Device sets are objects (HDEVINFO); destroying one destroys the set
// (SetupDiDestroyDeviceInfoList). A device element (SP_DEVINFO_DATA) is a token
// that only the set which produced it understands.
#include <cstdint>
#include <memory>
#include <string>

namespace pelorin {

namespace setup {
// SetupDiGetClassDevsA flags.
constexpr std::uint32_t kDigcfPresent = 0x02;
constexpr std::uint32_t kDigcfAllClasses = 0x04;
// SetupDiCreateDeviceInfoA flags.
constexpr std::uint32_t kDicdGenerateId = 0x01;
// Device registry properties (multi-strings).
constexpr std::uint32_t kSpdrpHardwareId = 1;
constexpr std::uint32_t kSpdrpCompatibleIds = 2;
// Installer functions for SetupDiCallClassInstaller.
constexpr std::uint32_t kDifRemove = 5;
constexpr std::uint32_t kDifRegisterDevice = 25;
// UpdateDriverForPlugAndPlayDevicesA flags.
constexpr std::uint32_t kInstallFlagForce = 0x01;
// Setup error codes (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | n).
constexpr std::uint32_t kErrorNoSuchDevinst = 0xE000020Bu;
constexpr std::uint32_t kErrorNoDriverSelected = 0xE0000203u;
}  // namespace setup

// A GUID with the layout of the Windows one.
struct DeviceClassGuid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  unsigned char data4[8] = {};
};

inline bool operator==(const DeviceClassGuid& a, const DeviceClassGuid& b) {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.data4[i] != b.data4[i]) return false;
  }
  return true;
}
inline bool operator!=(const DeviceClassGuid& a, const DeviceClassGuid& b) { return !(a == b); }

// One device of a set, as the set's enumeration or creation handed it out.
struct DeviceElement {
  std::uint64_t token = 0;
};

class DeviceInfoSet {
 public:
  virtual ~DeviceInfoSet() = default;

  // SetupDiEnumDeviceInfo: the device at `index`; false with kNoMoreItems past
  // the last one.
  virtual bool EnumDevice(std::uint32_t index, DeviceElement& element) = 0;

  // SetupDiGetDeviceRegistryPropertyA (kSpdrpHardwareId, kSpdrpCompatibleIds).
  // `buffer` may be null when `size` is 0. *required (may be null) receives the
  // property's size. False with kInsufficientBuffer (and the size) when the
  // buffer is too small, with kInvalidData when the device has no such property.
  // On success the last-error code is 0.
  virtual bool GetRegistryProperty(const DeviceElement& element, std::uint32_t property,
                                   std::uint32_t* type, unsigned char* buffer, std::uint32_t size,
                                   std::uint32_t* required) = 0;

  // SetupDiCreateDeviceInfoA with no window: a new element named `name` (or, with
  // kDicdGenerateId, a generated instance ID under ROOT\name).
  virtual bool CreateDevice(const std::string& name, const DeviceClassGuid& classGuid,
                            const char* description, std::uint32_t flags, DeviceElement& element) = 0;

  // SetupDiSetDeviceRegistryPropertyA: `size` bytes of `data`.
  virtual bool SetRegistryProperty(const DeviceElement& element, std::uint32_t property,
                                   const unsigned char* data, std::uint32_t size) = 0;

  // SetupDiCallClassInstaller. On success the last-error code is 0.
  virtual bool CallClassInstaller(std::uint32_t function, const DeviceElement& element) = 0;
};

class DeviceSetup {
 public:
  virtual ~DeviceSetup() = default;

  // SetupDiGetClassDevsA with no class, no enumerator and no window: null with the
  // last-error code set on failure.
  virtual std::unique_ptr<DeviceInfoSet> GetClassDevs(std::uint32_t flags) = 0;

  // SetupDiGetINFClassA: the class GUID and class name (`cap` bytes) named by
  // the INF; false with the last-error code set (kFileNotFound for no file).
  virtual bool GetInfClass(const std::string& infPath, DeviceClassGuid& classGuid, char* className,
                           std::uint32_t cap) = 0;

  // SetupDiCreateDeviceInfoList with no window: an empty set of that class, or
  // null with the last-error code set.
  virtual std::unique_ptr<DeviceInfoSet> CreateDeviceInfoList(const DeviceClassGuid& classGuid) = 0;

  // UpdateDriverForPlugAndPlayDevicesA with no window: installs the INF on every
  // present device that carries `hardwareId` among its hardware or compatible
  // IDs; *restart (may be null) tells
  // whether a restart is needed. On success the last-error code is 0.
  virtual bool UpdateDriver(const std::string& hardwareId, const std::string& infPath,
                                                 std::uint32_t flags, bool* restart) = 0;
};

}  // namespace pelorin
