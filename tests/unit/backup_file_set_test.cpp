#include <gtest/gtest.h>

#include <random>

#include "FaultyFileSystem.h"
#include "backup/DriverFileSet.h"
#include "platform/posix/Encoding.h"

namespace pelorin {
namespace {

using testing::FaultyFileSystem;

TEST(FileSetNamesTest, PnfNameNeedsLowerCaseInfAndListedNameIsTextBeforeFirstEquals) {
  EXPECT_EQ(PnfSourcePath("oem12.inf"), "C:\\WINDOWS\\inf\\oem12.PNF");
  EXPECT_EQ(InfSourcePath("OEM12.INF"), "C:\\WINDOWS\\inf\\OEM12.INF");
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
    FaultyFileSystem tree;
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

// Random trees: names repeated across folders, twice in one folder in different
// case (made on the host), folders named like files. The index must give the
// walk's answer for every name.
const char* const kTreeNames[] = {"a.sys", "b.dll", "c.inf", "d", "e.cat", "\xB2\xE2.sys"};

void FillTree(std::mt19937& random, const testing::PosixScratch& scratch, const std::string& folder, int depth) {
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  for (int i = pick(0, depth == 0 ? 8 : 5); i > 0; --i) {
    std::string name = kTreeNames[pick(0, 5)];
    for (char& c : name)
      if (c >= 'a' && c <= 'z' && pick(0, 3) == 0) c = static_cast<char>(c - 'a' + 'A');
    const bool directory = depth < 4 && pick(0, 2) == 0;
    const std::string path = folder + "/" + posix::GbkToUtf8Lossy(name);
    if (scratch.Exists(path)) continue;  // the same spelling again
    if (!directory) {
      scratch.WriteFile(path, "");
      continue;
    }
    scratch.MakeDir(path);
    FillTree(random, scratch, path, depth + 1);
  }
}

TEST(FileTreeIndexPropertyTest, AgreesWithTheWalkOnGeneratedTrees) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    FaultyFileSystem files;
    std::mt19937 random(seed);
    files.scratch.MakeDir("c/WINDOWS");
    FillTree(random, files.scratch, "c/WINDOWS", 0);
    CFileTreeIndex index(files, "C:\\WINDOWS");
    for (const char* base : kTreeNames) {
      std::string upper = base;
      for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
      for (const std::string& name : {std::string(base), upper, std::string("X") + base}) {
        std::string literal = "none", indexed = "none";
        FindFileInTree(files, "C:\\WINDOWS", name, literal);
        index.Find(name, indexed);
        ASSERT_EQ(indexed, literal) << "seed " << seed << " name " << name;
      }
    }
  }
}

}  // namespace
}  // namespace pelorin
