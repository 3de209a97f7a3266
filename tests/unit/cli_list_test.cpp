// pelorin list, run as a program on the demo installation and on bad input.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "TempDir.h"
#include "TestPaths.h"

namespace pelorin {
namespace {

using testing::InventoryTempDir;
using testing::ReadFile;

struct CliRun {
  int exitCode;
  std::string out;
  std::string err;
};

class CliListTest : public ::testing::Test {
 protected:
  CliRun List(const std::string& args) {
    std::string out = dir.path() + "/stdout", err = dir.path() + "/stderr";
    std::string command = std::string(PELORIN_BUILD_DIR) + "/src/cli/pelorin list " + args + " >" +
                          out + " 2>" + err;
    int status = std::system(command.c_str());
    return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
  }
  std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }
  const std::string demoReg = std::string(PELORIN_SOURCE_DIR) + "/demo/system.reg";
  const std::string demoImage = std::string(PELORIN_SOURCE_DIR) + "/demo/image";
  InventoryTempDir dir;
};

// Expected texts are UTF-8 bytes: the terminal's encoding, not the program's.
TEST_F(CliListTest, TsvListsDemoDriversNewestFirst) {
  CliRun run = List("--tsv --registry " + demoReg);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "\xE5\x85\xB1\xE6\x89\xBE\xE5\x88\xB0" "6" "\xE4\xB8\xAA\xE9\xA9\xB1\xE5\x8A\xA8\n");
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Acme Chipset SMBus Controller\tSystem devices\tAcme Chipset\t7-18-1968\t"
                      "10.1.1.38\toem6.inf\t");
  EXPECT_EQ(lines[1],
            "\xE5\x8D\x83\xE5\x85\x86\xE4\xBB\xA5\xE5\xA4\xAA\xE7\xBD\x91\xE6\x8E\xA7\xE5\x88\xB6"
            "\xE5\x99\xA8\t\xE7\xBD\x91\xE7\xBB\x9C\xE9\x80\x82\xE9\x85\x8D\xE5\x99\xA8\t"
            "Realtech Semiconductor\t4-12-2021\t10.50.412.2021\toem1.inf\tpci\\ven_10ec&dev_8168");
  EXPECT_EQ(lines[4], "Acme Graphics 3D\tDisplay adapters\tAcme Graphics Inc.\t11-2-2020\t"
                      "27.20.100.8935\toem3.inf\tpci\\ven_8086&dev_9b41");
  EXPECT_EQ(lines[5].rfind("Acme USB 3.0 eXtensible Host Controller\t", 0), 0u);
}

TEST_F(CliListTest, AllModeAndImageWithHiveFoundRegardlessOfCase) {
  CliRun all = List("--all --tsv --registry " + demoReg + " --image " + demoImage);
  EXPECT_EQ(all.exitCode, 0) << all.err;
  EXPECT_EQ(Lines(all.out).size(), 9u);
  // The hive file of an image is recognised by content, so an export serves here.
  dir.Write("img/windows/System32/CONFIG/system", ReadFile(demoReg));
  CliRun image = List("--tsv --image " + dir.path() + "/img");
  EXPECT_EQ(image.exitCode, 0) << image.err;
  EXPECT_EQ(image.out, List("--tsv --registry " + demoReg).out);
  // The demo image's own hive holds the same registry as the export.
  CliRun demoHive = List("--all --tsv --image " + demoImage);
  EXPECT_EQ(demoHive.exitCode, 0) << demoHive.err;
  EXPECT_EQ(demoHive.out, all.out);
}

TEST_F(CliListTest, TableAlignsWideCharactersAndEndsWithStatus) {
  CliRun run = List("--registry " + demoReg);
  EXPECT_EQ(run.exitCode, 0);
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
  struct Case {
    std::string args;
    std::string error;
  } cases[] = {
      {"--registry " + dir.path() + "/none.reg", dir.path() + "/none.reg: cannot open file"},
      {"--registry " + dir.Write("broken.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\r\n"),
       dir.path() + "/broken.reg: line 2: key line without closing \"]\""},
      {"--registry " + dir.Write("empty.reg", "REGEDIT4\r\n"),
       dir.path() + "/empty.reg: no HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class key"},
      {"--registry " + dir.Write("hive", "regf" + std::string(100, '\x01')),
       dir.path() + "/hive: corrupt or truncated registry hive"},
      {"--image " + dir.path() + "/nothing", dir.path() + "/nothing: not a folder"},
      {"--image " + dir.path(), dir.path() + ": no WINDOWS/system32/config/SYSTEM registry hive"},
  };
  for (const Case& c : cases) {
    CliRun run = List(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args;
    EXPECT_EQ(run.err, "pelorin: " + c.error + "\n") << c.args;
    EXPECT_EQ(run.out, "") << c.args;
  }
  for (const char* usage : {"", "--tsv", "--bogus --registry x", "--registry", "stray"}) {
    CliRun run = List(usage);
    EXPECT_EQ(run.exitCode, 2) << usage;
    EXPECT_EQ(run.err.rfind("pelorin list: ", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
  }
  CliRun help = List("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("usage: pelorin list", 0), 0u);
}

}  // namespace
}  // namespace pelorin
