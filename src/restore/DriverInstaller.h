#pragma once
// Installs one driver package (an INF) for one hardware ID through the device
// installation services: onto the present devices that carry the ID, or, when
// none does and the ID names a software-enumerated device, onto a new
// root-enumerated one; absent hardware fails. Runs synchronously on the caller's
// thread. Failures leave the last-error code of the failing step set.
#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace pelorin {

namespace install {
constexpr int kInstalled = 0;
constexpr int kInstalledRestartNeeded = 1;
constexpr int kFailed = 2;
// Class-name buffer handed to the INF class read.
constexpr std::uint32_t kClassNameBuffer = 512;
}  // namespace install

// Receives each failed step's label and last-error code: a trace for
// developers. Nothing of it is ever shown to the user.
class InstallFailureLog {
 public:
  virtual ~InstallFailureLog() = default;
  virtual void StepFailed(const char* label, std::uint32_t code) = 0;
};

class CDriverInstaller {
 public:
  // `platform.files` and `platform.devices` are used.
  explicit CDriverInstaller(const Platform& platform, InstallFailureLog* log = nullptr)
      : platform_(platform), log_(log) {}

  // install::kInstalled, kInstalledRestartNeeded or kFailed.
  int InstallDriver(const std::string& infPath, const std::string& hardwareId);

  // True when a present device carries `hardwareId` (ASCII case aside) in its
  // hardware-ID or compatible-ID list;
  // false with kNoMoreItems when every present device was examined without one,
  // false with another code when the search failed.
  bool FindPresentDevice(const std::string& hardwareId);

  // `hardwareIdList` is the ID followed by two NULs. Creates, registers and
  // installs a root-enumerated device; a registered device that did not get the
  // driver is removed again, the update's error code kept.
  bool InstallRootDevice(const std::string& hardwareIdList, const std::string& infPath, bool* restart);

  // Passes the label to the log; the last-error code is left as it was. False.
  bool ReportFailure(const char* label);

 private:
  Platform platform_;
  InstallFailureLog* log_;
};

}  // namespace pelorin
