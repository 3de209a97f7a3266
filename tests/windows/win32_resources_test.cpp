// Resource look-up of the Win32 backend, on pelorin.exe (which carries the stub
// unchanged as SFX_EXE 152) and on the test program.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "TestPaths.h"
#include "platform/Errors.h"
#include "platform/win32/Win32Platform.h"

namespace pelorin::win32 {
namespace {

const std::string kExe = std::string(PELORIN_BUILD_DIR) + "\\src\\app\\pelorin.exe";

// The stub's bytes are resource_test.cpp's; here the look-up's answers.
TEST(Win32ResourcesTest, FindsTheEmbeddedStubInAModuleFile) {
  Win32Resources resources(kExe);
  ASSERT_TRUE(resources.IsLoaded()) << kExe;
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
  EXPECT_TRUE(resources.Find("sfx_exe", 152, &data, &size)) << "type names match without regard to case";

  EXPECT_FALSE(resources.Find("SFX_EXE", 154, &data, &size));
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

}  // namespace
}  // namespace pelorin::win32
