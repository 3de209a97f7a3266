#include <gtest/gtest.h>

#include "PosixScratch.h"
#include "platform/Errors.h"
#include "platform/posix/PosixPlatform.h"

namespace pelorin::posix {
namespace {

using testing::PosixScratch;

class PosixPlatformTest : public ::testing::Test {
 protected:
  PosixScratch scratch;
  PosixPlatform platform;
};

TEST_F(PosixPlatformTest, PathsMapThroughTheMostSpecificDriveAndBack) {
  EXPECT_EQ(platform.ToWindowsPath("/tmp/x"), "Z:\\tmp\\x");
  platform.MapDrive('c', scratch.path());
  EXPECT_EQ(platform.ToWindowsPath(scratch / "windows/inf"), "C:\\windows\\inf");
  // UTF-8 host names come back as GBK.
  EXPECT_EQ(platform.ToWindowsPath(scratch / u8"驱动"), "C:\\驱动");
  platform.MapDrive('Z', "");
  EXPECT_EQ(platform.ToWindowsPath("/usr"), "");

  // Host paths are found without regard to case.
  scratch.WriteFile("Windows/inf/oem1.inf", "x");
  std::string host;
  ASSERT_TRUE(platform.ToHostPath("C:\\WINDOWS\\INF\\OEM1.INF", host));
  EXPECT_EQ(host, scratch / "Windows/inf/oem1.inf");
  // Trailing dots and blanks go, "." and ".." fold, as in Windows paths.
  ASSERT_TRUE(platform.ToHostPath("C:\\Windows. \\.\\x\\..\\inf\\Driver. ", host));
  EXPECT_EQ(host, scratch / "Windows/inf/Driver");
  // Spelled as the host spells it: of two spellings the exact one, a new name as given, a file no folder.
  scratch.WriteFile("Windows/inf/OEM1.INF", "y");
  for (const char* name : {"OEM1.INF", "oem1.inf", "New.ini"}) {
    EXPECT_TRUE(platform.ToHostPath(std::string("C:\\Windows\\inf\\") + name, host) && host == scratch / "Windows/inf/" + name);
  }
  EXPECT_FALSE(platform.ToHostPath("C:\\Windows\\inf\\oem1.inf\\x.ini", host));
  EXPECT_FALSE(platform.ToHostPath("relative\\x", host));
}

TEST_F(PosixPlatformTest, BoxesGoToStandardError) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(platform.Get().boxes->Show("备份失败", nullptr, mb::kOk), mb::kIdOk);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), u8"备份失败\n");
}

TEST_F(PosixPlatformTest, TempPathIsCreatedAndEndsWithBackslash) {
  platform.MapDrive('C', scratch.path());
  platform.SetTempFolder(scratch / "users/me/Temp");
  char buf[260];
  const std::uint32_t n = platform.Get().files->TempPath(sizeof(buf), buf);
  EXPECT_EQ(std::string(buf, n), "C:\\users\\me\\Temp\\");
  EXPECT_TRUE(scratch.Exists("users/me/Temp"));
  // Too small a buffer: the size needed, terminator included; nothing written.
  char small[5] = "abc";
  EXPECT_EQ(platform.Get().files->TempPath(sizeof(small), small), n + 1);
  EXPECT_STREQ(small, "abc");
}

}  // namespace
}  // namespace pelorin::posix
