// The folder backup on the Win32 backend: the shared scenario must give the same
// manifest bytes as on the POSIX backend, and the file-tree operations must hold
// on the real file services.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "BackupGolden.h"
#include "RecordingBackupHost.h"
#include "RecordingBoxes.h"
#include "backup/FileTreeOps.h"
#include "backup/FolderBackup.h"
#include "platform/win32/Win32Platform.h"

namespace pelorin {
namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class Win32BackupTest : public ::testing::Test {
 protected:
  Win32BackupTest() {
    platform = win32.Get();
    platform.boxes = &boxes;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    scratch = std::string(temp) + "pltest_backup_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(scratch.c_str(), nullptr);
  }
  ~Win32BackupTest() override {
    CFileTreeOps ops(platform);
    ops.DeleteTree(scratch);
    for (const std::string& file : systemFiles) ops.DeleteTree(file);
  }

  win32::Win32Platform win32;
  Platform platform;
  testing::RecordingBoxes boxes;
  std::string scratch;
  std::vector<std::string> systemFiles;
};

TEST_F(Win32BackupTest, ManifestsMatchThePosixBackendBytes) {
  for (const auto& file : testing::golden::SystemFiles()) {
    const std::string path = std::string("C:\\WINDOWS\\") + file.path;
    WriteBytes(path, file.content);
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    systemFiles.push_back(path);
  }
  const std::string destination = scratch + "\\";
  for (const std::string version : {"1.0", "2.0"}) {
    testing::RecordingBackupHost host;
    const auto rows = testing::golden::Rows(version);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) host.rows.InsertTop(*it);
    for (int row = 0; row < host.rows.Count(); ++row) host.rows.SetTicked(row, true);
    ASSERT_EQ(RunFolderBackup(platform, host, destination), BackupResultDone);

    const auto expected = testing::golden::Manifests(destination, version);
    const auto folders = testing::golden::Folders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
      EXPECT_EQ(ReadBytes(destination + folders[i] + "\\taskinfo.ini"), expected[i]) << version;
    }
  }
  EXPECT_EQ(ReadBytes(destination + testing::golden::Folders()[0] + "\\pltest_e100b.sys"), "sys");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Win32BackupTest, ReadOnlyCopiesAreRefreshedOnTheNextBackup) {
  const std::string source = scratch + "\\ro.sys";
  const std::string out = scratch + "\\out";
  WriteBytes(source, "v1");
  SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY);
  CFileTreeOps ops(platform);
  int failed = 0;
  EXPECT_EQ(ops.CopyTree(source, out, &failed), 1);
  EXPECT_EQ(GetFileAttributesA((out + "\\ro.sys").c_str()) & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
  WriteBytes(source, "v2");
  SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(ops.CopyTree(source, out, &failed), 1);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(ReadBytes(out + "\\ro.sys"), "v2");
  EXPECT_EQ(GetFileAttributesA(source.c_str()) & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

}  // namespace
}  // namespace pelorin
