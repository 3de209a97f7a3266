#include <gtest/gtest.h>

#include <random>

#include "FaultyFileSystem.h"
#include "RecordingBoxes.h"
#include "backup/DriverFileSet.h"
#include "backup/FileTreeOps.h"
#include "platform/posix/Encoding.h"

namespace pelorin {
namespace {

TEST(FileSetNamesTest, PnfNameNeedsLowerCaseInfAndListedNameIsTextBeforeFirstEquals) {
  const std::pair<const char*, const char*> pnf[] = {
      {"oem12.inf", "oem12.PNF"}, {"OEM12.INF", ".PNF"}, {"a.inf.inf", "a.PNF"}, {"net.infx", "net.PNF"}, {"", ".PNF"}};
  for (auto [inf, name] : pnf) EXPECT_EQ(PnfFileName(inf), name) << inf;
  const std::pair<const char*, const char*> listed[] = {
      {"ati2mtag.sys=1,,", "ati2mtag.sys"}, {"a.sys=1=2", "a.sys"}, {"nothing here", ""}, {"=1", ""},
      {"iAlmCoIn.dll=1", "ialmcoin.dll"}, {"IALMCOIN.DLL=1", "IALMCOIN.DLL"},
      {"iAlmCoIn.dll =1", "iAlmCoIn.dll "}};  // nothing trimmed
  for (auto [line, name] : listed) EXPECT_EQ(ListedFileName(line), name) << line;
}

TEST(FindFileInTreeTest, WalkOrderCaseAndUnreadableFolders) {
  struct Case {
    std::vector<std::string> files;  // below C:\WINDOWS (listed in NTFS order: upper-cased names)
    const char* denied;              // a folder whose listing is refused
    const char* name;
    const char* expected;            // null: not found, the result left as it was
  } cases[] = {
      // The later match in the walk wins.
      {{"system32\\dllcache\\e100b.sys", "system32\\drivers\\e100b.sys"}, "", "E100B.SYS", "system32\\drivers\\e100b.sys"},
      // The first match ends its folder (the sub-folder after it is not searched) but not the parent.
      {{"a\\w_before\\x.sys", "a\\x.sys", "a\\y_after\\x.sys", "b\\y.sys"}, "", "x.sys", "a\\x.sys"},
      {{"a\\w_before\\x.sys", "a\\x.sys", "a\\y_after\\x.sys", "c\\x.sys"}, "", "x.sys", "c\\x.sys"},
      // Only ASCII letters fold: these two differ by 0x20 in a lead byte.
      {{"\xC4\xE3.sys"}, "", "\xC4\xE3.SYS", "\xC4\xE3.sys"},
      {{"\xC4\xE3.sys"}, "", "\xE4\xE3.sys", nullptr},
      // A trail byte that looks like a letter never folds: "\x81\x41" and "\x81\x61" are two characters.
      {{"\x81\x41.sys"}, "", "\x81\x61.sys", nullptr},
      // "\x95\x5C" is one character whose second byte is 0x5C.
      {{"\x95\x5C\\a\x95\x5C.sys"}, "", "a\x95\x5C.sys", "\x95\x5C\\a\x95\x5C.sys"},
      {{"a\\x.sys", "b\\x.sys"}, "b", "x.sys", "a\\x.sys"},
      // Folders never match; nor does an empty name.
      {{"x.sys\\other.dat"}, "", "x.sys", nullptr},
      {{"x.sys"}, "", "", nullptr},
  };
  for (const Case& c : cases) {
    testing::FaultyFileSystem tree;
    for (const std::string& file : c.files) tree.AddFile("C:\\WINDOWS\\" + file);
    if (*c.denied) tree.DenyListing(std::string("C:\\WINDOWS\\") + c.denied);
    const std::string expected = c.expected ? std::string("C:\\WINDOWS\\") + c.expected : "keep";
    for (const char* root : {"C:\\WINDOWS", "C:\\WINDOWS\\"}) {
      std::string literal = "keep", indexed = "keep";
      FindFileInTree(tree, root, c.name, literal);
      CFileTreeIndex(tree, root).Find(c.name, indexed);
      EXPECT_EQ(literal, expected) << c.name << " in " << root;
      EXPECT_EQ(indexed, expected) << c.name << " in " << root;
    }
  }
}

// Random trees: names repeated across folders, twice in one folder in different case (made on the host), folders
// named like files. The index must give the walk's answer for every name.
const char* const kTreeNames[] = {"a.sys", "b.dll", "c.inf", "d", "e.cat", "\xB2\xE2.sys"};

void FillTree(std::mt19937& random, const testing::PosixScratch& scratch, const std::string& folder, int depth) {
  scratch.MakeDir(folder);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  for (int i = pick(0, depth == 0 ? 8 : 5); i > 0; --i) {
    std::string name = kTreeNames[pick(0, 5)];
    for (char& c : name) c = c >= 'a' && c <= 'z' && pick(0, 3) == 0 ? mbcs::UpperAscii(c) : c;
    const bool directory = depth < 4 && pick(0, 2) == 0;
    const std::string path = folder + "/" + posix::GbkToUtf8Lossy(name);
    if (scratch.Exists(path)) continue;  // the same spelling again
    if (directory)
      FillTree(random, scratch, path, depth + 1);
    else
      scratch.WriteFile(path, "");
  }
}

TEST(FileTreeIndexPropertyTest, AgreesWithTheWalkOnGeneratedTrees) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    testing::FaultyFileSystem files;
    std::mt19937 random(seed);
    FillTree(random, files.scratch, "c/WINDOWS", 0);
    CFileTreeIndex index(files, "C:\\WINDOWS");
    for (const char* base : kTreeNames) {
      std::string upper = base;
      for (char& c : upper) c = mbcs::UpperAscii(c);
      for (const std::string& name : {std::string(base), upper, std::string("X") + base}) {
        std::string literal = "none", indexed = "none";
        FindFileInTree(files, "C:\\WINDOWS", name, literal);
        index.Find(name, indexed);
        ASSERT_EQ(indexed, literal) << "seed " << seed << " name " << name;
      }
    }
  }
}

constexpr char kNotFound[] = "找不到指定文件夹，请确认此文件夹是否存在！";
constexpr char kNoDestination[] = "找不到目的转移路径,请提供正确路径!";
constexpr char kCreateFail[] = "Create  directory fail!";

struct TreeOps {
  testing::FaultyFileSystem files;
  testing::RecordingBoxes boxes;
  CFileTreeOps ops{Platform{nullptr, &files, nullptr, &boxes, nullptr}};
};
class FileTreeOpsTest : public ::testing::Test, protected TreeOps {};

TEST_F(FileTreeOpsTest, CopyCarriesAttributesAndCountsFailures) {
  int failed = 0;  // copies that succeed are not counted
  files.AddFile("C:\\src\\ro.sys", "v1", attr::kReadOnly | attr::kArchive);
  EXPECT_EQ(ops.CopyTree("C:\\src\\ro.sys", "D:\\out", &failed), 1);  // destination made on the way
  EXPECT_EQ(files.GetAttributes("D:\\out\\ro.sys"), attr::kReadOnly | attr::kArchive);
  // A folder: the tree walked, attributes kept.
  files.AddFile("C:\\tree\\a.sys", "a");
  files.AddFile("C:\\tree\\sub\\b.sys", "b", attr::kHidden);
  files.SetAttributes("C:\\tree", attr::kReadOnly);
  EXPECT_EQ(ops.CopyTree("C:\\tree", "D:\\t", &failed), 1);
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

TEST_F(FileTreeOpsTest, FolderThatCannotBeMadeGivesBothMessagesAndStopsTheCopyOrThePath) {
  files.AddFile("C:\\src\\a.sys");
  files.FailCreateDir("D:\\out");
  EXPECT_EQ(ops.CopyTree("C:\\src\\a.sys", "D:\\out\\sub"), 0);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kCreateFail, std::string(kNotFound) + "C:\\src\\a.sys" + kNoDestination}));
  EXPECT_EQ(boxes.Shown()[1].type, mb::kOk);
  // Deep in the tree.
  boxes.Clear();
  for (const char* file : {"C:\\tree\\a\\1.sys", "C:\\tree\\b\\2.sys", "C:\\tree\\c.sys"}) files.AddFile(file);
  files.FailCreateDir("D:\\t\\a");
  EXPECT_EQ(ops.CopyTree("C:\\tree", "D:\\t"), 0);
  EXPECT_FALSE(files.Exists("D:\\t\\c.sys"));
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kCreateFail, std::string(kNotFound) + "C:\\tree\\a" + kNoDestination}));
  // Making a path alone: each level, and one box where a level cannot be made.
  boxes.Clear();
  EXPECT_EQ(ops.MakePath("D:\\a\\b\\c"), 1);
  files.AddFile("D:\\file.txt");
  EXPECT_EQ(ops.MakePath("D:\\file.txt"), 1);
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
    TreeOps t;
    for (const std::string& file : all) t.files.AddFile("D:\\" + file, "", attr::kReadOnly | attr::kHidden);
    const std::string locked = std::string("D:\\") + c.locked;
    if (c.once) t.files.FailDeleteOnce(locked);
    else if (*c.locked) t.files.FailDelete(locked);
    for (int answer : c.answers) t.boxes.Answer(answer);
    const std::string what = std::string(c.target) + " " + c.locked + " " + std::to_string(c.answers.size());
    EXPECT_EQ(t.ops.DeleteTree(c.target), c.result) << what;
    EXPECT_EQ(t.files.Files("D:"), c.left) << what;
    const std::string again = "无法删除 " + locked + " ! 忽略此文件点确定 ,退出操作点取消!";  // after a failed retry
    std::vector<testing::ShownBox> expected;
    for (std::size_t i = 0; i < c.answers.size(); ++i)
      expected.push_back({i == 0 ? c.firstBox : again, "", false, i == 0 ? 0x12u : 0x11u});
    EXPECT_EQ(t.boxes.Shown(), expected) << what;
  }
}

}  // namespace
}  // namespace pelorin
