// Resource look-up of the Win32 backend, on pelorin.exe (which carries the stub
// unchanged as SFX_EXE 152) and on the test program.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "TestPaths.h"
#include "platform/Errors.h"
#include "platform/win32/Win32Platform.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin::win32 {
namespace {

const std::string kExe = std::string(PELORIN_BUILD_DIR) + "\\src\\app\\pelorin.exe";
const std::string kStub = std::string(PELORIN_BUILD_DIR) + "\\stub\\pelorin_stub.exe";

TEST(Win32ResourcesTest, FindsTheEmbeddedStubInAModuleFile) {
  Win32Resources resources(kExe);
  ASSERT_TRUE(resources.IsLoaded()) << kExe;
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
  ASSERT_TRUE(resources.Find("SFX_EXE", 152, &data, &size));
  const std::string stub = testing::Win32Scratch::ReadFile(kStub);
  ASSERT_FALSE(stub.empty()) << kStub;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), stub);
  EXPECT_TRUE(resources.Find("sfx_exe", 152, &data, &size)) << "type names match without regard to case";

  EXPECT_FALSE(resources.Find("SFX_EXE", 153, &data, &size));
  EXPECT_EQ(GetLastError(), err::kResourceNameNotFound);
  EXPECT_FALSE(resources.Find("NO_SUCH_TYPE", 152, &data, &size));
  EXPECT_EQ(GetLastError(), err::kResourceTypeNotFound);

  HMODULE module = LoadLibraryExA(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  char about[64] = {};
  ASSERT_GT(LoadStringA(module, 101, about, sizeof about), 0);
  EXPECT_STREQ(about, "关于 Pelorin(&A)...");
  FreeLibrary(module);
}

TEST(Win32ResourcesTest, UnmappableModuleNeverFallsBackToTheProgram) {
  Win32Resources resources(std::string(PELORIN_BUILD_DIR) + "\\no_such_module.exe");
  EXPECT_FALSE(resources.IsLoaded());
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
  SetLastError(0);
  EXPECT_FALSE(resources.Find("SFX_EXE", 152, &data, &size));
  EXPECT_NE(GetLastError(), 0u);
}

TEST(Win32ResourcesTest, PlatformLooksInTheProgramItself) {
  // The test program has no resources at all; pelorin.exe's own platform finds
  // the stub in pelorin.exe.
  Win32Platform platform;
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
  EXPECT_FALSE(platform.Get().resources->Find("SFX_EXE", 152, &data, &size));
  EXPECT_EQ(GetLastError(), static_cast<std::uint32_t>(ERROR_RESOURCE_DATA_NOT_FOUND));
}

}  // namespace
}  // namespace pelorin::win32
