// The running system's architecture and driver store answers. Wine 8 exports no
// SetupGetInfDriverStoreLocationA (its W form fails with ERROR_CALL_NOT_IMPLEMENTED),
// so there the store road stays silent and the locator goes on to the database.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/Win32Platform.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin::win32 {
namespace {

using testing::Win32Scratch;

TEST(Win32SystemInfoTest, NativeArchitectureAndStoreAnswers) {
  Win32Platform platform;
  SystemInfo& system = *platform.Get().system;
  if (sizeof(void*) == 8) {
    EXPECT_EQ(system.InstallationArchitecture(), Architecture::kAmd64);
  }

  // A staged package and its published copy, as an installation leaves them.
  char windows[MAX_PATH] = {};
  ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  const std::string store = std::string(windows) + "\\system32\\DriverStore";
  const std::string package = store + "\\FileRepository\\pelorintest.inf_amd64_0123456789abcdef";
  for (const std::string& folder : {store, store + "\\FileRepository", package})
    ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string inf = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=System\r\n";
  Win32Scratch::WriteFile(package + "\\pelorintest.inf", inf);
  const std::string published = std::string(windows) + "\\inf\\oem9317.inf";
  Win32Scratch::WriteFile(published, inf);

  for (const std::string& name : {std::string("oem9317.inf"), published, std::string("oem9318.inf")}) {
    std::string path;
    const bool answered = system.DriverStoreInfPath(name, path);
    std::printf("SetupGetInfDriverStoreLocationA(%s): %s\n", name.c_str(), answered ? path.c_str() : "no answer");
    // Whatever a system answers must be the store's copy, never another file.
    EXPECT_EQ(answered ? Win32Scratch::ReadFile(path) : inf, inf) << path;
    EXPECT_FALSE(answered && name == "oem9318.inf");
  }
  ::DeleteFileA(published.c_str());
  Win32Scratch::RemoveTree(package);
}

}  // namespace
}  // namespace pelorin::win32
