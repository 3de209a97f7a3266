#pragma once
// Which restorer goes into a self-extracting backup. Every pelorin.exe carries
// two: the one built for its own architecture as resource "SFX_EXE" 152, the
// other one (x86 beside amd64, amd64 beside x86) as 153. A backup takes the
// restorer of the machine it is meant for, which for a 32-bit pelorin.exe on
// 64-bit Windows is not its own: a 32-bit installer cannot install drivers there.
#include "platform/SystemInfo.h"
#include "res/resource.h"

namespace pelorin {

// The architecture this program is built for. Builds for other processors (the
// command-line edition on an arm64 host) carry their stubs as the x64 build does.
#if defined(_M_IX86) || defined(__i386__)
constexpr Architecture kBuildArchitecture = Architecture::kX86;
#else
constexpr Architecture kBuildArchitecture = Architecture::kAmd64;
#endif

// No restorer is built for arm64, ia64 or arm.
constexpr int kNoRestorer = 0;

// The resource id of the restorer for a machine of `machine` in a program built
// for `own` (x86 or amd64), or kNoRestorer.
constexpr int RestorerResourceId(Architecture machine, Architecture own = kBuildArchitecture) {
  if (machine != Architecture::kX86 && machine != Architecture::kAmd64) return kNoRestorer;
  return machine == own ? IDR_SFX_EXE : IDR_SFX_EXE_OTHER;
}

// The machine a backup made now is restored on: the running system, or the
// offline installation. Without the service, the program's own architecture.
inline Architecture TargetArchitecture(SystemInfo* system) {
  return system != nullptr ? system->InstallationArchitecture() : kBuildArchitecture;
}

// True for a 32-bit program on 64-bit Windows: it can back up, but the driver
// installation refuses to run under WOW64.
inline bool CannotInstallHere(SystemInfo* system, Architecture own = kBuildArchitecture) {
  return own == Architecture::kX86 && TargetArchitecture(system) == Architecture::kAmd64;
}

}  // namespace pelorin
