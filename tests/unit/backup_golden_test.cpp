// The scenario the Windows build runs too: the POSIX backend must write the same
// manifest bytes, first and after a second backup with a newer version.
#include <gtest/gtest.h>

#include "BackupGolden.h"
#include "BackupScratch.h"
#include "RecordingBackupHost.h"
#include "backup/FolderBackup.h"
#include "platform/posix/Encoding.h"

namespace pelorin {
namespace {

TEST(BackupGoldenTest, ManifestsMatchTheSharedBytes) {
  testing::BackupScratch disk;
  for (const auto& file : testing::golden::SystemFiles()) {
    std::string relative = std::string("WINDOWS/") + file.path;
    for (char& c : relative) c = c == '\\' ? '/' : c;
    disk.PutSystemFile(relative, file.content);
  }
  for (const std::string version : {"1.0", "2.0"}) {
    testing::RecordingBackupHost host;
    const auto rows = testing::golden::Rows(version);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) host.rows.InsertTop(*it);
    for (int row = 0; row < host.rows.Count(); ++row) host.rows.SetTicked(row, true);
    ASSERT_EQ(RunFolderBackup(disk.platform.Get(), host, "D:\\"), BackupResultDone);

    const auto expected = testing::golden::Manifests("D:\\", version);
    const auto folders = testing::golden::Folders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
      EXPECT_EQ(disk.Backup(posix::GbkToUtf8Lossy(folders[i]) + "/taskinfo.ini"), expected[i]) << version;
    }
  }
  EXPECT_EQ(disk.Backup(posix::GbkToUtf8Lossy(testing::golden::Folders()[0]) + "/pltest_e100b.sys"), "sys");
}

}  // namespace
}  // namespace pelorin
