#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "PosixScratch.h"
#include "backup/DriverFileSet.h"
#include "platform/Errors.h"
#include "platform/posix/FileCalls.h"
#include "platform/posix/PosixPlatform.h"

namespace pelorin::posix {
namespace {

using testing::PosixScratch;

// The platform with drive C: on a scratch folder; the parameter keeps DOS bits in memory only, as without xattrs.
class PosixFileSystemTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    platform_.MapDrive('c', scratch_.path());  // either case names the drive
    platform_.files().SetMemoryOnlyAttributes(GetParam());
  }

  std::uint32_t Attr(const std::string& path) { return fs().GetAttributes(path); }
  // The code a failed call left behind; 0 for a call that succeeded.
  static std::uint32_t Err(bool succeeded) { return succeeded ? 0 : GetLastError(); }
  FileSystem& fs() { return platform_.files(); }

  // The names an enumeration yields, in order, folders with a "\". `namesOnly`: the lean listing of a tree walk.
  std::vector<std::string> List(const std::string& pattern, bool namesOnly = false) {
    FindEntry entry;
    auto finder = namesOnly ? fs().FindFirstNames(pattern, entry) : fs().FindFirst(pattern, entry);
    std::vector<std::string> names;
    for (bool more = finder != nullptr; more; more = finder->Next(entry))
      names.push_back(entry.name + (entry.IsDirectory() ? "\\" : ""));
    EXPECT_EQ(GetLastError(), err::kNoMoreFiles);
    return names;
  }

  PosixScratch scratch_;
  PosixPlatform platform_;
};

INSTANTIATE_TEST_SUITE_P(XattrOrMemoryOnly, PosixFileSystemTest, ::testing::Bool());

// (The codes the differential suite compares with wine are not repeated here.)
TEST_P(PosixFileSystemTest, PathsMapThroughTheMostSpecificDriveAndRefuseBadNamesTempPathIsMadeBoxesGoToStderr) {
  EXPECT_EQ(platform_.ToWindowsPath("/tmp/x"), "Z:\\tmp\\x");
  EXPECT_EQ(platform_.ToWindowsPath(scratch_ / "windows/inf"), "C:\\windows\\inf");
  // UTF-8 host names come back as GBK.
  EXPECT_EQ(platform_.ToWindowsPath(scratch_ / u8"驱动"), "C:\\驱动");
  scratch_.WriteFile("Windows/inf/oem1.inf", "x");
  EXPECT_EQ(Attr("C:\\\\WINDOWS//INF\\OEM1.INF"), attr::kArchive);
  EXPECT_EQ(Attr("C:\\"), attr::kDirectory);
  EXPECT_EQ(Err(Attr("Q:\\dir") != attr::kInvalid), err::kPathNotFound);
  EXPECT_EQ(Err(Attr("C:\\Windows\\a|b") != attr::kInvalid), err::kInvalidName);
  // Bytes that are no GBK text cannot name a host file.
  EXPECT_EQ(Err(fs().CreateDir("C:\\\x81")), err::kInvalidName);

  std::string host;
  // Trailing dots and blanks go, "." and ".." fold, as in Windows paths.
  ASSERT_TRUE(platform_.ToHostPath("C:\\Windows. \\.\\x\\..\\inf\\Driver. ", host));
  EXPECT_EQ(host, scratch_ / "Windows/inf/Driver");
  // Spelled as the host spells it: of two spellings the exact one, a new name as given, a file no folder.
  scratch_.WriteFile("Windows/inf/OEM1.INF", "y");
  for (const char* name : {"OEM1.INF", "oem1.inf", "New.ini"}) {
    EXPECT_TRUE(platform_.ToHostPath(std::string("C:\\Windows\\inf\\") + name, host));
    EXPECT_EQ(host, scratch_ / "Windows/inf/" + name);
  }
  for (const char* bad : {"C:\\Windows\\inf\\oem1.inf\\x.ini", "relative\\x"})
    EXPECT_FALSE(platform_.ToHostPath(bad, host)) << bad;
  platform_.MapDrive('Z', "");
  EXPECT_EQ(platform_.ToWindowsPath("/usr"), "");

  platform_.SetTempFolder(scratch_ / "users/me/Temp");
  char buf[260];
  const std::uint32_t n = fs().TempPath(sizeof(buf), buf);
  EXPECT_EQ(std::string(buf, n), "C:\\users\\me\\Temp\\");
  EXPECT_TRUE(scratch_.Exists("users/me/Temp"));
  // Too small a buffer: the size needed, terminator included; nothing written.
  char small[5] = "abc";
  EXPECT_EQ(fs().TempPath(sizeof(small), small), n + 1);
  EXPECT_STREQ(small, "abc");

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(platform_.Get().boxes->Show("备份失败", nullptr, mb::kOk), mb::kIdOk);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), u8"备份失败\n");
}

TEST_P(PosixFileSystemTest, AttributesRoundTripTravelWithCopiesAndAreStoredAsWineReadsThem) {
  scratch_.WriteFile("a.sys", "data");
  for (std::uint32_t bits : {0x27u, 0x80u}) {  // with archive and normal, which wine shows otherwise
    ASSERT_TRUE(fs().SetAttributes("C:\\a.sys", bits));
    ASSERT_TRUE(fs().Copy("C:\\a.sys", "C:\\b.sys", false)) << GetLastError();
    EXPECT_EQ(Attr("C:\\b.sys"), bits);
    ASSERT_TRUE(fs().SetAttributes("C:\\b.sys", attr::kNormal));  // so the next round may overwrite it
  }
  // Zero means normal.
  ASSERT_TRUE(fs().SetAttributes("C:\\a.sys", 0));
  EXPECT_EQ(Attr("C:\\a.sys"), attr::kNormal);

  // Folders keep read-only too (wine drops it); "normal" leaves only the folder bit.
  scratch_.MakeDir("d");
  ASSERT_TRUE(fs().SetAttributes("C:\\d", attr::kHidden | attr::kReadOnly));
  EXPECT_EQ(Attr("C:\\d"), attr::kDirectory | attr::kHidden | attr::kReadOnly);
  ASSERT_TRUE(fs().SetAttributes("C:\\d", attr::kNormal));
  EXPECT_EQ(Attr("C:\\d"), attr::kDirectory);

  // Hidden is stored the way wine reads it.
  if (GetParam()) return;  // the memory-only store
  scratch_.WriteFile("h.txt", "x");
  ASSERT_TRUE(fs().SetAttributes("C:\\h.txt", attr::kHidden));
  char value[32] = {};
  if (getxattr((scratch_ / "h.txt").c_str(), "user.DOSATTRIB", value, sizeof(value) - 1) < 0)
    GTEST_SKIP() << "this file system keeps no user xattrs";
  EXPECT_STREQ(value, "0x2");
  ASSERT_TRUE(fs().SetAttributes("C:\\h.txt", attr::kArchive));
  EXPECT_LT(getxattr((scratch_ / "h.txt").c_str(), "user.DOSATTRIB", value, sizeof(value)), 0);
}

// Windows refuses read-only and hidden targets to every user; wine lets root
// overwrite a read-only file and anyone a hidden one. The backend follows Windows.
TEST_P(PosixFileSystemTest, CopyResultsReadOnlyFilesRefusedEvenToRootStreamsShareModesAndMoves) {
  for (const char* name : {"ro.txt", "hid.txt"}) scratch_.WriteFile(name, "keep");
  scratch_.WriteFile("src.txt", "new");
  scratch_.MakeDir("dir");
  ASSERT_TRUE(fs().SetAttributes("C:\\ro.txt", attr::kReadOnly));
  ASSERT_TRUE(fs().SetAttributes("C:\\hid.txt", attr::kHidden));
  EXPECT_EQ(Err(fs().Copy("C:\\src.txt", "C:\\ro.txt", false)), err::kAccessDenied);
  EXPECT_EQ(Err(fs().Open("C:\\ro.txt", OpenMode::kCreateWrite) != nullptr), err::kAccessDenied);
  EXPECT_EQ(Err(fs().MoveReplace("C:\\src.txt", "C:\\ro.txt")), err::kAccessDenied);
  EXPECT_EQ(Err(fs().Copy("C:\\src.txt", "C:\\hid.txt", false)), err::kAccessDenied);
  EXPECT_EQ(scratch_.ReadFile("ro.txt") + scratch_.ReadFile("hid.txt"), "keepkeep");
  EXPECT_EQ(Err(fs().Copy("C:\\src.txt", "C:\\dir", false)), err::kAccessDenied);
  // Onto itself (another spelling): refused, and the file is not truncated.
  EXPECT_EQ(Err(fs().Copy("C:\\src.txt", "C:\\SRC.txt", false)), err::kSharingViolation);
  EXPECT_EQ(scratch_.ReadFile("src.txt"), "new");
  ASSERT_TRUE(fs().SetAttributes("C:\\hid.txt", attr::kNormal));
  EXPECT_TRUE(fs().Copy("C:\\src.txt", "C:\\HID.TXT", false));  // overwrites, keeps the host name
  EXPECT_EQ(scratch_.ReadFile("hid.txt"), "new");
  EXPECT_FALSE(scratch_.Exists("HID.TXT"));

  auto out = fs().Open("C:\\s.bin", OpenMode::kCreateWrite);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(out->Write("0123456789", 10));
  char buf[16];
  EXPECT_EQ(Err(out->Read(buf, 4, nullptr)), err::kAccessDenied);
  EXPECT_EQ(Err(fs().Delete("C:\\s.bin")), err::kSharingViolation);
  out.reset();
  // Re-creating an existing file truncates it and says it existed.
  out = fs().Open("C:\\s.bin", OpenMode::kCreateWrite);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(GetLastError(), err::kAlreadyExists);
  EXPECT_EQ(out->Length(), 0u);
  out.reset();
  EXPECT_EQ(Err(fs().Open("C:\\dir", OpenMode::kReadShared) != nullptr), err::kAccessDenied);
  // A change of case is a rename.
  ASSERT_TRUE(fs().MoveReplace("C:\\s.bin", "C:\\S.BIN"));
  EXPECT_TRUE(scratch_.Exists("S.BIN"));
}

// Order, wildcards and probes are compared with wine; here the lean listing against the full one and the index
// that lists through it, links, and what wine's drive Z: cannot show.
TEST_P(PosixFileSystemTest, LeanListingAndTheIndexMatchTheFullOnesAndLinkedFoldersAreNeverEntered) {
  for (const char* name : {"zeta.txt", "beta.TXT", "Alpha.txt", "_under", u8"乗.sys"})
    scratch_.WriteFile(std::string("d/") + name, "x");
  scratch_.MakeDir("d/mid");
  ASSERT_EQ(symlink(scratch_.path().c_str(), (scratch_ / "d/loop").c_str()), 0);
  ASSERT_EQ(symlink("gone", (scratch_ / "d/dangling").c_str()), 0);
  const std::vector<std::string> expected = {".\\",  "..\\",   "Alpha.txt", "beta.TXT", "dangling",
                                             "loop", "mid\\", "zeta.txt",  "_under",   "乗.sys"};
  EXPECT_EQ(List("C:\\D\\*"), expected);
  EXPECT_EQ(List("C:\\d\\*.*", true), expected);
  // A drive root lists no dots.
  EXPECT_EQ(List("C:\\*.*"), (std::vector<std::string>{"d\\"}));
  // The index answers as the literal walk, also below names the resolution treats specially (the walk never
  // reaches into "dot.").
  for (const char* file : {"d/mid/a.sys", "d/b/b.sys", "d/dot./b.sys", u8"d/驱动/c.sys"}) scratch_.WriteFile(file, "x");
  CFileTreeIndex index(fs(), "C:\\D");
  for (const char* name : {"A.sys", "b.sys", "c.sys", "乗.sys", "none.sys"}) {
    std::string walked, indexed;
    FindFileInTree(fs(), "C:\\D", name, walked);
    EXPECT_EQ((index.Find(name, indexed), indexed), walked) << name;
    EXPECT_EQ(walked.empty(), *name == 'n') << name;
  }
  // Named with a trailing "\" (or on the way to something) the link is followed;
  // deleting it as a file removes the link only.
  EXPECT_EQ(Attr("C:\\d\\loop\\"), attr::kDirectory);
  EXPECT_TRUE(fs().SetAttributes("C:\\d\\loop", attr::kNormal));
  EXPECT_TRUE(fs().Delete("C:\\d\\loop"));
  EXPECT_FALSE(scratch_.Exists("d/loop"));
  EXPECT_TRUE(scratch_.Exists("d/zeta.txt"));
}

// A failed fstat and a write that takes nothing (a full device can answer so)
// fail the call with a Windows code instead of using garbage or spinning.
TEST_P(PosixFileSystemTest, FailedFstatAndStalledWritesFailTheCall) {
  struct Restore {
    SystemFileCalls saved = FileCalls();
    ~Restore() { FileCalls() = saved; }
  } restore;
  scratch_.WriteFile("a.bin", "abc");
  FileCalls().fstat = [](int, struct stat*) { errno = EIO; return -1; };
  EXPECT_EQ(Err(fs().Open("C:\\a.bin", OpenMode::kReadShared) != nullptr), 31u);
  EXPECT_EQ(Err(fs().Copy("C:\\a.bin", "C:\\b.bin", false)), 31u);
  EXPECT_FALSE(scratch_.Exists("b.bin"));
  FileCalls() = restore.saved;
  auto out = fs().Open("C:\\c.bin", OpenMode::kCreateWrite);
  ASSERT_NE(out, nullptr);
  FileCalls().write = [](int, const void*, std::size_t) -> ssize_t { return 0; };
  // A file system without in-kernel copies: the bytes go through write.
  FileCalls().copyRange = [](int, int, std::size_t) -> ssize_t { errno = EXDEV; return -1; };
  EXPECT_EQ(Err(out->Write("x", 1)), 112u);
  EXPECT_EQ(Err(fs().Copy("C:\\a.bin", "C:\\b.bin", false)), 112u);
  EXPECT_FALSE(scratch_.Exists("b.bin"));
}

}  // namespace
}  // namespace pelorin::posix
