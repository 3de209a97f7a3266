// pelorin backup --sfx and pelorin unpack on the demo installation: the built
// program makes a self-extracting backup, and unpack gives back what went in
// or, for a damaged backup, refuses it without writing anything.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PosixScratch.h"
#include "TestPaths.h"

namespace pelorin {
namespace {

using testing::PosixScratch;

struct Outcome {
  int exit = -1;
  std::string out;
  std::string err;
};

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

class CliSfxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Outcome backup =
        Run(BackupArguments("out", u8"'Acme Chipset SMBus Controller' 'PCI Bus' '千兆以太网控制器'"));
    ASSERT_EQ(backup.exit, 0) << backup.err;
    ASSERT_NE(backup.out.find(scratch / "out/pelorin.exe"), std::string::npos) << backup.out;
    container = scratch.ReadFile("out/pelorin.exe");
    ASSERT_GT(container.size(), 18u);
  }

  // The program with `arguments`, its temporary folder inside the scratch
  // folder, where the test can see what a run leaves behind.
  std::string Command(const std::string& arguments) {
    scratch.MakeDir("tmp");
    return "TMPDIR='" + (scratch / "tmp") + "' '" + PELORIN_BUILD_DIR + "/src/cli/pelorin' " + arguments;
  }
  std::string BackupArguments(const std::string& to, const std::string& drivers,
                              const std::string& registry = Source("demo/system.reg")) {
    return "backup --registry '" + registry + "' --image '" + Source("demo/image") + "' --to '" +
           (scratch / to) + "' --sfx --all " + drivers;
  }
  Outcome Run(const std::string& arguments, const std::string& shellPrefix = "") {
    const std::string command = shellPrefix + Command(arguments) + " 2>'" + (scratch / "stderr") + "'";
    Outcome outcome;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[4096];
      std::size_t got;
      while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, got);
      const int status = pclose(pipe);
      outcome.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    outcome.err = scratch.ReadFile("stderr");
    return outcome;
  }
  Outcome Unpack(const std::string& file, const std::string& to, const std::string& shellPrefix = "") {
    return Run("unpack '" + (scratch / file) + "' --to '" + (scratch / to) + "'", shellPrefix);
  }
  static std::string Source(const std::string& relative) { return std::string(PELORIN_SOURCE_DIR) + "/" + relative; }
  static std::string ReadHost(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // The names in `dir`, hidden ones included; empty when it does not exist.
  std::set<std::string> Entries(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir((scratch / dir).c_str())) {
      while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.insert(name);
      }
      closedir(d);
    }
    return names;
  }

  // The data offset and compressed size of every entry, first entry first,
  // read backwards from the trailer as the restorer reads it.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> Streams() const {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> streams;
    std::size_t end = container.size() - 14;
    const std::uint32_t count = Le32(container, end - 4);
    end -= 4;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t nameLength = Le32(container, end - 4);
      end -= 4 + nameLength + 12;
      streams.insert(streams.begin(), {Le32(container, end), Le32(container, end + 8)});
    }
    return streams;
  }

  PosixScratch scratch;
  std::string container;
};

TEST_F(CliSfxTest, UnpackGivesBackTheDriverFilesAndBothManifests) {
  const Outcome run = Unpack("out/pelorin.exe", "unpacked");
  ASSERT_EQ(run.exit, 0) << run.err;
  // One folder per driver, as the folder form has it, the manifests at the top.
  EXPECT_EQ(Entries("unpacked"), (std::set<std::string>{"Acme Chipset SMBus Controller", "PCI Bus", u8"千兆以太网控制器",
                                                        "taskinfo.ini", "treeinfo.ini"}));
  EXPECT_EQ(Entries("unpacked/PCI Bus"), (std::set<std::string>{"machine.inf", "machine.PNF", "pci.sys"}));
  EXPECT_EQ(scratch.ReadFile(u8"unpacked/千兆以太网控制器/oem1.inf"), ReadHost(Source("demo/image/WINDOWS/inf/oem1.inf")));
  EXPECT_EQ(scratch.ReadFile(u8"unpacked/千兆以太网控制器/rtgigeco.dll"),
            ReadHost(Source("demo/image/WINDOWS/system32/rtgigeco.dll")));
  // Classes and drivers in the order of the rows, in the program's code page.
  EXPECT_EQ(scratch.ReadFile("unpacked/treeinfo.ini"),
            "[System devices]\r\nAcme Chipset SMBus Controller=1\r\nPCI Bus=1\r\n"
            "[网络适配器]\r\n千兆以太网控制器=1\r\n");
  const std::string manifest = scratch.ReadFile("unpacked/taskinfo.ini");
  EXPECT_NE(manifest.find("[PCI Bus]\r\n硬件ID=*pnp0a03\r\n驱动程序配置文件=machine.inf\r\n"), std::string::npos)
      << manifest;
  EXPECT_NE(manifest.find("驱动程序类型=网络适配器\r\n"), std::string::npos);

  // A second unpack over the first replaces the files.
  scratch.WriteFile(u8"unpacked/千兆以太网控制器/oem1.inf", "stale");
  ASSERT_EQ(Unpack("out/pelorin.exe", "unpacked").exit, 0);
  EXPECT_EQ(scratch.ReadFile(u8"unpacked/千兆以太网控制器/oem1.inf"), ReadHost(Source("demo/image/WINDOWS/inf/oem1.inf")));
}

TEST_F(CliSfxTest, WritesThatFailAfterTheCheckLeaveNothingBehind) {
  // Files may not grow past 512 bytes: the disk is full for every larger entry.
  const Outcome full = Unpack("out/pelorin.exe", "full", "trap '' XFSZ; ulimit -f 1; ");
  EXPECT_EQ(full.exit, 1) << full.err;
  EXPECT_EQ(Entries("full"), std::set<std::string>());
  // A folder where an entry must go: the move into place fails half-way.
  scratch.MakeDir("blocked");
  scratch.MakeDir("blocked/treeinfo.ini");
  const Outcome blocked = Unpack("out/pelorin.exe", "blocked");
  EXPECT_EQ(blocked.exit, 1) << blocked.err;
  EXPECT_EQ(Entries("blocked"), std::set<std::string>{"treeinfo.ini"});
}

// The machine field of the PE header of the restorer a container starts with.
unsigned StubMachine(const std::string& container) {
  const std::uint32_t pe = Le32(container, 0x3c);
  return static_cast<unsigned char>(container[pe + 4]) | static_cast<unsigned char>(container[pe + 5]) << 8;
}

TEST_F(CliSfxTest, RestorerIsTheInstallationsArchitecturesAndNoneForOthers) {
  EXPECT_EQ(StubMachine(container), 0x8664u) << "the demo installation is AMD64";
  // The demo registry (UTF-16LE) with another architecture, in both places.
  auto utf16 = [](const std::string& ascii) {
    std::string text;
    for (char c : ascii) text += std::string{c, '\0'};
    return text;
  };
  const std::string demo = ReadHost(Source("demo/system.reg"));
  auto DemoRegistryOf = [&](const std::string& name, const char* code) {
    std::string reg = demo;
    for (auto [from, to] : {std::pair{utf16("=\"AMD64\""), utf16("=\"" + name + "\"")},
                            std::pair{utf16("=dword:00000009"), utf16(std::string("=dword:0000000") + code)}}) {
      const std::size_t at = reg.find(from);
      if (at != std::string::npos) reg.replace(at, from.size(), to);
    }
    return reg;
  };
  scratch.WriteFile("x86.reg", DemoRegistryOf("x86", "0"));
  const Outcome x86 = Run(BackupArguments("x86", "'PCI Bus'", scratch / "x86.reg"));
  ASSERT_EQ(x86.exit, 0) << x86.err;
  EXPECT_EQ(StubMachine(scratch.ReadFile("x86/pelorin.exe")), 0x14cu);

  for (auto [arch, code] : {std::pair{"ARM64", "c"}, std::pair{"IA64", "6"}, std::pair{"ARM", "5"}}) {
    SCOPED_TRACE(arch);
    scratch.WriteFile("other.reg", DemoRegistryOf(arch, code));
    const Outcome run = Run(BackupArguments("other", "'PCI Bus'", scratch / "other.reg"));
    EXPECT_EQ(run.exit, 2);
    EXPECT_NE(run.err.find("no restorer for"), std::string::npos) << run.err;
    EXPECT_EQ(Entries("other"), std::set<std::string>());
  }
}

TEST_F(CliSfxTest, DamagedBackupIsRefusedWithOneLineAndNothingWritten) {
  const auto streams = Streams();
  ASSERT_EQ(streams.size(), 11u);
  // The first entry is unpacked last: every other one has been inflated by the
  // time its checksum fails.
  std::string badChecksum = container;
  badChecksum[streams[0].first + streams[0].second - 1] ^= 0x5A;
  scratch.WriteFile("bad_checksum.exe", badChecksum);
  // Cut inside the trailer: no marker at the end.
  scratch.WriteFile("cut.exe", container.substr(0, container.size() - 7));
  // A count larger than the records the file holds.
  std::string badCount = container;
  badCount[container.size() - 18] = '\x7F';
  scratch.WriteFile("bad_count.exe", badCount);

  for (const char* file : {"bad_checksum.exe", "cut.exe", "bad_count.exe"}) {
    SCOPED_TRACE(file);
    const Outcome run = Unpack(file, "into");
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(run.err.rfind("pelorin: ", 0), 0u) << run.err;
    EXPECT_EQ(Entries("into"), std::set<std::string>());
  }

  // A folder that already holds files keeps them as they were.
  scratch.MakeDir("kept");
  scratch.WriteFile("kept/oem1.inf", "mine");
  EXPECT_EQ(Unpack("bad_checksum.exe", "kept").exit, 2);
  EXPECT_EQ(Entries("kept"), std::set<std::string>{"oem1.inf"});
  EXPECT_EQ(scratch.ReadFile("kept/oem1.inf"), "mine");
}

TEST_F(CliSfxTest, TwoRunsAtOnceEachPackTheirOwnManifests) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    const std::string both = Command(BackupArguments("a", "'PCI Bus'")) + " >/dev/null 2>&1 & " +
                             Command(BackupArguments("b", u8"'千兆以太网控制器'")) + " >/dev/null 2>&1 & wait";
    ASSERT_EQ(std::system(both.c_str()), 0);
    ASSERT_EQ(Unpack("a/pelorin.exe", "ua").exit, 0);
    ASSERT_EQ(Unpack("b/pelorin.exe", "ub").exit, 0);
    EXPECT_EQ(scratch.ReadFile("ua/treeinfo.ini"), "[System devices]\r\nPCI Bus=1\r\n");
    EXPECT_EQ(scratch.ReadFile("ub/treeinfo.ini"), "[网络适配器]\r\n千兆以太网控制器=1\r\n");
    EXPECT_EQ(Entries("ua"), (std::set<std::string>{"PCI Bus", "taskinfo.ini", "treeinfo.ini"}));
  }
  EXPECT_EQ(Entries("tmp"), std::set<std::string>()) << "the runs left files in the temporary folder";
}

}  // namespace
}  // namespace pelorin
