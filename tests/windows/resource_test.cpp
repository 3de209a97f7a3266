// pelorin.exe's resources through the Win32 backend's look-up: both restorers,
// and the restorer a self-extracting backup takes on the machine it runs on.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "SfxStubResources.h"
#include "TestPaths.h"
#include "backup/RestorerChoice.h"
#include "platform/win32/Win32Platform.h"
#include "sfx/SfxWriter.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin::win32 {
namespace {

using testing::PeMachine;
using testing::Win32Scratch;

const std::string kExe = std::string(PELORIN_BUILD_DIR) + "\\src\\app\\pelorin.exe";
constexpr unsigned kX64 = 0x8664;
constexpr unsigned kX86 = 0x14c;

// 152 is this build's restorer stub byte for byte, 153 the other architecture's.
TEST(ResourceTest, PelorinExeCarriesBothRestorersAndABackupTheMachinesOne) {
  Win32Resources resources(kExe);
  ASSERT_TRUE(resources.IsLoaded()) << kExe;
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
  ASSERT_TRUE(resources.Find("sfx_exe", 152, &data, &size)) << "type names match without regard to case";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size),
            Win32Scratch::ReadFile(std::string(PELORIN_BUILD_DIR) + "\\stub\\pelorin_stub.exe"));
  ASSERT_TRUE(resources.Find("SFX_EXE", 153, &data, &size));
  EXPECT_EQ(PeMachine(std::string(reinterpret_cast<const char*>(data), size)), sizeof(void*) == 8 ? kX86 : kX64);

  // The resource script's code page pragma (its Chinese texts as written).
  HMODULE module = LoadLibraryExA(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  char about[64] = {};
  ASSERT_GT(LoadStringA(module, 101, about, sizeof about), 0);
  EXPECT_STREQ(about, "关于 Pelorin(&A)...");
  FreeLibrary(module);

  // A self-extracting backup takes the restorer of the machine the prefix stands
  // for, which is the test's to say (PELORIN_NATIVE_MACHINE, hexadecimal); the
  // program asks Windows.
  const char* machine = std::getenv("PELORIN_NATIVE_MACHINE");
  if (!machine) GTEST_SKIP() << "PELORIN_NATIVE_MACHINE does not say which machine this is";
  Win32Platform win32;
  Platform platform = win32.Get();
  platform.resources = &resources;
  Win32Scratch scratch("restorer_choice");
  Win32Scratch::WriteFile(scratch / "a.inf", "[Version]\r\n");
  CSfxWriter writer(platform);
  ASSERT_EQ(writer.AddFile(scratch / "a.inf"), 1);
  ASSERT_EQ(writer.Build(RestorerResourceId(TargetArchitecture(platform.system)), scratch / "pelorin.exe", nullptr,
                         nullptr),
            sfx::kBuildDone);
  EXPECT_EQ(PeMachine(Win32Scratch::ReadFile(scratch / "pelorin.exe")), std::strtoul(machine, nullptr, 16));
}

}  // namespace
}  // namespace pelorin::win32
