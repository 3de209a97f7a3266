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
  // Entries named by their path below the unpack folder.
  void Pack(const std::vector<std::string>& names) {
    CSfxWriter writer(platform);
    for (auto& n : names) {
      files.AddFile("C:\\src\\" + n, "content of " + n);
      ASSERT_EQ(writer.AddFile("C:\\src\\" + n, n), 1);
    }
    ASSERT_EQ(writer.Build(152, self, nullptr, nullptr), 1002);
  }
  MemoryTreeFileSystem files;
  SfxStubResources resources;
  Platform platform;
  const std::string self = "C:\\dl\\pelorin.exe";
  const std::string temp = "C:\\TEMP\\";
};

TEST_F(RestorerSessionTest, EachRunUnpacksIntoANewFolderAndCleansUp) {
  Pack({"A\\oem3.inf", "A\\x64\\drv.sys", "B\\drv.sys", "taskinfo.ini", "treeinfo.ini"});
  CRestorerSession first(platform), second(platform);
  ASSERT_EQ(first.Unpack(self, temp), 0);
  ASSERT_EQ(second.Unpack(self, temp), 0);
  const std::string folder = first.Folder();
  EXPECT_EQ(folder.rfind(temp + CRestorerSession::kUnpackFolderPrefix, 0), 0u) << folder;
  EXPECT_NE(folder, second.Folder());
  EXPECT_EQ(first.ManifestPath(), folder + "taskinfo.ini");
  EXPECT_EQ(files.Content(folder + "A\\x64\\drv.sys"), "content of A\\x64\\drv.sys");
  EXPECT_EQ(files.Content(folder + "B\\drv.sys"), "content of B\\drv.sys");

  std::vector<std::string> failures;
  first.Cleanup(failures);
  EXPECT_TRUE(failures.empty());
  EXPECT_FALSE(files.Exists(folder.substr(0, folder.size() - 1)));
  EXPECT_TRUE(files.Exists(second.Folder() + "A\\oem3.inf"));

  // A manifest gone before leaving is reported, in the order of the deletes.
  files.Delete(second.ManifestPath());
  files.Delete(second.TreePath());
  second.Cleanup(failures);
  EXPECT_EQ(failures, (std::vector<std::string>{"Delete taskfile.ini failed", "Delete treefile.ini failed"}));
}

TEST_F(RestorerSessionTest, MessagesForContainersThatCannotBeUnpacked) {
  const auto unpack = [&](std::size_t* filesAfter = nullptr) {
    CRestorerSession session(platform);
    const int message = session.Unpack(self, temp);
    if (filesAfter) *filesAfter = files.Files().size();
    std::vector<std::string> failures;
    session.Cleanup(failures);
    EXPECT_TRUE(failures.empty());
    return message;
  };
  EXPECT_EQ(CRestorerSession(platform).Unpack("C:\\nowhere.exe", temp), 105);
  files.PutBytes(self, resources.stub);  // the restorer run on its own
  EXPECT_EQ(unpack(), 102);
  auto empty = resources.stub;
  const char tail[] = "\0\0\0\0" "1.10" "!ZERN_SFX!";
  empty.insert(empty.end(), tail, tail + 18);
  files.PutBytes(self, empty);
  EXPECT_EQ(unpack(), 103);

  Pack({"a.inf", "b.sys"});
  const std::size_t before = files.Files().size();
  std::vector<unsigned char> bytes = files.Bytes(self);
  bytes[bytes.size() - 30] ^= 0x20;  // inside a record
  files.PutBytes(self, bytes);
  std::size_t after = 0;
  EXPECT_EQ(unpack(&after), 102);
  EXPECT_EQ(after, before);

  Pack({"a.inf", "b.sys"});
  files.freeBytes = 20;  // less than the two entries need: refused before a byte is written
  EXPECT_EQ(unpack(&after), 104);
  EXPECT_EQ(after, before);
  files.freeBytes = 1 << 20;
  files.writeBudget = 0;  // the disk fills all the same
  EXPECT_EQ(unpack(&after), 104);
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace pelorin
