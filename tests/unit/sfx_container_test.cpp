#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <map>
#include <string>
#include <vector>

#include "FaultyFileSystem.h"
#include "SfxStubResources.h"
#include "sfx/SfxReader.h"
#include "sfx/SfxWriter.h"
#include "stub/RestorerSession.h"

namespace pelorin {
namespace {

using testing::FaultyFileSystem;
using Bytes = std::string;

std::uint32_t U32At(const Bytes& b, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(b[at + i]);
  return value;
}
void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
std::string Inflate(const Bytes& b, std::size_t at, std::size_t length) {
  std::string out(1 << 20, '\0');
  uLongf outLength = out.size();
  const auto* in = reinterpret_cast<const Bytef*>(&b[at]);
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(&out[0]), &outLength, in, length), Z_OK);
  return out.substr(0, outLength);
}

class SfxTest : public ::testing::Test {
 protected:
  SfxTest() {
    platform.files = &files;
    platform.resources = &resources;
    files.AddDir("D:\\backup");
  }
  // Packs (path, content) pairs into `out` and returns the container's bytes.
  Bytes Pack(const std::vector<std::pair<std::string, std::string>>& entries) {
    CSfxWriter writer(platform);
    for (auto& e : entries) {
      files.AddFile(e.first, e.second);
      EXPECT_EQ(writer.AddFile(e.first), 1);
    }
    EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1002);
    return files.Content(out);
  }
  // Unpacks `container` into C:\T of a new scratch; `written` gets the files made.
  SfxStatus Unpack(const Bytes& container, std::map<std::string, std::string>& written) {
    FaultyFileSystem target;
    target.AddFile("D:\\self.exe", container);
    target.AddDir("C:\\T");
    auto in = target.Open("D:\\self.exe", OpenMode::kReadShared);
    SfxStatus status = UnpackSfx(
        *in, [&](const std::string& name) { return target.Open("C:\\T\\" + name, OpenMode::kCreateWrite); },
        [&](const std::string& name) { EXPECT_TRUE(target.Delete("C:\\T\\" + name)) << name; }, nullptr);
    written.clear();
    for (auto& p : target.Files("C:")) written[p] = target.Content("C:\\" + p);
    return status;
  }

  FaultyFileSystem files;
  testing::SfxStubResources resources;
  Platform platform;
  const std::string out = "D:\\backup\\pelorin.exe";
};

TEST_F(SfxTest, ByteOrderOfOneEmptyFile) {
  resources.stub.assign(315392, 'M');
  files.AddFile("C:\\WINDOWS\\inf\\a.inf", "");
  CSfxWriter writer(platform);
  ASSERT_EQ(writer.AddFile("C:\\WINDOWS\\inf\\a.inf"), 1);
  std::vector<std::string> events;
  const auto record = [](int event, void* data, void* user) {
    static_cast<std::vector<std::string>*>(user)->push_back(std::to_string(event) + ":" + static_cast<char*>(data));
    return 0;
  };
  ASSERT_EQ(writer.Build(152, out, record, &events), 1002);
  // No percentage (1002) for an empty file: its loop ends at the first fill.
  EXPECT_EQ(events, (std::vector<std::string>{"1000:a.inf", "1001:a.inf"}));
  const Bytes b = files.Content(out);
  ASSERT_EQ(b.size(), 315392u + 8 + 39);
  EXPECT_EQ(b.substr(0, 315392), resources.stub);
  EXPECT_EQ(Inflate(b, 315392, 8), "");
  // The record (stream at 0x4D000, 0 bytes, 8 packed, the name, its length), the count, version and mark.
  const std::string trailer("\x00\xD0\x04\x00" "\0\0\0\0" "\x08\0\0\0" "a.inf" "\x05\0\0\0"
                            "\x01\0\0\0" "1.10!ZERN_SFX!", 39);
  EXPECT_EQ(b.substr(b.size() - 39), trailer);
}

TEST(SfxPercentageTest, EmptyIsDoneAndNothingShortOfTheEndIsAHundred) {
  EXPECT_EQ(SfxPercentage(0, 0), 100);
  EXPECT_EQ(SfxPercentage(9999999, 10000001), 99);
  EXPECT_EQ(SfxPercentage(4000000000u, 4000000000u), 100);
  EXPECT_EQ(SfxPercentage(50000000, 10000000), 70);  // the 32-bit product wraps for a file that grew
}

TEST_F(SfxTest, WhatTheWriterTakesAndRefuses) {
  CSfxWriter writer(platform);
  EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1004);  // an empty list creates nothing
  EXPECT_TRUE(files.Files("D:").empty());
  // A file somebody writes is refused; the record holds the length packed,
  // taken from the file as it is built.
  files.AddFile("C:\\busy.sys", "x");
  EXPECT_EQ(writer.AddFile("C:\\missing.sys"), 0);
  {
    auto writerOpen = files.Open("C:\\busy.sys", OpenMode::kCreateWrite);
    EXPECT_EQ(writer.AddFile("C:\\busy.sys"), 0);
  }
  EXPECT_EQ(writer.AddFile("C:\\busy.sys"), 1);
  files.AddFile("C:\\grow.sys", "short");
  ASSERT_EQ(writer.AddFile("C:\\grow.sys"), 1);
  files.AddFile("C:\\grow.sys", "much longer now");
  ASSERT_EQ(writer.Build(152, out, nullptr, nullptr), 1002);
  EXPECT_EQ(writer.Entry(1).size, 15u);
  EXPECT_EQ(Inflate(files.Content(out), writer.Entry(1).dataOffset, writer.Entry(1).compressedSize), "much longer now");
  // An entry is named by the GBK path's last level (a trail byte 0x5C splits nothing) or as given.
  for (const std::string path : {"C:\\驱动\\显卡.inf", "C:\\x\\\x95\x5C.sys"}) {
    files.AddFile(path, "file");
    ASSERT_EQ(writer.AddFile(path), 1);
  }
  ASSERT_EQ(writer.AddFile("C:\\busy.sys", "Card\\x64\\plain.cat"), 1);
  for (const char* bad : {"..\\plain.cat", "C:plain.cat"})  // the reader would refuse them
    EXPECT_EQ(writer.AddFile("C:\\busy.sys", bad), 0) << bad;
  EXPECT_EQ(writer.Entry(2).name, "显卡.inf");
  EXPECT_EQ(writer.Entry(3).name, "\x95\x5C.sys");
  EXPECT_EQ(writer.Entry(4).name, "Card\\x64\\plain.cat");

  // Past 4 GiB nothing is created: twice a sparse file of 3 GiB.
  files.AddFile("C:\\huge.bin");
  ASSERT_EQ(truncate((files.scratch / "c/huge.bin").c_str(), 3ll << 30), 0);
  CSfxWriter big(platform);
  ASSERT_EQ(big.AddFile("C:\\huge.bin", "a\\huge.bin"), 1);
  ASSERT_EQ(big.AddFile("C:\\huge.bin", "b\\huge.bin"), 1);
  EXPECT_EQ(big.Build(152, "D:\\big.exe", nullptr, nullptr), 1009);
  EXPECT_FALSE(files.Exists("D:\\big.exe") || files.Exists(CSfxWriter::WorkPath("D:\\big.exe")));
}

TEST_F(SfxTest, FailedBuildKeepsTheEarlierBackup) {
  files.AddFile(out, "earlier good backup");
  CSfxWriter writer(platform);
  files.AddFile("C:\\a.sys", "a");
  files.AddFile("C:\\b.sys", "b");
  ASSERT_EQ(writer.AddFile("C:\\a.sys"), 1);
  ASSERT_EQ(writer.AddFile("C:\\b.sys"), 1);
  // A file gone; the disk full while the stub (100), or the streams (64 + 9) are written; the target held open by
  // someone else; no stub; and at last a build that is let through.
  const struct { bool gone; long long budget; bool refuseMoves, stub; int result; } cases[] = {
      {true, -1, false, true, 1006}, {false, 100, false, true, 1005}, {false, 64 + 9, false, true, 1005},
      {false, -1, true, true, 1005}, {false, -1, false, false, 1007}, {false, -1, false, true, 1002}};
  for (const auto& c : cases) {
    if (c.gone) files.Delete("C:\\b.sys");
    else files.AddFile("C:\\b.sys", "b");
    files.writeBudget = c.budget;
    files.refuseMoves = c.refuseMoves;
    resources.present = c.stub;
    EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), c.result);
    EXPECT_EQ(files.Content(out) == "earlier good backup", c.result != 1002) << c.result;
    EXPECT_FALSE(files.Exists(CSfxWriter::WorkPath(out))) << c.result;
  }
  const std::string built = files.Content(out);
  EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1002);
  EXPECT_EQ(files.Content(out), built) << "built again, the output is replaced, not extended";
}

TEST_F(SfxTest, ReaderUnpacksWhatTheWriterPacked) {
  std::string big(70000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
  auto container = Pack({{"C:\\a\\oem1.inf", "[Version]"}, {"C:\\a\\empty.cat", ""}, {"C:\\a\\drv.sys", big},
                         {"C:\\b\\oem1.inf", "second copy"}, {"C:\\b\\显卡.dll", "gbk"}});
  std::map<std::string, std::string> written;
  ASSERT_EQ(Unpack(container, written), SfxStatus::kOk);
  EXPECT_EQ(written, (std::map<std::string, std::string>{{"T\\oem1.inf", "[Version]"},  // the first copy stays
                                                         {"T\\empty.cat", ""}, {"T\\drv.sys", big}, {"T\\显卡.dll", "gbk"}}));

  // An entry that cannot be created ends the unpack, the directory read.
  files.AddFile("C:\\self.exe", container);
  auto in = files.Open("C:\\self.exe", OpenMode::kReadShared);
  std::vector<SfxRecord> records;
  EXPECT_EQ(UnpackSfx(*in, [](const std::string&) { return std::unique_ptr<FileStream>(); }, nullptr, &records),
            SfxStatus::kCreateFailed);
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[4].name, "显卡.dll");
  EXPECT_EQ(records[4].size, 3u);

  // Files that are no container (the stub alone, and a trailer without records,
  // are the restorer's messages below).
  EXPECT_EQ(Unpack({}, written), SfxStatus::kNotContainer);
  container[container.size() - 11] = '1';  // "1.11"
  EXPECT_EQ(Unpack(container, written), SfxStatus::kNotContainer);
  EXPECT_TRUE(written.empty());
}

TEST_F(SfxTest, ReaderRefusesDamagedDirectoriesWithoutWritingAnything) {
  auto container = Pack({{"C:\\a.inf", "first"}, {"C:\\b.sys", std::string(5000, 'b')}});
  const std::size_t n = container.size(), count = n - 18, lastLength = n - 22;  // b.sys: name at n-27
  const std::size_t lastHead = n - 22 - 5 - 12, firstHead = lastHead - 4 - 5 - 12;
  std::map<std::string, std::string> written;
  auto check = [&](const Bytes& bytes, const std::string& what) {
    EXPECT_EQ(Unpack(bytes, written), SfxStatus::kCorrupt) << what;
    EXPECT_TRUE(written.empty()) << what;
  };
  const std::pair<std::size_t, std::uint32_t> patches[] = {
      {count, 0xFFFFFFFFu}, {count, 3},                                  // counts beyond the file, the records
      {lastLength, 0}, {lastLength, 0x7FFFFFF0u},                        // empty name, beyond the file
      {lastHead, static_cast<std::uint32_t>(n)},                         // offset beyond the file
      {lastHead + 8, 0xFFFFFFF0u},                                       // compressed size wrapping,
      {lastHead + 8, static_cast<std::uint32_t>(n - lastHead)},          // reaching into the records,
      {lastHead + 8, 4},                                                 // shorter than any zlib stream,
      {lastHead + 8, U32At(container, lastHead + 8) - 1},                // cut short
      {lastHead + 4, 4999}, {lastHead + 4, 5001},                        // more, less than its size
  };
  for (auto [at, value] : patches) {
    auto b = container;
    PutU32(b, at, value);
    check(b, std::to_string(at) + "=" + std::to_string(value));
  }
  // The names' rules are IsSafeEntryName's, below.
  for (const char* bad : {"..\\x", "NUL\\a"}) {
    auto b = container;
    std::copy(bad, bad + 5, b.begin() + (lastLength - 5));
    check(b, bad);
  }
  // A damaged stream takes back the entries written before it: b.sys, the
  // last record, is unpacked first.
  for (std::size_t at : {U32At(container, firstHead) + U32At(container, firstHead + 8) - 1,  // its checksum
                         U32At(container, lastHead) + 10}) {
    auto b = container;
    b[at] ^= 0x55;
    check(b, "stream byte " + std::to_string(at));
  }
}

TEST_F(SfxTest, SafeNamesAreTheOnesThatStayBelowTheTarget) {
  for (const char* good : {"taskinfo.ini", "显卡.inf", "\x95\x5C.sys", "con1.sys", "a..b", "驱动\\x64\\a.sys"})
    EXPECT_TRUE(IsSafeEntryName(good)) << good;
  for (const char* bad : {"", ".", "a\\", "\\a", "a\\\\b", "a\\..\\b", "a\\.\\b", "a\\nul\\b", "a.\\b", "C:\\a",
                          "/", "x\ty", "aux.inf", "LPT9", "a ", "<"})
    EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
}

class RestorerSessionTest : public SfxTest {
 protected:
  RestorerSessionTest() {
    files.AddDir("C:\\dl");
    files.AddDir("C:\\TEMP");
  }
  // Entries named by their path below the unpack folder.
  void PackNamed(const std::vector<std::string>& names) {
    CSfxWriter writer(platform);
    for (auto& n : names) {
      files.AddFile("C:\\src\\" + n, "content of " + n);
      ASSERT_EQ(writer.AddFile("C:\\src\\" + n, n), 1);
    }
    ASSERT_EQ(writer.Build(152, self, nullptr, nullptr), 1002);
  }
  const std::string self = "C:\\dl\\pelorin.exe", temp = "C:\\TEMP\\";
};

TEST_F(RestorerSessionTest, EachRunUnpacksIntoANewFolderAndCleansUp) {
  PackNamed({"A\\oem3.inf", "A\\x64\\drv.sys", "taskinfo.ini", "treeinfo.ini"});
  CRestorerSession first(platform), second(platform);
  ASSERT_EQ(first.Unpack(self, temp), 0);
  ASSERT_EQ(second.Unpack(self, temp), 0);
  const std::string folder = first.Folder();
  EXPECT_EQ(folder.rfind(temp + CRestorerSession::kUnpackFolderPrefix, 0), 0u) << folder;
  EXPECT_NE(folder, second.Folder());
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
  // Each message leaves the files as they were.
  const auto unpack = [&] {
    const std::size_t before = files.Files("C:").size();
    CRestorerSession session(platform);
    const int message = session.Unpack(self, temp);
    EXPECT_EQ(files.Files("C:").size(), before) << message;
    std::vector<std::string> failures;
    session.Cleanup(failures);
    EXPECT_TRUE(failures.empty());
    return message;
  };
  EXPECT_EQ(CRestorerSession(platform).Unpack("C:\\nowhere.exe", temp), 105);
  files.AddFile(self, resources.stub);  // the restorer run on its own
  EXPECT_EQ(unpack(), 102);
  files.AddFile(self, resources.stub + std::string("\0\0\0\0" "1.10" "!ZERN_SFX!", 18));  // a trailer, no record
  EXPECT_EQ(unpack(), 103);
  PackNamed({"a.inf", "b.sys"});
  Bytes bytes = files.Content(self);
  bytes[bytes.size() - 30] ^= 0x20;  // inside a record
  files.AddFile(self, bytes);
  EXPECT_EQ(unpack(), 102);
  PackNamed({"a.inf", "b.sys"});
  files.freeBytes = 20;  // less than the two entries need: refused before a byte is written
  EXPECT_EQ(unpack(), 104);
  files.freeBytes = 1 << 20;
  files.writeBudget = 0;  // the disk fills all the same
  EXPECT_EQ(unpack(), 104);
}

}  // namespace
}  // namespace pelorin
