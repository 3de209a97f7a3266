// pelorin backup on the demo installation: the built program, its files, its
// output and its exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

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

class CliBackupTest : public ::testing::Test {
 protected:
  Outcome Backup(const std::string& arguments) {
    const std::string command = std::string("'") + PELORIN_BUILD_DIR + "/src/cli/pelorin' backup " + arguments +
                                " 2>'" + (scratch / "stderr") + "'";
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
  std::string Demo() const {
    return std::string("--registry '") + PELORIN_SOURCE_DIR + "/demo/system.reg' --image '" + PELORIN_SOURCE_DIR +
           "/demo/image'";
  }
  std::string To() const { return " --to '" + (scratch / "out") + "'"; }

  PosixScratch scratch;
};

TEST_F(CliBackupTest, BacksUpTheNamedDrivers) {
  const Outcome run = Backup(Demo() + To() + u8" '千兆以太网控制器' 'Acme Graphics 3D'");
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, u8"已经成功备份了在列表框中勾选的驱动程序!\n");
  EXPECT_NE(run.err.find(u8"正在备份:千兆以太网控制器\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("  5/5 ialmcoin.dll\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(u8"共找到6个驱动"), std::string::npos);
  for (const char* file : {u8"out/千兆以太网控制器/rtgige.sys", u8"out/千兆以太网控制器/rtgigeco.dll",
                           u8"out/千兆以太网控制器/taskinfo.ini", "out/Acme Graphics 3D/oem3.inf",
                           "out/Acme Graphics 3D/oem3.PNF", "out/Acme Graphics 3D/ialmcoin.dll"}) {
    EXPECT_TRUE(scratch.Exists(file)) << file;
  }
  EXPECT_FALSE(scratch.Exists("out/TouchPad Pro"));
  // The manifest is GBK and records the backup folder as a drive path.
  const std::string manifest = scratch.ReadFile("out/Acme Graphics 3D/taskinfo.ini");
  const std::string outWindows = "Z:" + (scratch / "out");
  std::string expectedLine = "C:\\WINDOWS\\inf\\oem3.inf=" + outWindows + "/Acme Graphics 3D/oem3.inf\r\n";
  for (char& c : expectedLine) c = c == '/' ? '\\' : c;
  EXPECT_NE(manifest.find(expectedLine), std::string::npos) << manifest;
  EXPECT_EQ(manifest.rfind("[Display adapters]\r\n\xD3\xB2\xBC\xFEID=", 0), 0u);
}

TEST_F(CliBackupTest, EveryListedDriverByDefault) {
  const Outcome run = Backup(Demo() + To() + " --all");
  EXPECT_EQ(run.exit, 0) << run.err;
  for (const char* folder : {"PCI Bus", "USB Root Hub", "Harmony HD Audio", "Acme Chipset SMBus Controller"}) {
    EXPECT_TRUE(scratch.Exists(std::string("out/") + folder + "/taskinfo.ini")) << folder;
  }
  EXPECT_FALSE(scratch.Exists("out/TouchPad Pro"));  // not listed in this mode
}

TEST_F(CliBackupTest, IncompleteDriverFailsTheRun) {
  scratch.MakeDir("out");
  scratch.MakeDir("out/TouchPad Pro");
  scratch.MakeDir("out/TouchPad Pro/tpadpro.sys");  // the copy cannot replace a folder
  const Outcome run = Backup(Demo() + To() + " 'TouchPad Pro'");
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.out.find(u8"未能备份"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nTouchPad Pro\n"), std::string::npos) << run.out;
}

TEST_F(CliBackupTest, DriverWithoutItsInfFails) {
  // Without the image there is no C:\WINDOWS: the profile reader's message, no INF.
  const Outcome run =
      Backup(std::string("--registry '") + PELORIN_SOURCE_DIR + "/demo/system.reg'" + To() + " 'TouchPad Pro'");
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.err.find(u8"pelorin: 打开配置文件失败，请指定正确文件路径！"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("TouchPad Pro: the INF was not saved"), std::string::npos) << run.err;
  EXPECT_TRUE(scratch.Exists("out/TouchPad Pro/taskinfo.ini"));
}

TEST_F(CliBackupTest, BadArgumentsAndInput) {
  EXPECT_EQ(Backup(Demo()).exit, 2);                                     // no --to
  EXPECT_EQ(Backup(To()).exit, 2);                                       // no source
  EXPECT_EQ(Backup(Demo() + To() + " --bogus").exit, 2);                 // unknown option
  EXPECT_EQ(Backup("--registry /nonexistent/system.reg" + To()).exit, 2);  // unreadable registry
  const Outcome unknown = Backup(Demo() + To() + " 'No Such Driver'");
  EXPECT_EQ(unknown.exit, 2);
  EXPECT_NE(unknown.err.find("No Such Driver"), std::string::npos);
  EXPECT_FALSE(scratch.Exists("out/PCI Bus"));
}

}  // namespace
}  // namespace pelorin
