// The command-line program, run as built on the demo installation and on bad
// input: its output, the files it writes and its exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "PosixScratch.h"
#include "TestPaths.h"

namespace pelorin {
namespace {

struct CliRun {
  int exit = -1;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  CliRun Run(const std::string& arguments) {
    const std::string out = scratch / "stdout", err = scratch / "stderr";
    const std::string command =
        std::string("'") + PELORIN_BUILD_DIR + "/src/cli/pelorin' " + arguments + " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::ReadHostFile(out), testing::ReadHostFile(err)};
  }
  CliRun List(const std::string& arguments) { return Run("list " + arguments); }
  CliRun Backup(const std::string& arguments) { return Run("backup " + arguments); }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }
  std::string Demo() const { return "--registry '" + demoReg + "' --image '" + demoImage + "'"; }
  std::string To() const { return " --to '" + (scratch / "out") + "'"; }

  const std::string demoReg = std::string(PELORIN_SOURCE_DIR) + "/demo/system.reg";
  const std::string demoImage = std::string(PELORIN_SOURCE_DIR) + "/demo/image";
  testing::PosixScratch scratch;
};
using CliListTest = CliTest;
using CliBackupTest = CliTest;
using CliVerifyTest = CliTest;

// Expected texts are UTF-8 bytes: the terminal's encoding, not the program's.
TEST_F(CliListTest, TsvListsDemoDriversNewestFirst) {
  CliRun run = List("--tsv --registry " + demoReg);
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.err, "\xE5\x85\xB1\xE6\x89\xBE\xE5\x88\xB0" "6" "\xE4\xB8\xAA\xE9\xA9\xB1\xE5\x8A\xA8\n");
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Acme Chipset SMBus Controller\tSystem devices\tAcme Chipset\t7-18-1968\t"
                      "10.1.1.38\toem6.inf\t");
  EXPECT_EQ(lines[1],
            "\xE5\x8D\x83\xE5\x85\x86\xE4\xBB\xA5\xE5\xA4\xAA\xE7\xBD\x91\xE6\x8E\xA7\xE5\x88\xB6"
            "\xE5\x99\xA8\t\xE7\xBD\x91\xE7\xBB\x9C\xE9\x80\x82\xE9\x85\x8D\xE5\x99\xA8\t"
            "Realtech Semiconductor\t4-12-2021\t10.50.412.2021\toem1.inf\tpci\\ven_10ec&dev_8168");
}

TEST_F(CliListTest, AllModeAndImageWithHiveFoundRegardlessOfCase) {
  CliRun all = List("--all --tsv --registry " + demoReg + " --image " + demoImage);
  EXPECT_EQ(all.exit, 0) << all.err;
  EXPECT_EQ(Lines(all.out).size(), 9u);
  // The hive file of an image is recognised by content, so an export serves here.
  scratch.WriteFile("img/windows/System32/CONFIG/system", testing::ReadHostFile(demoReg));
  CliRun image = List("--tsv --image " + scratch.path() + "/img");
  EXPECT_EQ(image.exit, 0) << image.err;
  EXPECT_EQ(image.out, List("--tsv --registry " + demoReg).out);
  EXPECT_EQ(List("--all --tsv --image " + demoImage).out, all.out);  // the demo's hive holds the export
}

TEST_F(CliListTest, TableAlignsWideCharactersAndEndsWithStatus) {
  CliRun run = List("--registry " + demoReg);
  EXPECT_EQ(run.exit, 0);
  EXPECT_EQ(run.err, "");
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 8u);  // header, six drivers, status
  // "Realtech" stands in the same terminal column on both rows, though the row
  // above it has ASCII and the one with it Chinese (two columns per character).
  std::size_t ascii = lines[1].find("Acme Chipset  ");
  std::size_t chinese = lines[2].find("Realtech");
  ASSERT_NE(ascii, std::string::npos);
  ASSERT_NE(chinese, std::string::npos);
  // 8 + 5 characters of 3 UTF-8 bytes that take 2 columns: 13 bytes more than columns.
  EXPECT_EQ(chinese - 13, ascii);
}

TEST_F(CliListTest, BadInputIsOneLineAndExitTwo) {
  scratch.WriteFile("bad/WINDOWS/system32/config/SYSTEM", testing::ReadHostFile(demoReg));
  const std::string drivers = scratch.WriteFile("bad/WINDOWS/system32/config/DRIVERS", "regf");
  struct Case {
    std::string args;
    std::string error;
  } cases[] = {
      {"--registry " + scratch.path() + "/none.reg", scratch.path() + "/none.reg: cannot open file"},
      {"--registry " + scratch.WriteFile("hive", "regf" + std::string(100, '\x01')),
       scratch.path() + "/hive: corrupt or truncated registry hive"},
      {"--image " + scratch.path() + "/nothing", scratch.path() + "/nothing: not a folder"},
      {"--image " + scratch.path(), scratch.path() + ": no WINDOWS/system32/config/SYSTEM registry hive"},
      {"--image " + scratch.path() + "/bad", drivers + ": corrupt or truncated registry hive"},
  };
  for (const Case& c : cases) {
    CliRun run = List(c.args);
    EXPECT_EQ(run.exit, 2) << c.args;
    EXPECT_EQ(run.err, "pelorin: " + c.error + "\n") << c.args;
    EXPECT_EQ(run.out, "") << c.args;
  }
  for (const char* usage : {"", "--tsv", "--bogus --registry x", "--registry", "stray"}) {
    CliRun run = List(usage);
    EXPECT_EQ(run.exit, 2) << usage;
    EXPECT_EQ(run.err.rfind("pelorin list: ", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
  }
  CliRun help = List("--help");
  EXPECT_EQ(help.exit, 0);
  EXPECT_EQ(help.out.rfind("usage: pelorin list", 0), 0u);
}

TEST_F(CliBackupTest, BacksUpTheNamedDrivers) {
  const CliRun run = Backup(Demo() + To() + u8" '千兆以太网控制器' 'Acme Graphics 3D'");
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, u8"已经成功备份了在列表框中勾选的驱动程序!\n");
  EXPECT_NE(run.err.find(u8"正在备份:千兆以太网控制器\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("  5/8 ialmcoin.dll\n"), std::string::npos) << run.err;
  for (const char* file : {u8"out/千兆以太网控制器/rtgige.sys", u8"out/千兆以太网控制器/rtgigeco.dll",
                           u8"out/千兆以太网控制器/taskinfo.ini", "out/Acme Graphics 3D/oem3.inf",
                           "out/Acme Graphics 3D/oem3.PNF", "out/Acme Graphics 3D/iAlmCoIn.dll"}) {
    EXPECT_TRUE(scratch.Exists(file)) << file;
  }
  // The manifest is GBK and records the backup folder as a drive path.
  const std::string manifest = scratch.ReadFile("out/Acme Graphics 3D/taskinfo.ini");
  const std::string outWindows = "Z:" + (scratch / "out");
  std::string expectedLine = "C:\\WINDOWS\\inf\\oem3.inf=" + outWindows + "/Acme Graphics 3D/oem3.inf\r\n";
  for (char& c : expectedLine) c = c == '/' ? '\\' : c;
  EXPECT_NE(manifest.find(expectedLine), std::string::npos) << manifest;
  EXPECT_EQ(manifest.rfind("[Display adapters]\r\n\xD3\xB2\xBC\xFEID=", 0), 0u);
}

TEST_F(CliBackupTest, IncompleteDriverFailsTheRun) {
  scratch.MakeDir("out");
  scratch.MakeDir("out/TouchPad Pro");
  scratch.MakeDir("out/TouchPad Pro/tpadpro.sys");  // the copy cannot replace a folder
  const CliRun run = Backup(Demo() + To() + " 'TouchPad Pro'");
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.out.find(u8"未能备份"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nTouchPad Pro\n"), std::string::npos) << run.out;
}

TEST_F(CliBackupTest, DriverWhosePackageLacksAFileFailsTheRun) {
  const std::string inf = testing::ReadHostFile(demoImage + "/WINDOWS/inf/oem4.inf");
  scratch.WriteFile("img/WINDOWS/inf/oem4.inf", inf);
  scratch.WriteFile("img/WINDOWS/System32/DriverStore/FileRepository/tpad.inf_x86_0123/tpad.inf", inf);
  const CliRun run = Backup("--registry '" + demoReg + "' --image '" + (scratch / "img") + "'" + To() + " 'TouchPad Pro'");
  EXPECT_EQ(run.exit, 1);
  EXPECT_EQ(run.out, u8"以下驱动程序的部分文件在本机找不到，备份不完整:\nTouchPad Pro\n");
  EXPECT_TRUE(scratch.Exists("out/TouchPad Pro/tpad.inf"));
}

TEST_F(CliBackupTest, DriverWithoutItsInfFails) {
  // Without the image there is no C:\WINDOWS: the profile reader's message, no INF.
  const CliRun run = Backup("--registry '" + demoReg + "'" + To() + " 'TouchPad Pro'");
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.err.find(u8"pelorin: 打开配置文件失败，请指定正确文件路径！"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("TouchPad Pro: the INF was not saved"), std::string::npos) << run.err;
  EXPECT_TRUE(scratch.Exists("out/TouchPad Pro/taskinfo.ini"));
}

TEST_F(CliBackupTest, BadArgumentsAndInput) {
  EXPECT_EQ(Backup(Demo()).exit, 2);                                     // no --to
  EXPECT_EQ(Backup(To()).exit, 2);                                       // no source
  const CliRun unknown = Backup(Demo() + To() + " 'No Such Driver'");
  EXPECT_EQ(unknown.exit, 2);
  EXPECT_NE(unknown.err.find("No Such Driver"), std::string::npos);
  EXPECT_FALSE(scratch.Exists("out/PCI Bus"));
}

TEST_F(CliVerifyTest, NamesWhatIsMissingAndTellsBackupsApart) {
  ASSERT_EQ(Backup(Demo() + To() + " --all").exit, 0);  // every listed driver
  ASSERT_EQ(Backup(Demo() + " --all --sfx --to '" + (scratch / "sfx") + u8"' 'PCI Bus' '千兆以太网控制器'").exit, 0);
  unlink((scratch / "out/PCI Bus/pci.sys").c_str());
  const std::string out = scratch / "out";
  const struct Case { std::string args; int exit; std::string says; } cases[] = {
      {"'" + out + "/Acme Graphics 3D'", 0, "Acme Graphics 3D: complete for x86, amd64, arm64\n1 of 1 drivers"},
      {"'" + out + "'", 1, "Harmony HD Audio: missing hmapo.dll\n"},  // the demo lacks it
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

}  // namespace
}  // namespace pelorin
