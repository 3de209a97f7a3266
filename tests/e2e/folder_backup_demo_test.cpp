// A folder backup on the demo machine, as a person makes it: two drivers
// ticked, Backup, a folder picked in the shell's picker, the result box; then
// what landed on disk, compared with the sources and with the command-line
// edition's backup of the same drivers; then a second backup into the same
// folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "MainWindowTest.h"

namespace pelorin::e2e {
namespace {

// wine's picker selects a drive's first-level folders only.
constexpr char kTarget[] = "C:\\e2e_folder_backup";
const std::vector<std::string> kDrivers = {"千兆以太网控制器", "Acme Graphics 3D"};
// A source file the copy must keep read-only.
constexpr char kReadOnlySource[] = "C:\\windows\\system32\\rtgigeco.dll";

std::string ReadAll(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing " + path + ">";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

// The files directly in `folder`, name to content.
std::map<std::string, std::string> FolderFiles(const std::string& folder) {
  std::map<std::string, std::string> files;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      files[entry.cFileName] = ReadAll(folder + "\\" + entry.cFileName);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return files;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Puts the source file's attributes back whatever the test's outcome, so the
// other demo tests see the machine as seeded.
class AttributeGuard {
 public:
  AttributeGuard(const char* path, DWORD attributes) : path_(path), saved_(GetFileAttributesA(path)) {
    SetFileAttributesA(path, attributes);
  }
  ~AttributeGuard() { SetFileAttributesA(path_, saved_ == INVALID_FILE_ATTRIBUTES ? FILE_ATTRIBUTE_NORMAL : saved_); }
  AttributeGuard(const AttributeGuard&) = delete;
  AttributeGuard& operator=(const AttributeGuard&) = delete;

 private:
  const char* path_;
  DWORD saved_;
};

class DemoFolderBackupTest : public MainWindowTest {
 protected:
  void SetUp() override {
    RemoveTree(kTarget);
    ASSERT_TRUE(CreateDirectoryA(kTarget, nullptr));
    MainWindowTest::SetUp();
  }
};

TEST_F(DemoFolderBackupTest, TwoDriversLandAsTheCommandLineEditionWritesThemAndASecondRunUpdatesInPlace) {
  AttributeGuard readOnly(kReadOnlySource, FILE_ATTRIBUTE_READONLY);
  for (const std::string& driver : kDrivers) {
    const int row = RowOf(driver);
    ASSERT_GE(row, 0) << driver << " is not listed";
    ASSERT_TRUE(SetListItemTicked(list, row, true));
  }
  ASSERT_EQ(BackUpInto(kTarget, "folder_backup_first"), "已经成功备份了在列表框中勾选的驱动程序!");
  EXPECT_EQ(ItemText(dialog, 1014), "共找到6个驱动");

  std::map<std::string, std::map<std::string, std::string>> first;
  for (const std::string& driver : kDrivers) {
    const std::string folder = std::string(kTarget) + "\\" + driver;
    first[driver] = FolderFiles(folder);
    const std::string manifest = first[driver]["taskinfo.ini"];
    ASSERT_FALSE(manifest.empty()) << driver << ": no manifest";
    // Every "source=copy" line of the manifest names a copy equal to its source.
    int copies = 0;
    for (std::size_t at = 0, end; at < manifest.size(); at = end + 2) {
      end = manifest.find("\r\n", at);
      if (end == std::string::npos) end = manifest.size();
      const std::string line = manifest.substr(at, end - at);
      const std::size_t equals = line.find('=');
      if (equals == std::string::npos || line.compare(equals + 1, folder.size(), folder) != 0) continue;
      EXPECT_EQ(ReadAll(line.substr(equals + 1)), ReadAll(line.substr(0, equals))) << line;
      ++copies;
    }
    EXPECT_EQ(copies + 1, static_cast<int>(first[driver].size())) << driver << ": files not in the manifest";
  }
  EXPECT_EQ(first[kDrivers[0]].count("oem1.inf"), 1u);
  // From the driver store, as the package spells it.
  EXPECT_EQ(first[kDrivers[1]].count("iAlmCoIn.dll"), 1u);
  const std::string readOnlyCopy = std::string(kTarget) + "\\" + kDrivers[0] + "\\rtgigeco.dll";
  EXPECT_TRUE(GetFileAttributesA(readOnlyCopy.c_str()) & FILE_ATTRIBUTE_READONLY) << "the copy lost read-only";

  // The command-line edition, run on Linux over the same demo data, writes the
  // same folders, the same copies and the same manifests but for their folder.
  const std::string cli = std::string(PELORIN_BUILD_DIR) + "\\artifacts\\cli_folder_backup";
  const bool cliMissing = GetFileAttributesA(cli.c_str()) == INVALID_FILE_ATTRIBUTES;
  if (!cliMissing) {
    for (const std::string& driver : kDrivers) {
      std::map<std::string, std::string> expected = FolderFiles(cli + "\\" + driver);
      std::map<std::string, std::string> got = first[driver];
      got["taskinfo.ini"] = ReplaceAll(got["taskinfo.ini"], kTarget, cli);
      EXPECT_EQ(got, expected) << driver;
    }
  }

  // A second backup into the same folder: a manifest left read-only is
  // written again, updated in place, so its bytes stay as they were.
  const std::string manifest = std::string(kTarget) + "\\" + kDrivers[0] + "\\taskinfo.ini";
  ASSERT_TRUE(SetFileAttributesA(manifest.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_EQ(BackUpInto(kTarget, "folder_backup_second"), "已经成功备份了在列表框中勾选的驱动程序!");
  EXPECT_FALSE(GetFileAttributesA(manifest.c_str()) & FILE_ATTRIBUTE_READONLY);
  for (const std::string& driver : kDrivers)
    EXPECT_EQ(FolderFiles(std::string(kTarget) + "\\" + driver), first[driver]) << driver;
  if (cliMissing) GTEST_SKIP() << "not compared with the command-line edition: " << cli << " is missing (build the native preset first)";
}

}  // namespace
}  // namespace pelorin::e2e
