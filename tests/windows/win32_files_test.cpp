// The Win32 file services as the core sees them through FileSystem. Error
// codes, search order, attributes, copies and streams are compared with the
// POSIX backend by the differential suite, the temporary folder is the
// restorer's (the end-to-end test); here only what wine run as root cannot show.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/Errors.h"
#include "platform/win32/Win32Platform.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin::win32 {
namespace {

using testing::Win32Scratch;

TEST(Win32FilesTest, ReadOnlyTargetRefusesOverwrite) {
  // Wine run as root writes over read-only files; Windows (and wine for any
  // other user) refuses: a ctest runs this as an unprivileged user.
  char user[256] = {};
  DWORD size = sizeof user;
  if (GetUserNameA(user, &size) && std::string(user) == "root") GTEST_SKIP() << "checked by the unprivileged run";
  Win32FileSystem fs;
  Win32Scratch scratch("files");
  const std::string target = scratch / "ro.sys";
  Win32Scratch::WriteFile(scratch / "src.sys", "new");
  Win32Scratch::WriteFile(target, "old");
  ASSERT_TRUE(fs.SetAttributes(target, attr::kReadOnly));

  EXPECT_FALSE(fs.Copy(scratch / "src.sys", target, false));
  EXPECT_EQ(GetLastError(), err::kAccessDenied);
  EXPECT_EQ(fs.Open(target, OpenMode::kCreateWrite), nullptr);
  EXPECT_EQ(GetLastError(), err::kAccessDenied);
  EXPECT_EQ(Win32Scratch::ReadFile(target), "old");
}

}  // namespace
}  // namespace pelorin::win32
