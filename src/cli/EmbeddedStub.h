#pragma once
// The restorer stubs of the Windows builds, carried by the command-line edition
// so that it can write self-extracting backups for an x64 or an x86
// installation. They are served as the pelorin.exe of the host's architecture
// carries them (backup/RestorerChoice.h): on an x86-64 host "SFX_EXE" 152 is the
// x64 restorer, 153 the x86 one.
#include "platform/Resources.h"
#include "platform/SystemInfo.h"

namespace pelorin::cli {

// False when this build was made without the restorer for `arch` (always for
// the architectures no restorer is built for).
bool HasEmbeddedStub(Architecture arch);

class EmbeddedStubResources : public Resources {
 public:
  bool Find(const char* type, int id, const unsigned char** data, std::uint32_t* size) override;
};

}  // namespace pelorin::cli
