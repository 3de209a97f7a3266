#include "platform/posix/PosixPlatform.h"

#include <cstdio>

#include "platform/Errors.h"
#include "platform/posix/Encoding.h"

namespace pelorin::posix {

int StderrMessageBoxes::Show(const std::string& text, const char* caption, std::uint32_t /*type*/) {
  std::string line;
  if (caption != nullptr && *caption != '\0') line = GbkToUtf8Lossy(caption) + ": ";
  line += GbkToUtf8Lossy(text);
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  return mb::kIdOk;
}

Architecture OfflineSystemInfo::InstallationArchitecture() {
  return registry_ != nullptr ? ArchitectureFromRegistry(*registry_) : Architecture::kX86;
}

bool OfflineSystemInfo::DriverStoreInfPath(const std::string& /*infName*/, std::string& /*storeInfPath*/) {
  return false;
}

PosixPlatform::PosixPlatform() : files_(drives_), profile_(drives_) {
  drives_.Map('Z', "/");
  platform_.files = &files_;
  platform_.profile = &profile_;
  platform_.boxes = &stderrBoxes_;
  platform_.system = &system_;
}

void PosixPlatform::MapDrive(char letter, const std::string& hostFolder) {
  drives_.Map(letter, hostFolder);
}

void PosixPlatform::SetTempFolder(const std::string& hostFolder) { files_.SetTempFolder(hostFolder); }

void PosixPlatform::SetRegistry(Registry* registry) {
  platform_.registry = registry;
  system_.SetRegistry(registry);
}

void PosixPlatform::SetMessageBoxes(MessageBoxes* boxes) {
  platform_.boxes = boxes ? boxes : &stderrBoxes_;
}

void PosixPlatform::SetResources(Resources* resources) { platform_.resources = resources; }

std::string PosixPlatform::ToWindowsPath(const std::string& hostPath) const {
  return drives_.ToWindows(hostPath);
}

bool PosixPlatform::ToHostPath(const std::string& windowsPath, std::string& hostPath) const {
  ResolvedPath resolved;
  if (drives_.Resolve(windowsPath, resolved) != err::kSuccess) return false;
  hostPath = resolved.host;
  return true;
}

}  // namespace pelorin::posix
