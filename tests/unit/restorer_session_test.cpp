#include <gtest/gtest.h>

#include "MemoryTreeFileSystem.h"
#include "SfxStubResources.h"
#include "sfx/SfxWriter.h"
#include "stub/RestorerSession.h"

namespace pelorin {
namespace {

using testing::MemoryTreeFileSystem;
using testing::SfxStubResources;

class RestorerSessionTest : public ::testing::Test {
 protected:
  RestorerSessionTest() {
    platform.files = &files;
    platform.resources = &resources;
    files.AddDir("C:\\dl");
    files.AddDir("C:\\TEMP");
  }
  void Pack(const std::vector<std::string>& names) {
    CSfxWriter writer(platform);
    for (auto& n : names) {
      files.AddFile("C:\\src\\" + n, "content of " + n);
      ASSERT_EQ(writer.AddFile("C:\\src\\" + n), 1);
    }
    ASSERT_EQ(writer.Build(152, self, nullptr, nullptr), 1002);
  }
  MemoryTreeFileSystem files;
  SfxStubResources resources;
  Platform platform;
  const std::string self = "C:\\dl\\pelorin.exe";
  const std::string temp = "C:\\TEMP\\";
};

TEST_F(RestorerSessionTest, UnpacksIntoItsOwnFolderAndCleansUp) {
  Pack({"oem3.inf", "taskinfo.ini", "treeinfo.ini", "drv.sys"});
  files.AddFile("C:\\TEMP\\taskinfo.ini", "stale file of an earlier run");
  CRestorerSession session(platform);
  ASSERT_EQ(session.Unpack(self, temp, "sfx1"), 0);
  EXPECT_TRUE(session.Unpacked());
  EXPECT_EQ(session.ManifestPath(), "C:\\TEMP\\sfx1\\taskinfo.ini");
  EXPECT_EQ(files.Content("C:\\TEMP\\sfx1\\drv.sys"), "content of drv.sys");
  EXPECT_EQ(files.Content("C:\\TEMP\\taskinfo.ini"), "stale file of an earlier run");

  std::vector<std::string> failures;
  session.Cleanup(failures);
  EXPECT_TRUE(failures.empty());
  for (const char* n : {"oem3.inf", "taskinfo.ini", "treeinfo.ini", "drv.sys"})
    EXPECT_FALSE(files.Exists(std::string("C:\\TEMP\\sfx1\\") + n)) << n;
  EXPECT_TRUE(files.Exists("C:\\TEMP\\taskinfo.ini"));
}

TEST_F(RestorerSessionTest, ReportsFailedManifestDeletes) {
  Pack({"taskinfo.ini", "a.inf"});
  CRestorerSession session(platform);
  ASSERT_EQ(session.Unpack(self, temp, "p"), 0);
  files.Delete("C:\\TEMP\\p\\taskinfo.ini");
  files.Delete("C:\\TEMP\\p\\treeinfo.ini");
  std::vector<std::string> failures;
  session.Cleanup(failures);
  EXPECT_EQ(failures, (std::vector<std::string>{"Delete taskfile.ini failed", "Delete treefile.ini failed"}));
}

TEST_F(RestorerSessionTest, MessagesForBadContainers) {
  CRestorerSession missing(platform);
  EXPECT_EQ(missing.Unpack("C:\\nowhere.exe", temp, "p"), 105);

  files.PutBytes(self, resources.stub);  // the restorer run on its own
  CRestorerSession bare(platform);
  EXPECT_EQ(bare.Unpack(self, temp, "p"), 102);
  std::vector<std::string> failures;
  bare.Cleanup(failures);
  EXPECT_TRUE(failures.empty());  // nothing unpacked, nothing to delete

  auto empty = resources.stub;
  const char tail[] = "\0\0\0\0" "1.10" "!ZERN_SFX!";
  empty.insert(empty.end(), tail, tail + 18);
  files.PutBytes(self, empty);
  EXPECT_EQ(CRestorerSession(platform).Unpack(self, temp, "p"), 103);

  Pack({"a.inf", "b.sys"});
  std::vector<unsigned char> bytes = files.Bytes(self);
  bytes[bytes.size() - 30] ^= 0x20;  // inside a record
  files.PutBytes(self, bytes);
  const std::size_t before = files.Files().size();
  int message = CRestorerSession(platform).Unpack(self, temp, "p");
  EXPECT_TRUE(message == 102) << message;
  EXPECT_EQ(files.Files().size(), before);

  Pack({"a.inf", "b.sys"});
  files.writeBudget = 0;  // the disk is full
  EXPECT_EQ(CRestorerSession(platform).Unpack(self, temp, "p"), 104);
}

}  // namespace
}  // namespace pelorin
