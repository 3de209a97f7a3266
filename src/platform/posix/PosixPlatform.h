#pragma once
// The POSIX backend in one object: an offline Windows installation seen from
// Linux. Drive letters map onto host folders (Z: is "/" from the start, as
// under wine; C: is usually the installation's root), file and profile services
// work on the mapped paths, message boxes go to stderr unless replaced, and the
// registry and resources are supplied by the caller.
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/DriveMap.h"
#include "platform/posix/IniProfile.h"
#include "platform/posix/PosixFileSystem.h"

namespace pelorin::posix {

// Writes the box's text (as UTF-8) to stderr and answers OK.
class StderrMessageBoxes : public MessageBoxes {
 public:
  int Show(const std::string& text, const char* caption, std::uint32_t type) override;
};

// An offline installation: its architecture as its registry records it; the
// driver store is never asked (no running system answers).
class OfflineSystemInfo : public SystemInfo {
 public:
  void SetRegistry(Registry* registry) { registry_ = registry; }
  Architecture InstallationArchitecture() override;
  bool DriverStoreInfPath(const std::string& infName, std::string& storeInfPath) override;

 private:
  Registry* registry_ = nullptr;
};

class PosixPlatform {
 public:
  PosixPlatform();
  PosixPlatform(const PosixPlatform&) = delete;
  PosixPlatform& operator=(const PosixPlatform&) = delete;

  // `hostFolder` empty removes the drive.
  void MapDrive(char letter, const std::string& hostFolder);
  // The host folder GetTempPath reports (created on demand); see PosixFileSystem.
  void SetTempFolder(const std::string& hostFolder);
  // Not owned; null leaves the service absent (boxes: back to the stderr default).
  void SetRegistry(Registry* registry);
  void SetMessageBoxes(MessageBoxes* boxes);
  void SetResources(Resources* resources);

  const Platform& Get() const { return platform_; }
  PosixFileSystem& files() { return files_; }
  IniProfile& profile() { return profile_; }
  const DriveMap& drives() const { return drives_; }

  // "/tmp/x" → "Z:\tmp\x" through the drive with the longest matching folder;
  // empty when no drive covers the path.
  std::string ToWindowsPath(const std::string& hostPath) const;
  // The host path of a Windows path, names matched without regard to case; the
  // last name may be missing (it is then taken as given). False when the drive
  // or a folder on the way is missing or a name is invalid.
  bool ToHostPath(const std::string& windowsPath, std::string& hostPath) const;

 private:
  DriveMap drives_;
  PosixFileSystem files_;
  IniProfile profile_;
  StderrMessageBoxes stderrBoxes_;
  OfflineSystemInfo system_;
  Platform platform_;
};

}  // namespace pelorin::posix
