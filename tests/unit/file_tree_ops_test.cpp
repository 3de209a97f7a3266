#include <gtest/gtest.h>

#include "FaultyFileSystem.h"
#include "RecordingBoxes.h"
#include "backup/FileTreeOps.h"

namespace pelorin {
namespace {

using testing::FaultyFileSystem;
using testing::RecordingBoxes;

constexpr char kNotFound[] = "找不到指定文件夹，请确认此文件夹是否存在！";
constexpr char kNoDestination[] = "找不到目的转移路径,请提供正确路径!";
constexpr char kCreateFail[] = "Create  directory fail!";

class FileTreeOpsTest : public ::testing::Test {
 protected:
  FaultyFileSystem files;
  RecordingBoxes boxes;
  Platform platform{nullptr, &files, nullptr, &boxes, nullptr};
  CFileTreeOps ops{platform};
};

TEST_F(FileTreeOpsTest, CopyCarriesAttributesOverwritesAndCountsFailures) {
  files.AddFile("C:\\src\\ro.sys", "v1", attr::kReadOnly | attr::kArchive);
  EXPECT_EQ(ops.CopyTree("C:\\src\\ro.sys", "D:\\out"), 1);  // destination made on the way
  EXPECT_EQ(files.GetAttributes("D:\\out\\ro.sys"), attr::kReadOnly | attr::kArchive);
  // Over the read-only copy an earlier run left.
  files.AddFile("C:\\src\\ro.sys", "v2", attr::kReadOnly | attr::kArchive);
  int failed = 0;
  EXPECT_EQ(ops.CopyTree("C:\\src\\ro.sys", "D:\\out", &failed), 1);
  EXPECT_EQ(files.Content("D:\\out\\ro.sys"), "v2");
  EXPECT_EQ(failed, 0);
  // A folder: the tree walked, attributes kept.
  files.AddFile("C:\\tree\\a.sys", "a");
  files.AddFile("C:\\tree\\sub\\b.sys", "b", attr::kHidden);
  files.SetAttributes("C:\\tree", attr::kReadOnly);
  EXPECT_EQ(ops.CopyTree("C:\\tree", "D:\\t"), 1);
  EXPECT_EQ(files.Content("D:\\t\\sub\\b.sys"), "b");
  EXPECT_EQ(files.GetAttributes("D:\\t\\sub\\b.sys"), attr::kHidden);
  EXPECT_EQ(files.GetAttributes("D:\\t"), attr::kReadOnly | attr::kDirectory);
  // Outcomes that show no box.
  EXPECT_EQ(ops.CopyTree("D:\\x", "D:\\x"), 1);  // the same path is no copy
  EXPECT_FALSE(files.Exists("D:\\x"));
  EXPECT_EQ(ops.CopyTree("C:\\nowhere\\a.sys", "D:\\made"), 0);
  EXPECT_TRUE(files.Exists("D:\\made"));  // the destination is made before the source is looked at
  // A failed file copy keeps the result but is counted.
  files.AddFile("C:\\src\\a.sys", "a");
  files.FailCopyTo("D:\\out\\a.sys");
  EXPECT_EQ(ops.CopyTree("C:\\src\\a.sys", "D:\\out", &failed), 1);
  EXPECT_EQ(failed, 1);
  EXPECT_FALSE(files.Exists("D:\\out\\a.sys"));
  // A refused folder listing counts as copied.
  files.DenyListing("C:\\src");
  EXPECT_EQ(ops.CopyTree("C:\\src", "D:\\denied"), 1);
  EXPECT_FALSE(files.Exists("D:\\denied\\a.sys"));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FileTreeOpsTest, FolderThatCannotBeMadeGivesBothMessagesAndStopsTheCopy) {
  files.AddFile("C:\\src\\a.sys");
  files.FailCreateDir("D:\\out");
  EXPECT_EQ(ops.CopyTree("C:\\src\\a.sys", "D:\\out\\sub"), 0);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kCreateFail, std::string(kNotFound) + "C:\\src\\a.sys" + kNoDestination}));
  EXPECT_EQ(boxes.Shown()[1].type, mb::kOk);
  // Deep in the tree.
  boxes.Clear();
  files.AddFile("C:\\tree\\a\\1.sys");
  files.AddFile("C:\\tree\\b\\2.sys");
  files.AddFile("C:\\tree\\c.sys");
  files.FailCreateDir("D:\\t\\a");
  EXPECT_EQ(ops.CopyTree("C:\\tree", "D:\\t"), 0);
  EXPECT_FALSE(files.Exists("D:\\t\\c.sys"));
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kCreateFail, std::string(kNotFound) + "C:\\tree\\a" + kNoDestination}));
}

TEST_F(FileTreeOpsTest, MakePathCreatesEachLevel) {
  EXPECT_EQ(ops.MakePath("D:\\a\\b\\c"), 1);
  EXPECT_TRUE(files.Exists("D:\\a\\b\\c"));
  EXPECT_EQ(ops.MakePath("D:\\a\\b\\c"), 1);
  files.AddFile("D:\\file.txt");
  EXPECT_EQ(ops.MakePath("D:\\file.txt"), 1);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(ops.MakePath("D:\\a\\b\\"), 0);  // a closing backslash fails even where the folder exists
  files.FailCreateDir("D:\\x\\y");  // a level that cannot be made stops the walk
  EXPECT_EQ(ops.MakePath("D:\\x\\y\\z"), 0);
  EXPECT_TRUE(files.Exists("D:\\x"));
  EXPECT_FALSE(files.Exists("D:\\x\\y\\z"));
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kCreateFail, kCreateFail}));
}

// Each case on a fresh D:\t holding a.sys, b.sys, sub\a.sys, sub\z.sys and tail.sys, listed in that order, all
// read-only; one file's delete fails, once or for good, and one box is shown per answer.
TEST(FileTreeOpsDeleteTest, RemovesReadOnlyTreesAndAsksAboutAFileThatStays) {
  const std::vector<std::string> all = {"t\\a.sys", "t\\b.sys", "t\\sub\\a.sys", "t\\sub\\z.sys", "t\\tail.sys"};
  const std::string single = "delete D:\\t\\a.sys Failed!", inFolder = "不能删除 D:\\t\\a.sys !";
  const struct {
    const char* target;
    const char* locked;
    bool once;
    std::vector<int> answers;
    int result;
    std::vector<std::string> left;  // below D:
    std::string firstBox;
  } cases[] = {
      {"D:\\none\\deeper", "", false, {}, 0, all, ""},  // missing: no question
      {"D:\\t", "", false, {}, 1, {}, ""},
      {"D:\\t\\a.sys", "", false, {}, 1, {all.begin() + 1, all.end()}, ""},
      {"D:\\t\\a.sys", "t\\a.sys", true, {mb::kIdRetry}, 1, {all.begin() + 1, all.end()}, single},
      {"D:\\t\\a.sys", "t\\a.sys", false, {mb::kIdAbort}, 0, all, single},
      {"D:\\t\\a.sys", "t\\a.sys", false, {mb::kIdIgnore}, 1, all, single},
      {"D:\\t\\a.sys", "t\\a.sys", false, {mb::kIdRetry, mb::kIdOk}, 1, all, single},
      {"D:\\t\\a.sys", "t\\a.sys", false, {mb::kIdRetry, mb::kIdCancel}, 0, all, single},
      // An ignored file keeps its folder; abort stops the walk.
      {"D:\\t", "t\\a.sys", false, {mb::kIdIgnore}, 0, {"t\\a.sys"}, inFolder},
      {"D:\\t", "t\\a.sys", false, {mb::kIdAbort}, 0, all, inFolder},
      // Cancel inside a sub-folder stops only that sub-folder.
      {"D:\\t", "t\\sub\\a.sys", false, {mb::kIdRetry, mb::kIdCancel}, 0, {"t\\sub\\a.sys", "t\\sub\\z.sys"},
       "不能删除 D:\\t\\sub\\a.sys !"},
  };
  for (const auto& c : cases) {
    FaultyFileSystem files;
    RecordingBoxes boxes;
    CFileTreeOps ops{Platform{nullptr, &files, nullptr, &boxes, nullptr}};
    for (const std::string& file : all) files.AddFile("D:\\" + file, "", attr::kReadOnly | attr::kHidden);
    const std::string locked = std::string("D:\\") + c.locked;
    if (c.once) files.FailDeleteOnce(locked);
    else if (*c.locked) files.FailDelete(locked);
    for (int answer : c.answers) boxes.Answer(answer);
    const std::string what = std::string(c.target) + " " + c.locked + " " + std::to_string(c.answers.size());
    EXPECT_EQ(ops.DeleteTree(c.target), c.result) << what;
    EXPECT_EQ(files.Files("D:"), c.left) << what;
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), c.answers.size()) << what;
    for (std::size_t i = 0; i < shown.size(); ++i) {
      EXPECT_EQ(shown[i].text, i == 0 ? c.firstBox : "无法删除 " + locked + " ! 忽略此文件点确定 ,退出操作点取消!") << what;
      EXPECT_EQ(shown[i].type, i == 0 ? 0x12u : 0x11u) << what;
    }
  }
}

}  // namespace
}  // namespace pelorin
