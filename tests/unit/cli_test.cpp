#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PosixScratch.h"
#include "SfxStubResources.h"
#include "TestPaths.h"
#include "platform/posix/RegText.h"

namespace pelorin {
namespace {

using testing::Le32;
using testing::ReadHostFile;

struct CliRun {
  int exit = -1;
  std::string out, err;
};

class CliTest : public ::testing::Test {
 protected:
  // The program with its temporary folder inside the scratch folder, where the test sees what a run leaves behind.
  std::string Command(const std::string& arguments) {
    scratch.MakeDir("tmp");
    return "TMPDIR='" + (scratch / "tmp") + "' '" + PELORIN_BUILD_DIR + "/src/cli/pelorin' " + arguments;
  }
  CliRun Run(const std::string& arguments, const std::string& shellPrefix = "") {
    const std::string out = scratch / "stdout", err = scratch / "stderr";
    const std::string command = shellPrefix + Command(arguments) + " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadHostFile(out), ReadHostFile(err)};
  }
  static long Lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }
  std::string Demo(const std::string& registry = demoReg) const {
    return "--registry '" + registry + "' --image '" + demoImage + "'";
  }
  std::string To(const std::string& folder = "out") const { return " --to '" + (scratch / folder) + "'"; }
  // The names in `dir`, hidden ones included; empty when it does not exist.
  std::set<std::string> Entries(const std::string& dir) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& e : std::filesystem::directory_iterator(scratch / dir, error)) names.insert(e.path().filename());
    return names;
  }

  std::string Sfx(const std::string& to, const std::string& drivers, const std::string& registry = demoReg) {
    return "backup " + Demo(registry) + To(to) + " --sfx --all " + drivers;
  }
  CliRun Unpack(const std::string& file, const std::string& to, const std::string& shellPrefix = "") {
    return Run("unpack '" + (scratch / file) + "'" + To(to), shellPrefix);
  }
  // The demo registry (UTF-16LE) with another processor architecture, in both places.
  std::string RegistryOf(const std::string& name, char code) {
    const auto wide = [](const std::string& text) { return regtext::Utf16ToBytes(regtext::GbkToUtf16(text)); };
    std::string reg = ReadHostFile(demoReg);
    for (const auto& [from, to] : {std::pair{wide("=\"AMD64\""), wide("=\"" + name + "\"")},
                            std::pair{wide("=dword:00000009"), wide(std::string("=dword:0000000") + code)}})
      reg.replace(reg.find(from), from.size(), to);
    return scratch.WriteFile(name + ".reg", reg);
  }

  static inline const std::string demoReg = PELORIN_SOURCE_DIR + std::string("/demo/system.reg");
  const std::string demoImage = PELORIN_SOURCE_DIR + std::string("/demo/image");
  testing::PosixScratch scratch;
};

// Expected texts are UTF-8 bytes: the terminal's encoding, not the program's.
TEST_F(CliTest, ListTsvTableAllModeImagesAndBadInputInOneLineWithExitTwo) {
  CliRun run = Run("list --tsv --registry " + demoReg);
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.err, u8"共找到6个驱动\n");
  EXPECT_EQ(Lines(run.out), 6);
  EXPECT_EQ(run.out.rfind("Acme Chipset SMBus Controller\tSystem devices\tAcme Chipset\t7-18-1968\t10.1.1.38\toem6.inf\t\n"
                          u8"千兆以太网控制器\t网络适配器\tRealtech Semiconductor\t4-12-2021\t10.50.412.2021\toem1.inf\t"
                          "pci\\ven_10ec&dev_8168\n", 0), 0u) << run.out;

  CliRun all = Run("list --all --tsv --registry " + demoReg + " --image " + demoImage);
  EXPECT_EQ(Lines(all.out), 9) << all.err;
  // The hive file of an image is recognised by content, so an export serves here.
  scratch.WriteFile("img/windows/System32/CONFIG/system", ReadHostFile(demoReg));
  CliRun image = Run("list --tsv --image " + scratch.path() + "/img");
  EXPECT_EQ(image.out, run.out) << image.err;

  run = Run("list --registry " + demoReg);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(Lines(run.out), 8);  // header, six drivers, status
  // "Realtech" stands in the same terminal column on the first two rows; 8 + 5 Chinese characters of 3 UTF-8 bytes
  // and 2 columns: 13 bytes more than columns.
  const std::size_t first = run.out.find('\n') + 1, second = run.out.find('\n', first) + 1;
  EXPECT_EQ(run.out.find("Realtech", second) - second - 13, run.out.find("Acme Chipset  ", first) - first);

  scratch.WriteFile("bad/WINDOWS/system32/config/SYSTEM", ReadHostFile(demoReg));
  const std::string drivers = scratch.WriteFile("bad/WINDOWS/system32/config/DRIVERS", "regf");
  const CliRun help = Run("list --help");
  EXPECT_EQ(help.exit, 0);
  EXPECT_EQ(help.out.rfind("usage: pelorin list", 0), 0u);
  const std::string s = scratch.path();
  // Bad input is told in one line; a usage error names the command and repeats its usage.
  const std::pair<std::string, std::string> cases[] = {
      {"--registry " + s + "/none.reg", "pelorin: " + s + "/none.reg: cannot open file\n"},
      {"--registry " + scratch.WriteFile("hive", "regf" + std::string(100, '\x01')),
       "pelorin: " + s + "/hive: corrupt or truncated registry hive\n"},
      {"--image " + s + "/nothing", "pelorin: " + s + "/nothing: not a folder\n"},
      {"--image " + s, "pelorin: " + s + ": no WINDOWS/system32/config/SYSTEM registry hive\n"},
      {"--image " + s + "/bad", "pelorin: " + drivers + ": corrupt or truncated registry hive\n"},
      {"", "pelorin list: --image DIR or --registry FILE is needed\n" + help.out},
      {"--bogus --registry x", "pelorin list: unknown option '--bogus'\n" + help.out},
  };
  for (const auto& [args, error] : cases) {
    run = Run("list " + args);
    EXPECT_EQ(run.exit, 2) << args;
    EXPECT_EQ(run.err, error) << args;
    EXPECT_EQ(run.out, "") << args;
  }
}

TEST_F(CliTest, BackupsFailWhenIncompleteAndVerifyNamesWhatIsMissingAndTellsBackupsApart) {
  // The copy cannot replace a folder. (A package lacking a file takes the same road; its message is the backup tests'.)
  scratch.WriteFile("stuck/TouchPad Pro/tpadpro.sys/in the way", "");
  CliRun run = Run("backup " + Demo() + To("stuck") + " 'TouchPad Pro'");
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.out.find(u8"磁盘空间是否足够:\nTouchPad Pro\n"), std::string::npos) << run.out;

  // Without the image there is no C:\WINDOWS: the profile reader's message, no INF.
  run = Run("backup --registry '" + demoReg + "'" + To("noinf") + " 'TouchPad Pro'");
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.err.find(u8"pelorin: 打开配置文件失败，请指定正确文件路径！"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("TouchPad Pro: the INF was not saved"), std::string::npos) << run.err;
  EXPECT_TRUE(scratch.Exists("noinf/TouchPad Pro/taskinfo.ini"));

  run = Run("backup " + Demo() + To() + " --all");  // every listed driver
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, u8"已经成功备份了在列表框中勾选的驱动程序!\n");
  EXPECT_NE(run.err.find(u8"正在备份:千兆以太网控制器\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("  5/8 ialmcoin.dll\n"), std::string::npos) << run.err;
  // The manifest is GBK and records the backup folder as a drive path.
  const std::string manifest = scratch.ReadFile("out/Acme Graphics 3D/taskinfo.ini");
  std::string expectedLine = "C:\\WINDOWS\\inf\\oem3.inf=Z:" + (scratch / "out") + "/Acme Graphics 3D/oem3.inf\r\n";
  for (char& c : expectedLine) c = c == '/' ? '\\' : c;
  EXPECT_NE(manifest.find(expectedLine), std::string::npos) << manifest;
  EXPECT_EQ(manifest.rfind("[Display adapters]\r\n\xD3\xB2\xBC\xFEID=", 0), 0u);

  const CliRun sfx = Run(Sfx("sfx", u8"'PCI Bus' '千兆以太网控制器'"));
  ASSERT_EQ(sfx.exit, 0) << sfx.err;
  EXPECT_NE(sfx.out.find(scratch / "sfx/pelorin.exe"), std::string::npos) << sfx.out;
  unlink((scratch / "out/PCI Bus/pci.sys").c_str());
  const std::string out = scratch / "out";
  // Verdicts, and the refusals (exit 2, stderr) of both commands, which write nothing.
  const struct Case { std::string command; int exit; std::string says; } cases[] = {
      {"verify '" + out + "/Acme Graphics 3D'", 0, "Acme Graphics 3D: complete for x86, amd64, arm64\n1 of 1 drivers"},
      {"verify '" + out + "'", 1, "\nPCI Bus: missing pci.sys\n"},
      {"verify --arch x86 '" + out + "'", 1,
       "\nAcme USB 3.0 eXtensible Host Controller: complete for amd64; not for x86\n"},
      {"verify '" + (scratch / "sfx/pelorin.exe") + "' --arch amd64", 0, "\n2 of 2 drivers complete for amd64\n"},
      {"verify '" + demoImage + "'", 2, "pelorin: " + demoImage + ": not a backup (no taskinfo.ini)\n"},
      {"verify '" + demoReg + "'", 2, "pelorin: " + demoReg + ": not a self-extracting backup\n"},
      {"verify --arch ia32 '" + out + "'", 2, "pelorin verify: unknown architecture 'ia32'\n"},
      {"backup " + Demo(), 2, "pelorin backup: --to OUT is needed\n"},
      {"backup " + Demo() + To("other") + " 'No Such Driver'", 2, "no listed driver is described as \"No Such Driver\""},
      {Sfx("other", "'PCI Bus'", RegistryOf("ARM64", 'c')), 2, "there is no restorer for arm64 installations"},
  };
  for (const Case& c : cases) {
    run = Run(c.command);
    EXPECT_EQ(run.exit, c.exit) << c.command << run.err;
    EXPECT_NE((c.exit == 2 ? run.err : run.out).find(c.says), std::string::npos) << c.command << run.out;
  }
  EXPECT_EQ(Entries("other"), std::set<std::string>());
}

TEST_F(CliTest, SfxRunsAtOnceEachPackTheirOwnAndUnpackPutsEveryEntryInPlaceOrNone) {
  for (int round = 0; round < 3; ++round) {
    const std::string both = Command(Sfx("a", u8"'Acme Chipset SMBus Controller' 'PCI Bus' '千兆以太网控制器'")) +
                             " >/dev/null 2>&1 & " + Command(Sfx("b", u8"'千兆以太网控制器'", RegistryOf("x86", '0'))) +
                             " >/dev/null 2>&1 & wait";
    ASSERT_EQ(std::system(both.c_str()), 0);
    for (const std::string x : {"a", "b"}) ASSERT_EQ(Unpack(x + "/pelorin.exe", "u" + x).exit, 0);
    EXPECT_EQ(scratch.ReadFile("ua/treeinfo.ini"),
              "[System devices]\r\nAcme Chipset SMBus Controller=1\r\nPCI Bus=1\r\n[网络适配器]\r\n千兆以太网控制器=1\r\n")
        << round;
    EXPECT_EQ(scratch.ReadFile("ub/treeinfo.ini"), "[网络适配器]\r\n千兆以太网控制器=1\r\n") << round;
    // An unpack over the one before replaces the files.
    EXPECT_EQ(scratch.ReadFile(u8"ua/千兆以太网控制器/oem1.inf"), ReadHostFile(demoImage + "/WINDOWS/inf/oem1.inf"));
    scratch.WriteFile(u8"ua/千兆以太网控制器/oem1.inf", "stale");
  }
  EXPECT_EQ(Entries("tmp"), std::set<std::string>()) << "the runs left files in the temporary folder";
  // The machine field of the PE header of the restorer each container starts with.
  const std::string a = scratch.ReadFile("a/pelorin.exe"), b = scratch.ReadFile("b/pelorin.exe");
  EXPECT_EQ(testing::PeMachine(a), 0x8664u) << "the demo installation is AMD64";
  EXPECT_EQ(testing::PeMachine(b), 0x14cu);
  // One folder per driver, as the folder form has it, the manifests at the top.
  EXPECT_EQ(Entries("ua"), (std::set<std::string>{"Acme Chipset SMBus Controller", "PCI Bus", u8"千兆以太网控制器",
                                                  "taskinfo.ini", "treeinfo.ini"}));
  EXPECT_EQ(Entries("ua/PCI Bus"), (std::set<std::string>{"machine.inf", "machine.PNF", "pci.sys"}));

  // Files may not grow past 512 bytes: the disk is full for every larger entry.
  EXPECT_EQ(Unpack("a/pelorin.exe", "full", "trap '' XFSZ; ulimit -f 1; ").exit, 1);
  EXPECT_EQ(Entries("full"), std::set<std::string>());
  // A folder where an entry must go: the move into place fails half-way.
  scratch.WriteFile("blocked/treeinfo.ini/in the way", "");
  EXPECT_EQ(Unpack("a/pelorin.exe", "blocked").exit, 1);
  EXPECT_EQ(Entries("blocked"), std::set<std::string>{"treeinfo.ini"});

  // The first entry's stream, found backwards from the trailer as the restorer reads it, is unpacked last: every other
  // one has been inflated by the time its checksum fails. A folder that already holds files keeps them as they were.
  std::string damaged = a;
  std::size_t end = damaged.size() - 18;
  for (std::uint32_t i = Le32(damaged, end); i-- > 0;) end -= 4 + Le32(damaged, end - 4) + 12;
  damaged[Le32(damaged, end) + Le32(damaged, end + 8) - 1] ^= 0x5A;
  scratch.WriteFile("damaged.exe", damaged);
  scratch.WriteFile("kept/oem1.inf", "mine");
  const CliRun run = Unpack("damaged.exe", "kept");
  EXPECT_EQ(run.exit, 2);
  EXPECT_TRUE(run.err.rfind("pelorin: ", 0) == 0 && run.err.find('\n') == run.err.size() - 1) << run.err;
  EXPECT_EQ(Entries("kept"), std::set<std::string>{"oem1.inf"});
  EXPECT_EQ(scratch.ReadFile("kept/oem1.inf"), "mine");
}

}  // namespace
}  // namespace pelorin
