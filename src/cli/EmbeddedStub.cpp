#include "cli/EmbeddedStub.h"

#include <cstring>

#include "backup/RestorerChoice.h"
#include "sfx/SfxFormat.h"
#include "platform/Errors.h"

// The stubs' bytes, taken in unchanged by the assembler.
#define PELORIN_INCBIN(name, path)      \
  asm(".section .rodata\n"              \
      ".balign 16\n"                    \
      ".global " #name "\n" #name ":\n" \
      ".incbin \"" path "\"\n"          \
      ".global " #name "_end\n" #name "_end:\n" \
      ".byte 0\n"                       \
      ".previous\n");                   \
  extern "C" const unsigned char name[];  \
  extern "C" const unsigned char name##_end[];

#ifdef PELORIN_STUB_PATH
PELORIN_INCBIN(pelorin_embedded_stub, PELORIN_STUB_PATH)
#endif
#ifdef PELORIN_X86_STUB_PATH
PELORIN_INCBIN(pelorin_embedded_x86_stub, PELORIN_X86_STUB_PATH)
#endif

namespace pelorin::cli {

namespace {

struct Stub {
  const unsigned char* begin;
  const unsigned char* end;
};

Stub StubFor(Architecture arch) {
#ifdef PELORIN_STUB_PATH
  if (arch == Architecture::kAmd64) return {pelorin_embedded_stub, pelorin_embedded_stub_end};
#endif
#ifdef PELORIN_X86_STUB_PATH
  if (arch == Architecture::kX86) return {pelorin_embedded_x86_stub, pelorin_embedded_x86_stub_end};
#endif
  (void)arch;
  return {nullptr, nullptr};
}

}  // namespace

bool HasEmbeddedStub(Architecture arch) { return StubFor(arch).begin != nullptr; }

bool EmbeddedStubResources::Find(const char* type, int id, const unsigned char** data, std::uint32_t* size) {
  if (std::strcmp(type, sfx::kStubResourceType) == 0) {
    for (Architecture arch : {Architecture::kAmd64, Architecture::kX86}) {
      const Stub stub = StubFor(arch);
      if (stub.begin != nullptr && id == RestorerResourceId(arch)) {
        *data = stub.begin;
        *size = static_cast<std::uint32_t>(stub.end - stub.begin);
        return true;
      }
    }
  }
  SetLastError(err::kResourceTypeNotFound);
  return false;
}

}  // namespace pelorin::cli
