// A folder backup on the demo machine, as a person makes it: two drivers
// ticked, Backup, a folder picked in the shell's picker, the result box; then
// what landed on disk, compared with the command-line edition's backup of the
// same drivers (made on Linux from the same demo data; its copies are checked
// against their sources, and their attributes, by the native and differential
// tests; a second run over read-only copies and manifests is the native
// tests').
#include "UiDriver.h"

namespace pelorin::e2e {
namespace {

// wine's picker selects a drive's first-level folders only.
constexpr char kTarget[] = "C:\\e2e_folder_backup";
const std::vector<std::string> kDrivers = {"千兆以太网控制器", "Acme Graphics 3D"};

class DemoFolderBackupTest : public MainWindowTest {};

TEST_F(DemoFolderBackupTest, TwoDriversLandAsTheCommandLineEditionWritesThem) {
  Win32Scratch::RemoveTree(kTarget);
  ASSERT_TRUE(CreateDirectoryA(kTarget, nullptr));
  ASSERT_EQ(BackUpInto(kTarget, {kDrivers[0].c_str(), kDrivers[1].c_str()}, "folder_backup"), kBackupDone);

  const std::string cli = std::string(PELORIN_BUILD_DIR) + "\\artifacts\\cli_folder_backup";
  for (const std::string& driver : kDrivers) {
    std::map<std::string, std::string> got = FilesBelow(std::string(kTarget) + "\\" + driver);
    std::string& text = got["taskinfo.ini"];
    ASSERT_FALSE(text.empty()) << driver << ": no manifest";
    // The graphics driver's from the driver store, as the package spells it.
    EXPECT_EQ(got.count("iAlmCoIn.dll"), driver == kDrivers[1] ? 1u : 0u) << driver;
    // The same files and the same manifests but for their folder.
    for (std::size_t at = text.find(kTarget); at != std::string::npos; at = text.find(kTarget, at + cli.size()))
      text.replace(at, sizeof kTarget - 1, cli);
    if (Win32Scratch::Exists(cli)) {
      EXPECT_EQ(got, FilesBelow(cli + "\\" + driver)) << driver;
    }
  }
  if (!Win32Scratch::Exists(cli))
    GTEST_SKIP() << "not compared with the command-line edition: " << cli << " is missing (build the native preset first)";
}

}  // namespace
}  // namespace pelorin::e2e
