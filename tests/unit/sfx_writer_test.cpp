#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "MemoryTreeFileSystem.h"
#include "SfxStubResources.h"
#include "sfx/SfxWriter.h"

namespace pelorin {
namespace {

using testing::MemoryTreeFileSystem;
using testing::SfxStubResources;

std::uint32_t U32At(const std::vector<unsigned char>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::string Inflate(const std::vector<unsigned char>& b, std::size_t at, std::size_t length) {
  std::vector<unsigned char> out(1 << 20);
  uLongf outLength = out.size();
  EXPECT_EQ(uncompress(out.data(), &outLength, b.data() + at, length), Z_OK);
  return std::string(out.begin(), out.begin() + outLength);
}

std::string Pseudorandom(std::size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (auto& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>((seed >> 16) % 7 == 0 ? seed >> 8 : 'a' + (seed >> 20) % 4);
  }
  return s;
}

struct Events {
  std::vector<std::string> log;
  static int Record(int event, void* data, void* user) {
    auto* self = static_cast<Events*>(user);
    if (event == 1002)
      self->log.push_back("1002:" + std::to_string(*static_cast<int*>(data)));
    else
      self->log.push_back(std::to_string(event) + ":" + static_cast<const char*>(data));
    return 0;
  }
};

class SfxWriterTest : public ::testing::Test {
 protected:
  SfxWriterTest() {
    platform.files = &files;
    platform.resources = &resources;
    files.AddDir("D:\\backup");
  }
  MemoryTreeFileSystem files;
  SfxStubResources resources;
  Platform platform;
  const std::string out = "D:\\backup\\pelorin.exe";
};

TEST_F(SfxWriterTest, ByteOrderOfOneEmptyFile) {
  resources.stub.assign(315392, 0x4D);
  files.AddFile("C:\\WINDOWS\\inf\\a.inf", "");
  CSfxWriter writer(platform);
  ASSERT_EQ(writer.AddFile("C:\\WINDOWS\\inf\\a.inf"), 1);
  Events events;
  ASSERT_EQ(writer.Build(152, out, &Events::Record, &events), 1002);
  // No percentage for an empty file: its loop ends at the first fill.
  EXPECT_EQ(events.log, (std::vector<std::string>{"1000:a.inf", "1001:a.inf"}));

  const auto& b = files.Bytes(out);
  ASSERT_EQ(b.size(), 315392u + 8 + 39);
  EXPECT_TRUE(std::equal(resources.stub.begin(), resources.stub.end(), b.begin()));
  EXPECT_EQ(Inflate(b, 315392, 8), "");
  const unsigned char trailer[] = {0x00, 0xD0, 0x04, 0x00, 0, 0, 0, 0, 0x08, 0, 0, 0, 'a', '.', 'i', 'n', 'f',
                                   0x05, 0,    0,    0,    1, 0, 0, 0, '1',  '.', '1', '0', '!', 'Z', 'E', 'R',
                                   'N',  '_',  'S',  'F',  'X', '!'};
  ASSERT_EQ(sizeof trailer, 39u);
  EXPECT_TRUE(std::equal(std::begin(trailer), std::end(trailer), b.end() - 39));
  EXPECT_FALSE(files.Exists(CSfxWriter::WorkPath(out)));
}

TEST_F(SfxWriterTest, StreamsFollowTheStubBackToBack) {
  const std::string big = Pseudorandom(50000, 1), page(4096, 'x');
  files.AddFile("C:\\d\\big.sys", big);
  files.AddFile("C:\\d\\page.dll", page);
  files.AddFile("C:\\e\\page.dll", "other");
  CSfxWriter writer(platform);
  for (const char* p : {"C:\\d\\big.sys", "C:\\d\\page.dll", "C:\\e\\page.dll", "C:\\d\\big.sys"})
    ASSERT_EQ(writer.AddFile(p), 1);
  Events events;
  ASSERT_EQ(writer.Build(152, out, &Events::Record, &events), 1002);

  const auto& b = files.Bytes(out);
  std::uint32_t expectOffset = static_cast<std::uint32_t>(resources.stub.size());
  const std::string contents[] = {big, page, "other", big};
  for (int i = 0; i < 4; ++i) {
    const SfxFileEntry& e = writer.Entry(i);
    EXPECT_EQ(e.dataOffset, expectOffset) << i;
    EXPECT_EQ(e.size, contents[i].size());
    EXPECT_EQ(Inflate(b, e.dataOffset, e.compressedSize), contents[i]) << i;
    expectOffset += e.compressedSize;
  }
  EXPECT_EQ(writer.Entry(2).name, "page.dll");
  // A 4096-byte file takes one full chunk, then the empty fill ends its loop.
  auto first = std::find(events.log.begin(), events.log.end(), "1000:page.dll");
  ASSERT_NE(first, events.log.end());
  EXPECT_EQ(*(first + 1), "1002:100");
  EXPECT_EQ(*(first + 2), "1001:page.dll");
  EXPECT_EQ(events.log.back(), "1001:big.sys");
  EXPECT_EQ(b.size(), expectOffset + 4 * 16 + 7 + 8 + 8 + 7 + 18);

  // Built again without a reset: the same files, the output replaced, not extended.
  const std::size_t firstSize = b.size();
  ASSERT_EQ(writer.Build(152, out, nullptr, nullptr), 1002);
  EXPECT_EQ(files.Bytes(out).size(), firstSize);
}

TEST_F(SfxWriterTest, PercentageRule) {
  EXPECT_EQ(SfxPercentage(0, 0), 100);
  EXPECT_EQ(SfxPercentage(4096, 10000), 40);
  EXPECT_EQ(SfxPercentage(10000000, 10000000), 100);
  EXPECT_EQ(SfxPercentage(9999999, 10000001), 99);
  EXPECT_EQ(SfxPercentage(4000000000u, 4000000000u), 100);
  // The 32-bit product wraps for a file that grew past its recorded length.
  EXPECT_EQ(SfxPercentage(50000000, 10000000), 70);
}

TEST_F(SfxWriterTest, TableHoldsTwoHundredFiftySixFiles) {
  CSfxWriter writer(platform);
  EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1004);  // an empty table creates nothing
  EXPECT_TRUE(files.Files().empty());
  files.AddFile("C:\\f.sys", "x");
  for (int i = 0; i < 256; ++i) ASSERT_EQ(writer.AddFile("C:\\f.sys"), 1);
  EXPECT_FALSE(writer.Overflowed());
  EXPECT_EQ(writer.AddFile("C:\\f.sys"), 0);
  EXPECT_TRUE(writer.Overflowed());
  writer.Reset();
  EXPECT_EQ(writer.Count(), 0);
  EXPECT_FALSE(writer.Overflowed());
  for (int i = 0; i < 256; ++i) ASSERT_EQ(writer.AddFile("C:\\f.sys"), 1);
}

TEST_F(SfxWriterTest, AddFileNeedsAFileNobodyWrites) {
  files.AddFile("C:\\busy.sys", "x");
  CSfxWriter writer(platform);
  EXPECT_EQ(writer.AddFile("C:\\missing.sys"), 0);
  {
    auto writerOpen = files.Open("C:\\busy.sys", OpenMode::kCreateWrite);
    EXPECT_EQ(writer.AddFile("C:\\busy.sys"), 0);
  }
  EXPECT_EQ(writer.Count(), 0);
  EXPECT_FALSE(writer.Overflowed());
  EXPECT_EQ(writer.AddFile("C:\\busy.sys"), 1);

  // The size is taken when the file is added, the content when the table is built.
  files.AddFile("C:\\grow.sys", "short");
  ASSERT_EQ(writer.AddFile("C:\\grow.sys"), 1);
  files.AddFile("C:\\grow.sys", "much longer now");
  ASSERT_EQ(writer.Build(152, out, nullptr, nullptr), 1002);
  EXPECT_EQ(writer.Entry(1).size, 5u);
  EXPECT_EQ(Inflate(files.Bytes(out), writer.Entry(1).dataOffset, writer.Entry(1).compressedSize), "much longer now");
}

TEST_F(SfxWriterTest, NamesAreGbkBytesAfterTheLastBackslash) {
  // 显卡.inf in GBK, and a character whose trail byte is "\".
  const std::string chinese = "C:\\驱动\\显卡.inf";
  const std::string trail = std::string("C:\\x\\\x95\x5C") + ".sys";
  files.AddFile(chinese, "inf");
  files.AddFile(trail, "sys");
  files.AddFile("plain.cat", "cat");
  CSfxWriter writer(platform);
  ASSERT_EQ(writer.AddFile(chinese), 1);
  ASSERT_EQ(writer.AddFile(trail), 1);
  ASSERT_EQ(writer.AddFile("plain.cat"), 1);
  EXPECT_EQ(writer.Entry(0).name, "显卡.inf");
  EXPECT_EQ(writer.Entry(0).name.size(), 8u);
  EXPECT_EQ(writer.Entry(1).name, "\x95\x5C.sys");
  EXPECT_EQ(writer.Entry(2).name, "plain.cat");
  ASSERT_EQ(writer.Build(152, out, nullptr, nullptr), 1002);
  const auto& b = files.Bytes(out);
  // The last record's name length, then count: 4 + 4 + 4 + 10 from the end.
  EXPECT_EQ(U32At(b, b.size() - 22), 9u);
}

TEST_F(SfxWriterTest, FailedBuildKeepsTheEarlierBackup) {
  files.AddFile("C:\\a.sys", "a");
  files.AddFile("C:\\b.sys", "b");
  files.AddFile(out, "earlier good backup");
  CSfxWriter writer(platform);
  ASSERT_EQ(writer.AddFile("C:\\a.sys"), 1);
  ASSERT_EQ(writer.AddFile("C:\\b.sys"), 1);
  files.Delete("C:\\b.sys");
  EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1006);
  EXPECT_EQ(files.Content(out), "earlier good backup");
  EXPECT_FALSE(files.Exists(CSfxWriter::WorkPath(out)));

  files.AddFile("C:\\b.sys", "b");
  files.writeBudget = 100;  // the disk fills while the stub is written
  EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1005);
  files.writeBudget = 64 + 9;  // ... or while the streams are written
  EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1005);
  files.writeBudget = -1;
  files.refuseMoves = true;  // the target is held open by someone else
  EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1005);
  EXPECT_EQ(files.Content(out), "earlier good backup");
  EXPECT_FALSE(files.Exists(CSfxWriter::WorkPath(out)));

  files.refuseMoves = false;
  resources.present = false;
  EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1007);
  EXPECT_EQ(files.Content(out), "earlier good backup");
  resources.present = true;
  EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1002);
  EXPECT_NE(files.Content(out), "earlier good backup");
}

}  // namespace
}  // namespace pelorin
