#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "MemoryTreeFileSystem.h"
#include "SfxStubResources.h"
#include "sfx/SfxWriter.h"
#include "sfx/SfxReader.h"

namespace pelorin {
namespace {

using testing::MemoryTreeFileSystem;
using testing::SfxStubResources;

void PutU32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

class SfxReaderTest : public ::testing::Test {
 protected:
  SfxReaderTest() {
    platform.files = &files;
    platform.resources = &resources;
  }

  // Packs (path, content) pairs and returns the container's bytes.
  std::vector<unsigned char> Pack(const std::vector<std::pair<std::string, std::string>>& entries) {
    CSfxWriter writer(platform);
    for (auto& e : entries) {
      files.AddFile(e.first, e.second);
      EXPECT_EQ(writer.AddFile(e.first), 1);
    }
    EXPECT_EQ(writer.Build(152, "C:\\out.exe", nullptr, nullptr), 1002);
    return files.Bytes("C:\\out.exe");
  }

  // Unpacks `container` into an in-memory folder; `written` gets the files made.
  SfxStatus Unpack(const std::vector<unsigned char>& container, std::map<std::string, std::string>& written) {
    MemoryTreeFileSystem scratch;
    scratch.PutBytes("self.exe", container);
    MemoryTreeFileSystem target;
    target.AddDir("T");
    auto in = scratch.Open("self.exe", OpenMode::kReadShared);
    SfxStatus status = UnpackSfx(
        *in, [&](const std::string& name) { return target.Open("T\\" + name, OpenMode::kCreateWrite); },
        [&](const std::string& name) { EXPECT_TRUE(target.Delete("T\\" + name)) << name; }, nullptr);
    written.clear();
    for (auto& p : target.Files()) written[p] = target.Content(p);
    return status;
  }

  MemoryTreeFileSystem files;
  SfxStubResources resources;
  Platform platform;
};

TEST_F(SfxReaderTest, UnpacksWhatTheWriterPacked) {
  std::string big(70000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
  auto container = Pack({{"C:\\a\\oem1.inf", "[Version]"},
                         {"C:\\a\\empty.cat", ""},
                         {"C:\\a\\drv.sys", big},
                         {"C:\\b\\oem1.inf", "second copy"},
                         {"C:\\b\\显卡.dll", "gbk"}});
  std::map<std::string, std::string> written;
  ASSERT_EQ(Unpack(container, written), SfxStatus::kOk);
  EXPECT_EQ(written.size(), 4u);
  EXPECT_EQ(written["T\\oem1.inf"], "[Version]");  // the copy listed first stays
  EXPECT_EQ(written["T\\empty.cat"], "");
  EXPECT_EQ(written["T\\drv.sys"], big);
  EXPECT_EQ(written["T\\显卡.dll"], "gbk");
}

TEST_F(SfxReaderTest, RefusesFilesThatAreNoContainer) {
  std::map<std::string, std::string> written;
  EXPECT_EQ(Unpack(resources.stub, written), SfxStatus::kNotContainer);
  EXPECT_EQ(Unpack({}, written), SfxStatus::kNotContainer);

  auto container = Pack({{"C:\\x.inf", "x"}});
  auto wrongVersion = container;
  wrongVersion[wrongVersion.size() - 11] = '1';  // "1.11"
  EXPECT_EQ(Unpack(wrongVersion, written), SfxStatus::kNotContainer);
  auto cut = container;
  cut.pop_back();
  EXPECT_EQ(Unpack(cut, written), SfxStatus::kNotContainer);

  std::vector<unsigned char> empty(resources.stub);
  const char tail[] = "\0\0\0\0" "1.10" "!ZERN_SFX!";
  empty.insert(empty.end(), tail, tail + 18);
  EXPECT_EQ(Unpack(empty, written), SfxStatus::kEmpty);
  EXPECT_TRUE(written.empty());
}

TEST_F(SfxReaderTest, RefusesDamagedDirectoriesWithoutWritingAnything) {
  auto container = Pack({{"C:\\a.inf", "first"}, {"C:\\b.sys", std::string(5000, 'b')}});
  const std::size_t n = container.size();
  const std::size_t count = n - 18, lastLength = n - 22;  // b.sys: name at n-27
  const std::size_t lastHead = n - 22 - 5 - 12;
  std::map<std::string, std::string> written;

  auto check = [&](std::vector<unsigned char> bytes, const char* what) {
    EXPECT_EQ(Unpack(bytes, written), SfxStatus::kCorrupt) << what;
    EXPECT_TRUE(written.empty()) << what;
  };
  auto patched = [&](std::size_t at, std::uint32_t v) {
    auto b = container;
    PutU32(b, at, v);
    return b;
  };
  check(patched(count, 0xFFFFFFFFu), "count beyond the file");
  check(patched(count, 3), "count beyond the records");
  check(patched(lastLength, 0), "empty name");
  check(patched(lastLength, 0x7FFFFFF0u), "name length beyond the file");
  check(patched(lastHead, static_cast<std::uint32_t>(n)), "offset beyond the file");
  check(patched(lastHead + 8, 0xFFFFFFF0u), "compressed size wrapping");
  check(patched(lastHead + 8, static_cast<std::uint32_t>(n - lastHead)), "stream reaching into the records");
  check(patched(lastHead + 8, 4), "stream shorter than any zlib stream");

  for (const char* bad : {"..\\x", "a/b", "c:xx", "d\\ef", "..", "NUL.s", "com1.", "a\x01.b", "x?.*"}) {
    auto b = container;
    std::copy(bad, bad + 5, b.begin() + (lastLength - 5));
    check(b, bad);
  }

  // A damaged stream takes back the entries written before it: b.sys, the
  // last record, is unpacked first.
  auto b = container;
  const std::size_t firstHead = lastHead - 4 - 5 - 12;
  const std::uint32_t firstEnd = (container[firstHead] | container[firstHead + 1] << 8 |
                                  container[firstHead + 2] << 16) +
                                 (container[firstHead + 8] | container[firstHead + 9] << 8);
  b[firstEnd - 1] ^= 0x55;  // its checksum
  check(b, "damaged first stream");
  b = container;
  const std::uint32_t secondOffset = container[lastHead] | container[lastHead + 1] << 8 |
                                     container[lastHead + 2] << 16;
  b[secondOffset + 10] ^= 0x55;
  check(b, "damaged stream");
  b = container;
  PutU32(b, lastHead + 8, (b[lastHead + 8] | b[lastHead + 9] << 8) - 1);
  check(b, "stream cut short");
}

TEST_F(SfxReaderTest, EveryDamagedTrailerByteIsHandled) {
  auto container = Pack({{"C:\\a.inf", "alpha"}, {"C:\\b.sys", "beta"}});
  std::map<std::string, std::string> written;
  for (std::size_t at = container.size() - 60; at < container.size(); ++at) {
    for (unsigned char flip : {0x01, 0x80, 0xFF}) {
      auto b = container;
      b[at] ^= flip;
      SfxStatus status = Unpack(b, written);
      if (status != SfxStatus::kOk) {
        EXPECT_TRUE(written.empty()) << at;
      } else {
        for (auto& w : written) EXPECT_TRUE(IsSafeEntryName(w.first.substr(2))) << at;
      }
    }
  }
}

TEST_F(SfxReaderTest, SafeNames) {
  for (const char* good : {"taskinfo.ini", "a", "显卡.inf", "\x95\x5C.sys", "con1.sys", "nul", "x.y.z"})
    EXPECT_EQ(IsSafeEntryName(good), std::string(good) != "nul") << good;
  for (const char* bad : {"", ".", "a..b", "a\\b", "/", "C:", "x\ty", "aux.inf", "LPT9", "a.", "a ", "<"})
    EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
}

TEST_F(SfxReaderTest, ReportsAnEntryThatCannotBeCreated) {
  auto container = Pack({{"C:\\a.inf", "a"}, {"C:\\b.inf", "b"}});
  MemoryTreeFileSystem scratch;
  scratch.PutBytes("self.exe", container);
  auto in = scratch.Open("self.exe", OpenMode::kReadShared);
  std::vector<SfxRecord> records;
  EXPECT_EQ(UnpackSfx(*in, [](const std::string&) { return std::unique_ptr<FileStream>(); }, nullptr, &records),
            SfxStatus::kCreateFailed);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].name, "b.inf");
  EXPECT_EQ(records[1].size, 1u);
}

}  // namespace
}  // namespace pelorin
