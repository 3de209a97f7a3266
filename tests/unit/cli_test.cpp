#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PosixScratch.h"
#include "TestPaths.h"
#include "platform/posix/RegText.h"

namespace pelorin {
namespace {

using testing::ReadHostFile;

struct CliRun {
  int exit = -1;
  std::string out, err;
};

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::string Source(const std::string& relative) { return std::string(PELORIN_SOURCE_DIR) + "/" + relative; }

class CliTest : public ::testing::Test {
 protected:
  // The program with its temporary folder inside the scratch folder, where the
  // test sees what a run leaves behind.
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
  CliRun List(const std::string& arguments) { return Run("list " + arguments); }
  CliRun Backup(const std::string& arguments) { return Run("backup " + arguments); }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }
  std::string Demo() const { return "--registry '" + demoReg + "' --image '" + demoImage + "'"; }
  std::string To(const std::string& folder = "out") const { return " --to '" + (scratch / folder) + "'"; }
  // The names in `dir`, hidden ones included; empty when it does not exist.
  std::set<std::string> Entries(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir((scratch / dir).c_str())) {
      while (const dirent* e = readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
      closedir(d);
    }
    return names;
  }

  const std::string demoReg = Source("demo/system.reg");
  const std::string demoImage = Source("demo/image");
  testing::PosixScratch scratch;
};

// Expected texts are UTF-8 bytes: the terminal's encoding, not the program's.
TEST_F(CliTest, ListTsvTableAllModeAndImages) {
  CliRun run = List("--tsv --registry " + demoReg);
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.err, u8"共找到6个驱动\n");
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Acme Chipset SMBus Controller\tSystem devices\tAcme Chipset\t7-18-1968\t10.1.1.38\toem6.inf\t");
  EXPECT_EQ(lines[1], u8"千兆以太网控制器\t网络适配器\tRealtech Semiconductor\t4-12-2021\t10.50.412.2021\toem1.inf\t"
                      "pci\\ven_10ec&dev_8168");

  CliRun all = List("--all --tsv --registry " + demoReg + " --image " + demoImage);
  EXPECT_EQ(all.exit, 0) << all.err;
  EXPECT_EQ(Lines(all.out).size(), 9u);
  // The hive file of an image is recognised by content, so an export serves here.
  scratch.WriteFile("img/windows/System32/CONFIG/system", ReadHostFile(demoReg));
  CliRun image = List("--tsv --image " + scratch.path() + "/img");
  EXPECT_EQ(image.exit, 0) << image.err;
  EXPECT_EQ(image.out, run.out);

  run = List("--registry " + demoReg);
  EXPECT_EQ(run.err, "");
  lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 8u);  // header, six drivers, status
  // "Realtech" stands in the same terminal column on both rows; 8 + 5 Chinese
  // characters of 3 UTF-8 bytes and 2 columns: 13 bytes more than columns.
  std::size_t ascii = lines[1].find("Acme Chipset  "), chinese = lines[2].find("Realtech");
  ASSERT_NE(ascii, std::string::npos);
  ASSERT_NE(chinese, std::string::npos);
  EXPECT_EQ(chinese - 13, ascii);
}

TEST_F(CliTest, ListBadInputIsOneLineAndExitTwo) {
  scratch.WriteFile("bad/WINDOWS/system32/config/SYSTEM", ReadHostFile(demoReg));
  const std::string drivers = scratch.WriteFile("bad/WINDOWS/system32/config/DRIVERS", "regf");
  const std::string s = scratch.path();
  const std::pair<std::string, std::string> cases[] = {
      {"--registry " + s + "/none.reg", s + "/none.reg: cannot open file"},
      {"--registry " + scratch.WriteFile("hive", "regf" + std::string(100, '\x01')),
       s + "/hive: corrupt or truncated registry hive"},
      {"--image " + s + "/nothing", s + "/nothing: not a folder"},
      {"--image " + s, s + ": no WINDOWS/system32/config/SYSTEM registry hive"},
      {"--image " + s + "/bad", drivers + ": corrupt or truncated registry hive"},
  };
  for (const auto& [args, error] : cases) {
    CliRun run = List(args);
    EXPECT_EQ(run.exit, 2) << args;
    EXPECT_EQ(run.err, "pelorin: " + error + "\n") << args;
    EXPECT_EQ(run.out, "") << args;
  }
  for (const char* usage : {"", "--bogus --registry x"}) {
    CliRun run = List(usage);
    EXPECT_EQ(run.exit, 2) << usage;
    EXPECT_EQ(run.err.rfind("pelorin list: ", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
  }
  CliRun help = List("--help");
  EXPECT_EQ(help.exit, 0);
  EXPECT_EQ(help.out.rfind("usage: pelorin list", 0), 0u);
}

TEST_F(CliTest, IncompleteBackupsFailTheRun) {
  // The copy cannot replace a folder. (A package that lacks a file takes the
  // same road; its message is the backup tests'.)
  scratch.WriteFile("out/TouchPad Pro/tpadpro.sys/in the way", "");
  CliRun run = Backup(Demo() + To() + " 'TouchPad Pro'");
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.out.find(u8"未能备份"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nTouchPad Pro\n"), std::string::npos) << run.out;

  // Without the image there is no C:\WINDOWS: the profile reader's message, no INF.
  run = Backup("--registry '" + demoReg + "'" + To("noinf") + " 'TouchPad Pro'");
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.err.find(u8"pelorin: 打开配置文件失败，请指定正确文件路径！"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("TouchPad Pro: the INF was not saved"), std::string::npos) << run.err;
  EXPECT_TRUE(scratch.Exists("noinf/TouchPad Pro/taskinfo.ini"));
}

TEST_F(CliTest, BackupThenVerifyNamesWhatIsMissingAndTellsBackupsApart) {
  const CliRun run = Backup(Demo() + To() + " --all");  // every listed driver
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
  EXPECT_EQ(Backup(Demo()).exit, 2);  // no --to
  const CliRun unknown = Backup(Demo() + To("other") + " 'No Such Driver'");
  EXPECT_EQ(unknown.exit, 2);
  EXPECT_NE(unknown.err.find("No Such Driver"), std::string::npos);
  EXPECT_FALSE(scratch.Exists("other/PCI Bus"));

  ASSERT_EQ(Backup(Demo() + " --all --sfx" + To("sfx") + u8" 'PCI Bus' '千兆以太网控制器'").exit, 0);
  unlink((scratch / "out/PCI Bus/pci.sys").c_str());
  const std::string out = scratch / "out";
  const struct Case { std::string args; int exit; std::string says; } cases[] = {
      {"'" + out + "/Acme Graphics 3D'", 0, "Acme Graphics 3D: complete for x86, amd64, arm64\n1 of 1 drivers"},
      {"'" + out + "'", 1, "\nPCI Bus: missing pci.sys\n"},
      {"--arch x86 '" + out + "'", 1, "\nAcme USB 3.0 eXtensible Host Controller: complete for amd64; not for x86\n"},
      {"'" + (scratch / "sfx/pelorin.exe") + "' --arch amd64", 0, "\n2 of 2 drivers complete for amd64\n"},
      {"'" + demoImage + "'", 2, "pelorin: " + demoImage + ": not a backup (no taskinfo.ini)\n"},
      {"'" + demoReg + "'", 2, "pelorin: " + demoReg + ": not a self-extracting backup\n"},
      {"--arch ia32 '" + out + "'", 2, "pelorin verify: unknown architecture 'ia32'\n"},
  };
  for (const Case& c : cases) {
    const CliRun run = Run("verify " + c.args);
    EXPECT_EQ(run.exit, c.exit) << c.args << run.err;
    EXPECT_NE((c.exit == 2 ? run.err : run.out).find(c.says), std::string::npos) << c.args << run.out;
  }
}

// Self-extracting backups made by `backup --sfx` and read back by `unpack`.
class CliSfxTest : public CliTest {
 protected:
  std::string Sfx(const std::string& to, const std::string& drivers, const std::string& registry = "") {
    return "backup --registry '" + (registry.empty() ? demoReg : registry) + "' --image '" + demoImage + "'" + To(to) +
           " --sfx --all " + drivers;
  }
  CliRun Unpack(const std::string& file, const std::string& to, const std::string& shellPrefix = "") {
    return Run("unpack '" + (scratch / file) + "'" + To(to), shellPrefix);
  }
  // The demo registry (UTF-16LE) with another processor architecture, in both places.
  std::string RegistryOf(const std::string& name, char code) {
    const auto wide = [](const std::string& text) { return regtext::Utf16ToBytes(regtext::GbkToUtf16(text)); };
    std::string reg = ReadHostFile(demoReg);
    for (auto [from, to] : {std::pair{wide("=\"AMD64\""), wide("=\"" + name + "\"")},
                            std::pair{wide("=dword:00000009"), wide(std::string("=dword:0000000") + code)}}) {
      const std::size_t at = reg.find(from);
      if (at != std::string::npos) reg.replace(at, from.size(), to);
    }
    return scratch.WriteFile(name + ".reg", reg);
  }
  // The machine field of the PE header of the restorer a container starts with.
  std::uint32_t Machine(const std::string& file) {
    const std::string exe = scratch.ReadFile(file);
    return Le32(exe, Le32(exe, 0x3c) + 4) & 0xFFFF;
  }
};

TEST_F(CliSfxTest, RunsAtOnceEachPackTheirOwnManifestsAndTheirInstallationsRestorer) {
  const std::string x86 = RegistryOf("x86", '0');
  for (int round = 0; round < 3; ++round) {
    const std::string both = Command(Sfx("a", "'PCI Bus'")) + " >/dev/null 2>&1 & " +
                             Command(Sfx("b", u8"'千兆以太网控制器'", x86)) + " >/dev/null 2>&1 & wait";
    ASSERT_EQ(std::system(both.c_str()), 0);
    ASSERT_EQ(Unpack("a/pelorin.exe", "ua").exit, 0);
    ASSERT_EQ(Unpack("b/pelorin.exe", "ub").exit, 0);
    EXPECT_EQ(scratch.ReadFile("ua/treeinfo.ini"), "[System devices]\r\nPCI Bus=1\r\n") << round;
    EXPECT_EQ(scratch.ReadFile("ub/treeinfo.ini"), "[网络适配器]\r\n千兆以太网控制器=1\r\n") << round;
  }
  EXPECT_EQ(Entries("tmp"), std::set<std::string>()) << "the runs left files in the temporary folder";
  EXPECT_EQ(Machine("a/pelorin.exe"), 0x8664u) << "the demo installation is AMD64";
  EXPECT_EQ(Machine("b/pelorin.exe"), 0x14cu);
  const CliRun arm = Run(Sfx("other", "'PCI Bus'", RegistryOf("ARM64", 'c')));
  EXPECT_EQ(arm.exit, 2);
  EXPECT_NE(arm.err.find("no restorer for"), std::string::npos) << arm.err;
  EXPECT_EQ(Entries("other"), std::set<std::string>());
}

TEST_F(CliSfxTest, UnpackPutsEveryEntryInPlaceOrNone) {
  const CliRun backup = Run(Sfx("out", u8"'Acme Chipset SMBus Controller' 'PCI Bus' '千兆以太网控制器'"));
  ASSERT_EQ(backup.exit, 0) << backup.err;
  EXPECT_NE(backup.out.find(scratch / "out/pelorin.exe"), std::string::npos) << backup.out;
  ASSERT_EQ(Unpack("out/pelorin.exe", "unpacked").exit, 0);
  // One folder per driver, as the folder form has it, the manifests at the top.
  EXPECT_EQ(Entries("unpacked"), (std::set<std::string>{"Acme Chipset SMBus Controller", "PCI Bus", u8"千兆以太网控制器",
                                                        "taskinfo.ini", "treeinfo.ini"}));
  EXPECT_EQ(Entries("unpacked/PCI Bus"), (std::set<std::string>{"machine.inf", "machine.PNF", "pci.sys"}));
  // A second unpack over the first replaces the files.
  scratch.WriteFile(u8"unpacked/千兆以太网控制器/oem1.inf", "stale");
  ASSERT_EQ(Unpack("out/pelorin.exe", "unpacked").exit, 0);
  EXPECT_EQ(scratch.ReadFile(u8"unpacked/千兆以太网控制器/oem1.inf"), ReadHostFile(demoImage + "/WINDOWS/inf/oem1.inf"));

  // Files may not grow past 512 bytes: the disk is full for every larger entry.
  EXPECT_EQ(Unpack("out/pelorin.exe", "full", "trap '' XFSZ; ulimit -f 1; ").exit, 1);
  EXPECT_EQ(Entries("full"), std::set<std::string>());
  // A folder where an entry must go: the move into place fails half-way.
  scratch.WriteFile("blocked/treeinfo.ini/in the way", "");
  EXPECT_EQ(Unpack("out/pelorin.exe", "blocked").exit, 1);
  EXPECT_EQ(Entries("blocked"), std::set<std::string>{"treeinfo.ini"});

  // The first entry's stream, found backwards from the trailer as the restorer
  // reads it, is unpacked last: every other one has been inflated by the time
  // its checksum fails. A folder that already holds files keeps them as they were.
  std::string damaged = scratch.ReadFile("out/pelorin.exe");
  std::size_t end = damaged.size() - 18;
  const std::uint32_t count = Le32(damaged, end);
  for (std::uint32_t i = 0; i < count; ++i) end -= 4 + Le32(damaged, end - 4) + 12;
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
