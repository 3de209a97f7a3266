// The Win32 file services as the core sees them through FileSystem. Error
// codes, search order, attributes, copies and streams are compared with the
// POSIX backend by the differential suite; here only what it cannot show.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/Errors.h"
#include "platform/win32/Win32Platform.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin::win32 {
namespace {

using testing::Win32Scratch;

class Win32FilesTest : public ::testing::Test {
 protected:
  Win32FileSystem fs;
  Win32Scratch scratch{"files"};
};

TEST_F(Win32FilesTest, ClosingASearchKeepsItsLastErrorCodeAndTempPathEndsWithBackslash) {
  Win32Scratch::WriteFile(scratch / "a.txt", "a");
  FindEntry entry;
  auto finder = fs.FindFirst(scratch / "*.*", entry);
  ASSERT_NE(finder, nullptr);
  while (finder->Next(entry)) {
  }
  EXPECT_EQ(GetLastError(), err::kNoMoreFiles);
  finder.reset();
  EXPECT_EQ(GetLastError(), err::kNoMoreFiles);

  char buffer[MAX_PATH + 1] = {}, small[5] = {};
  const std::uint32_t length = fs.TempPath(MAX_PATH + 1, buffer);
  ASSERT_GT(length, 3u);
  EXPECT_EQ(std::string(buffer).size(), length);
  EXPECT_EQ(buffer[length - 1], '\\');
  EXPECT_EQ(fs.TempPath(sizeof small, small), length + 1) << "the size needed";
}

TEST_F(Win32FilesTest, ReadOnlyTargetRefusesOverwrite) {
  // Wine run as root writes over read-only files; Windows (and wine for any
  // other user) refuses: a ctest runs this as an unprivileged user.
  char user[256] = {};
  DWORD size = sizeof user;
  if (GetUserNameA(user, &size) && std::string(user) == "root") GTEST_SKIP() << "checked by the unprivileged run";
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
