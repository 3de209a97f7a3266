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

TEST_F(FileTreeOpsTest, DeleteTreeRemovesReadOnlyFilesAndFolders) {
  EXPECT_EQ(ops.DeleteTree("D:\\none\\deeper"), 0);  // missing: no question
  files.AddFile("D:\\t\\a.sys", "", attr::kReadOnly);
  files.AddFile("D:\\t\\s\\b.sys", "", attr::kReadOnly | attr::kHidden);
  files.AddFile("D:\\single.sys", "", attr::kReadOnly);
  EXPECT_EQ(ops.DeleteTree("D:\\t"), 1);
  EXPECT_EQ(ops.DeleteTree("D:\\single.sys"), 1);
  EXPECT_FALSE(files.Exists("D:\\t") || files.Exists("D:\\single.sys"));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FileTreeOpsTest, FailedDeleteOfOneFileAsksAndFollowsTheAnswers) {
  const struct {
    const char* name;
    std::vector<int> answers;  // one box per answer
    bool retrySucceeds;
    int result;
    bool fileLeft;
  } cases[] = {
      {"retry", {mb::kIdRetry}, true, 1, false},  // first: the later rows' failure is for good
      {"abort", {mb::kIdAbort}, false, 0, true},
      {"ignore", {mb::kIdIgnore}, false, 1, true},
      {"retry-ok", {mb::kIdRetry, mb::kIdOk}, false, 1, true},
      {"retry-cancel", {mb::kIdRetry, mb::kIdCancel}, false, 0, true},
  };
  for (const auto& c : cases) {
    files.AddFile("D:\\locked.sys");
    if (c.retrySucceeds) files.FailDeleteOnce("D:\\locked.sys");
    else files.FailDelete("D:\\locked.sys");
    boxes.Clear();
    for (int answer : c.answers) boxes.Answer(answer);
    EXPECT_EQ(ops.DeleteTree("D:\\locked.sys"), c.result) << c.name;
    EXPECT_EQ(files.Exists("D:\\locked.sys"), c.fileLeft) << c.name;
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), c.answers.size()) << c.name;
    EXPECT_EQ(shown[0].text, "delete D:\\locked.sys Failed!");
    EXPECT_EQ(shown[0].type, 0x12u);
    if (shown.size() == 2) {
      EXPECT_EQ(shown[1].text, "无法删除 D:\\locked.sys ! 忽略此文件点确定 ,退出操作点取消!");
      EXPECT_EQ(shown[1].type, 0x11u);
    }
  }
}

TEST_F(FileTreeOpsTest, IgnoredFileKeepsItsFolderAndAbortStopsIt) {
  for (int answer : {mb::kIdIgnore, mb::kIdAbort}) {
    files.AddFile("D:\\t\\a.sys");
    files.AddFile("D:\\t\\b.sys");
    files.FailDelete("D:\\t\\a.sys");
    boxes.Clear();
    boxes.Answer(answer);
    EXPECT_EQ(ops.DeleteTree("D:\\t"), 0);
    EXPECT_TRUE(files.Exists("D:\\t\\a.sys"));
    EXPECT_EQ(files.Exists("D:\\t\\b.sys"), answer == mb::kIdAbort);
  }
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"不能删除 D:\\t\\a.sys !"});
}

TEST_F(FileTreeOpsTest, CancelInsideASubFolderStopsOnlyThatSubFolder) {
  files.AddFile("D:\\t\\sub\\a.sys");
  files.AddFile("D:\\t\\sub\\z.sys");
  files.AddFile("D:\\t\\tail.sys");  // listed after the sub-folder
  files.FailDelete("D:\\t\\sub\\a.sys");
  boxes.Answer(mb::kIdRetry);
  boxes.Answer(mb::kIdCancel);
  EXPECT_EQ(ops.DeleteTree("D:\\t"), 0);
  EXPECT_TRUE(files.Exists("D:\\t\\sub\\z.sys"));  // the sub-folder stopped
  EXPECT_FALSE(files.Exists("D:\\t\\tail.sys"));   // the parent went on
  EXPECT_EQ(boxes.Shown().size(), 2u);
}

}  // namespace
}  // namespace pelorin
