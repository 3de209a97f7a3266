#include "cli/EmbeddedStub.h"

#include <cstring>

#include "sfx/SfxFormat.h"
#include "platform/Errors.h"

#ifdef PELORIN_STUB_PATH
// The stub's bytes, taken in unchanged by the assembler.
asm(".section .rodata\n"
    ".balign 16\n"
    ".global pelorin_embedded_stub\n"
    "pelorin_embedded_stub:\n"
    ".incbin \"" PELORIN_STUB_PATH "\"\n"
    ".global pelorin_embedded_stub_end\n"
    "pelorin_embedded_stub_end:\n"
    ".byte 0\n"
    ".previous\n");
extern "C" const unsigned char pelorin_embedded_stub[];
extern "C" const unsigned char pelorin_embedded_stub_end[];
#endif

namespace pelorin::cli {

bool HasEmbeddedStub() {
#ifdef PELORIN_STUB_PATH
  return true;
#else
  return false;
#endif
}

bool EmbeddedStubResources::Find(const char* type, int id, const unsigned char** data, std::uint32_t* size) {
#ifdef PELORIN_STUB_PATH
  if (std::strcmp(type, sfx::kStubResourceType) == 0 && id == sfx::kStubResourceId) {
    *data = pelorin_embedded_stub;
    *size = static_cast<std::uint32_t>(pelorin_embedded_stub_end - pelorin_embedded_stub);
    return true;
  }
#else
  (void)type;
  (void)id;
  (void)data;
  (void)size;
#endif
  SetLastError(err::kResourceTypeNotFound);
  return false;
}

}  // namespace pelorin::cli
