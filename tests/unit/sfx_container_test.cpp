#include <gtest/gtest.h>
#include <unistd.h>

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

using testing::Le32;
using Bytes = std::string;

class SfxTest : public ::testing::Test {
 protected:
  // Packs (file, content) pairs into `out` and returns the container's bytes: a full path is named by its last
  // level, anything else is the entry name of a file in C:\src.
  Bytes Pack(const std::vector<std::pair<std::string, std::string>>& entries, SfxProgressProc progress = nullptr,
             void* user = nullptr) {
    CSfxWriter writer(platform);
    for (const auto& [name, content] : entries) {
      const std::string source = name.find(':') != std::string::npos ? name : "C:\\src\\" + name;
      files.AddFile(source, content);
      EXPECT_EQ(source == name ? writer.AddFile(source) : writer.AddFile(source, name), 1) << name;
    }
    EXPECT_EQ(writer.Build(152, out, progress, user), 1002);
    return files.Content(out);
  }
  // Unpacks `container` into `folder` of a new scratch (C:\T exists there); `written` gets the files made.
  SfxStatus Unpack(const Bytes& container, const std::string& folder = "C:\\T", std::vector<SfxRecord>* records = {}) {
    testing::FaultyFileSystem target;
    target.AddFile("D:\\self.exe", container);
    target.AddDir("C:\\T");
    auto in = target.Open("D:\\self.exe", OpenMode::kReadShared);
    SfxStatus status = UnpackSfx(
        *in, [&](const std::string& name) { return target.Open(folder + "\\" + name, OpenMode::kCreateWrite); },
        [&](const std::string& name) { EXPECT_TRUE(target.Delete(folder + "\\" + name)) << name; }, records);
    written.clear();
    for (auto& p : target.Files("C:")) written[p] = target.Content("C:\\" + p);
    return status;
  }

  testing::FaultyFileSystem files;
  testing::SfxStubResources resources;
  Platform platform{nullptr, &files, nullptr, nullptr, &resources};
  std::map<std::string, std::string> written;
  const std::string out = "D:\\pelorin.exe", temp = "C:\\";
};

TEST_F(SfxTest, ByteOrderAndProgressOfOneEmptyFile) {
  resources.stub.assign(315392, 'M');
  std::vector<std::string> events;
  const auto record = [](int event, void* data, void* user) {
    static_cast<std::vector<std::string>*>(user)->push_back(std::to_string(event) + ":" + static_cast<char*>(data));
    return 0;
  };
  const Bytes b = Pack({{"C:\\WINDOWS\\inf\\a.inf", ""}}, record, &events);
  // No percentage (1002) for an empty file: its loop ends at the first fill.
  EXPECT_EQ(events, (std::vector<std::string>{"1000:a.inf", "1001:a.inf"}));
  // The stub, the empty stream, the record (stream at 0x4D000, 0 bytes, 8 packed, the name, its length), the count,
  // version and mark.
  const std::string payload("\x78\x9C\x03\0\0\0\0\x01" "\x00\xD0\x04\x00" "\0\0\0\0" "\x08\0\0\0" "a.inf" "\x05\0\0\0"
                            "\x01\0\0\0" "1.10!ZERN_SFX!", 47);
  EXPECT_EQ(b.substr(0, 315392), resources.stub);
  EXPECT_EQ(b.substr(315392), payload);

  // The percentages: an empty file is done, nothing short of the end is a hundred.
  EXPECT_EQ(SfxPercentage(0, 0), 100);
  EXPECT_EQ(SfxPercentage(9999999, 10000001), 99);
  EXPECT_EQ(SfxPercentage(4000000000u, 4000000000u), 100);
  EXPECT_EQ(SfxPercentage(50000000, 10000000), 70);  // the 32-bit product wraps for a file that grew
}

TEST_F(SfxTest, WhatTheWriterTakesAndRefusesAndAFailedBuildKeepsTheEarlierBackup) {
  CSfxWriter writer(platform);
  EXPECT_EQ(writer.Build(152, out, nullptr, nullptr), 1004);  // an empty list creates nothing
  EXPECT_TRUE(files.Files("D:").empty());
  // A file somebody writes is refused; the record holds the length packed, taken from the file as it is built.
  files.AddFile("C:\\busy.sys", "x");
  EXPECT_EQ(writer.AddFile("C:\\missing.sys"), 0);
  auto writerOpen = files.Open("C:\\busy.sys", OpenMode::kCreateWrite);
  EXPECT_EQ(writer.AddFile("C:\\busy.sys"), 0);
  writerOpen.reset();
  EXPECT_EQ(writer.AddFile("C:\\busy.sys"), 1);
  files.AddFile("C:\\grow.sys", "short");
  ASSERT_EQ(writer.AddFile("C:\\grow.sys"), 1);
  files.AddFile("C:\\grow.sys", "much longer now");
  ASSERT_EQ(writer.Build(152, out, nullptr, nullptr), 1002);
  ASSERT_EQ(Unpack(files.Content(out)), SfxStatus::kOk);
  EXPECT_EQ(written["T\\grow.sys"], "much longer now");
  // An entry is named by the GBK path's last level: a trail byte 0x5C splits nothing.
  files.AddFile("C:\\x\\\x95\x5C.sys", "file");
  ASSERT_EQ(writer.AddFile("C:\\x\\\x95\x5C.sys"), 1);
  EXPECT_EQ(writer.Entry(2).name, "\x95\x5C.sys");
  for (const char* bad : {"..\\plain.cat", "C:plain.cat"})  // the reader would refuse them
    EXPECT_EQ(writer.AddFile("C:\\busy.sys", bad), 0) << bad;

  files.AddFile(out, "earlier good backup");
  // A file gone; the disk full while the trailer (100), or the streams (64 + 9) are written; the target held open by
  // someone else; no stub; and at last a build that is let through.
  const struct { bool gone; long long budget; bool refuseMoves, stub; int result; } cases[] = {
      {true, -1, false, true, 1006}, {false, 100, false, true, 1005}, {false, 64 + 9, false, true, 1005},
      {false, -1, true, true, 1005}, {false, -1, false, false, 1007}, {false, -1, false, true, 1002}};
  for (const auto& c : cases) {
    if (c.gone) files.Delete("C:\\grow.sys");
    else files.AddFile("C:\\grow.sys", "b");
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

  // Past 4 GiB nothing is created: twice a sparse file of 3 GiB.
  files.AddFile("C:\\huge.bin");
  ASSERT_EQ(truncate((files.scratch / "c/huge.bin").c_str(), 3ll << 30), 0);
  for (const char* name : {"a\\huge.bin", "b\\huge.bin"}) ASSERT_EQ(writer.AddFile("C:\\huge.bin", name), 1);
  EXPECT_EQ(writer.Build(152, "D:\\big.exe", nullptr, nullptr), 1009);
  EXPECT_FALSE(files.Exists("D:\\big.exe") || files.Exists(CSfxWriter::WorkPath("D:\\big.exe")));
}

TEST_F(SfxTest, ReaderUnpacksWhatTheWriterPackedAndRefusesDamagedContainersWithoutWritingAnything) {
  std::string big(70000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
  auto container = Pack({{"C:\\a\\oem1.inf", "[Version]"}, {"C:\\a\\empty.cat", ""}, {"C:\\a\\drv.sys", big},
                         {"C:\\b\\oem1.inf", "second copy"}, {"C:\\b\\显卡.dll", "gbk"}});
  ASSERT_EQ(Unpack(container), SfxStatus::kOk);
  EXPECT_EQ(written, (std::map<std::string, std::string>{{"T\\oem1.inf", "[Version]"},  // the first copy stays
                                                         {"T\\empty.cat", ""}, {"T\\drv.sys", big}, {"T\\显卡.dll", "gbk"}}));

  // An entry that cannot be created ends the unpack, the directory read.
  std::vector<SfxRecord> records;
  EXPECT_EQ(Unpack(container, "C:\\nowhere", &records), SfxStatus::kCreateFailed);
  EXPECT_EQ(records.size(), 5u);

  // Files that are no container (the stub alone, and a trailer without records, are the restorer's messages below).
  EXPECT_EQ(Unpack({}), SfxStatus::kNotContainer);
  container[container.size() - 11] = '1';  // "1.11"
  EXPECT_EQ(Unpack(container), SfxStatus::kNotContainer);
  EXPECT_TRUE(written.empty());

  container = Pack({{"C:\\a.inf", "first"}, {"C:\\b.sys", std::string(5000, 'b')}});
  const std::size_t n = container.size(), count = n - 18, lastLength = n - 22;  // b.sys: name at n-27
  const std::size_t lastHead = n - 22 - 5 - 12, firstHead = lastHead - 4 - 5 - 12;
  const auto le = [](std::uint32_t v) { return Bytes{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  const auto flip = [&](std::size_t at) { return std::pair{at, Bytes(1, static_cast<char>(container[at] ^ 0x55))}; };
  // Counts beyond the file, the records; an empty name, one beyond the file; an offset beyond the file; compressed
  // sizes wrapping, reaching into the records, shorter than any zlib stream, cut short; sizes more, less than the
  // stream gives; names that IsSafeEntryName refuses (below); and damaged streams, which take back the entries
  // written before them (b.sys, the last record, is unpacked first): the first's checksum, inside the last.
  const std::pair<std::size_t, Bytes> patches[] = {
      {count, le(0xFFFFFFFFu)}, {count, le(3)}, {lastLength, le(0)}, {lastLength, le(0x7FFFFFF0u)},
      {lastHead, le(n)}, {lastHead + 8, le(0xFFFFFFF0u)}, {lastHead + 8, le(n - lastHead)}, {lastHead + 8, le(4)},
      {lastHead + 8, le(Le32(container, lastHead + 8) - 1)}, {lastHead + 4, le(4999)}, {lastHead + 4, le(5001)},
      {lastLength - 5, "..\\x"}, {lastLength - 5, "NUL\\a"},
      flip(Le32(container, firstHead) + Le32(container, firstHead + 8) - 1), flip(Le32(container, lastHead) + 10)};
  for (const auto& [at, bytes] : patches) {
    Bytes b = container;
    b.replace(at, bytes.size(), bytes);
    EXPECT_EQ(Unpack(b), SfxStatus::kCorrupt) << at << ": " << ::testing::PrintToString(bytes);
    EXPECT_TRUE(written.empty()) << at;
  }

  for (const char* good : {"taskinfo.ini", "显卡.inf", "\x95\x5C.sys", "con1.sys", "a..b", "驱动\\x64\\a.sys"})
    EXPECT_TRUE(IsSafeEntryName(good)) << good;
  for (const char* bad : {"", ".", "a\\", "\\a", "a\\\\b", "a\\..\\b", "a\\.\\b", "a\\nul\\b", "a.\\b", "C:\\a",
                          "/", "x\ty", "aux.inf", "LPT9", "a ", "<"})
    EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
}

TEST_F(SfxTest, RestorerUnpacksEachRunIntoANewFolderOrGivesItsMessage) {
  const Bytes packed = Pack({{"A\\oem3.inf", "[Version]"}, {"A\\x64\\drv.sys", "driver"}, {"taskinfo.ini", "[task]"},
                             {"treeinfo.ini", "[tree]"}});
  CRestorerSession first(platform), second(platform);
  ASSERT_EQ(first.Unpack(out, temp), 0);
  ASSERT_EQ(second.Unpack(out, temp), 0);
  const std::string folder = first.Folder();
  EXPECT_EQ(folder.rfind(temp + CRestorerSession::kUnpackFolderPrefix, 0), 0u) << folder;
  EXPECT_NE(folder, second.Folder());
  std::vector<std::string> failures;
  first.Cleanup(failures);
  EXPECT_TRUE(failures.empty());
  EXPECT_FALSE(files.Exists(folder.substr(0, folder.size() - 1)));
  EXPECT_TRUE(files.Exists(second.Folder() + "A\\oem3.inf"));
  // A manifest gone before leaving is reported, in the order of the deletes.
  for (const std::string& manifest : {second.ManifestPath(), second.TreePath()}) files.Delete(manifest);
  second.Cleanup(failures);
  EXPECT_EQ(failures, (std::vector<std::string>{"Delete taskfile.ini failed", "Delete treefile.ini failed"}));

  // Each message leaves the files as they were.
  const auto unpack = [&](const Bytes& self) {
    files.AddFile(out, self);
    const std::size_t before = files.Files("C:").size();
    CRestorerSession session(platform);
    const int message = session.Unpack(out, temp);
    EXPECT_EQ(files.Files("C:").size(), before) << message;
    EXPECT_FALSE(files.Exists(session.Folder().substr(0, session.Folder().size() - 1))) << "its folder, " << message;
    failures.clear();
    session.Cleanup(failures);
    EXPECT_TRUE(failures.empty());
    return message;
  };
  EXPECT_EQ(CRestorerSession(platform).Unpack("C:\\nowhere.exe", temp), 105);
  EXPECT_EQ(unpack(resources.stub), 102);  // the restorer run on its own
  EXPECT_EQ(unpack(resources.stub + std::string("\0\0\0\0" "1.10" "!ZERN_SFX!", 18)), 103);  // a trailer, no record
  Bytes bytes = packed;
  bytes[bytes.size() - 37] ^= 0x20;  // the last record's packed size
  EXPECT_EQ(unpack(bytes), 102);
  files.freeBytes = 20;  // less than the entries need: refused before a byte is written
  EXPECT_EQ(unpack(packed), 104);
  files.freeBytes = 1 << 20;
  files.writeBudget = 0;  // the disk fills all the same
  EXPECT_EQ(unpack(packed), 104);
}

}  // namespace
}  // namespace pelorin
