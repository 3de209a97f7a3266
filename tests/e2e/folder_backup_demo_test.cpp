// A folder backup on the demo machine, as a person makes it: two drivers
// ticked, Backup, a folder picked in the shell's picker, the result box; then
// what landed on disk, compared with the command-line edition's backup of the
// same drivers (made on Linux from the same demo data; its copies are checked
// against their sources, and their attributes, by the native and differential
// tests); then a second backup into the same folder.
#include "MainWindowTest.h"

namespace pelorin::e2e {
namespace {

// wine's picker selects a drive's first-level folders only.
constexpr char kTarget[] = "C:\\e2e_folder_backup";
const std::vector<std::string> kDrivers = {"千兆以太网控制器", "Acme Graphics 3D"};

class DemoFolderBackupTest : public MainWindowTest {};

TEST_F(DemoFolderBackupTest, TwoDriversLandAsTheCommandLineEditionWritesThemAndASecondRunUpdatesInPlace) {
  Win32Scratch::RemoveTree(kTarget);
  ASSERT_TRUE(CreateDirectoryA(kTarget, nullptr));
  ASSERT_EQ(BackUpInto(kTarget, {kDrivers[0].c_str(), kDrivers[1].c_str()}, "folder_backup_first"), kBackupDone);

  const std::string cli = std::string(PELORIN_BUILD_DIR) + "\\artifacts\\cli_folder_backup";
  std::map<std::string, std::map<std::string, std::string>> first;
  for (const std::string& driver : kDrivers) {
    first[driver] = FilesBelow(std::string(kTarget) + "\\" + driver);
    ASSERT_FALSE(first[driver]["taskinfo.ini"].empty()) << driver << ": no manifest";
    // The same files and the same manifests but for their folder.
    if (Win32Scratch::Exists(cli)) {
      std::map<std::string, std::string> got = first[driver];
      std::string& text = got["taskinfo.ini"];
      for (std::size_t at = text.find(kTarget); at != std::string::npos; at = text.find(kTarget, at + cli.size()))
        text.replace(at, sizeof kTarget - 1, cli);
      EXPECT_EQ(got, FilesBelow(cli + "\\" + driver)) << driver;
    }
  }
  // From the driver store, as the package spells it.
  EXPECT_EQ(first[kDrivers[1]].count("iAlmCoIn.dll"), 1u);

  // A second backup into the same folder: a manifest left read-only is
  // written again, updated in place, so its bytes stay as they were.
  const std::string manifest = std::string(kTarget) + "\\" + kDrivers[0] + "\\taskinfo.ini";
  ASSERT_TRUE(SetFileAttributesA(manifest.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_EQ(BackUpInto(kTarget, {kDrivers[0].c_str(), kDrivers[1].c_str()}, "folder_backup_second"), kBackupDone);
  EXPECT_FALSE(GetFileAttributesA(manifest.c_str()) & FILE_ATTRIBUTE_READONLY);
  for (const std::string& driver : kDrivers)
    EXPECT_EQ(FilesBelow(std::string(kTarget) + "\\" + driver), first[driver]) << driver;
  if (!Win32Scratch::Exists(cli))
    GTEST_SKIP() << "not compared with the command-line edition: " << cli << " is missing (build the native preset first)";
}

}  // namespace
}  // namespace pelorin::e2e
