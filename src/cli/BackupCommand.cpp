// pelorin backup: the folder backup of the dialog, run on an offline installation.
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "backup/BackupHost.h"
#include "backup/BackupTexts.h"
#include "backup/FolderBackup.h"
#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/OfflineScan.h"
#include "backup/RestorerChoice.h"
#include "backup/SfxBackup.h"
#include "cli/EmbeddedStub.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/posix/PosixPlatform.h"
#include "platform/posix/Encoding.h"

namespace pelorin::cli {
namespace {

constexpr char kUsage[] =
    "usage: pelorin backup (--image DIR | --registry FILE [--image DIR]) --to OUT\n"
    "                      [--all] [--sfx] [DESCRIPTION...]\n"
    "\n"
    "Backs up drivers of an offline Windows installation into OUT: one folder per\n"
    "driver holding its INF, its PNF, the files the INF lists and a taskinfo.ini.\n"
    "\n"
    "  --image DIR      the installation's root folder (drive C:, holding WINDOWS);\n"
    "                   its registry is WINDOWS\\system32\\config\\SYSTEM\n"
    "  --registry FILE  a SYSTEM hive or a regedit export (.reg); overrides the\n"
    "                   image's hive\n"
    "  --to OUT         the backup folder (made when missing)\n"
    "  --sfx            write one self-extracting OUT/pelorin.exe instead, which\n"
    "                   restores the drivers when run on Windows\n"
    "  --all            scan every backupable driver (default: only those not\n"
    "                   shipped with Windows), as pelorin list --all\n"
    "  DESCRIPTION      back up only the drivers with these descriptions, exactly\n"
    "                   as pelorin list shows them (default: every listed driver)\n"
    "\n"
    "Exit status: 0 all backed up, 1 a driver failed or is incomplete, 2 bad\n"
    "arguments or input.\n";

// Progress of the run on stderr: one redrawn line on a terminal, plain lines
// otherwise.
class CliBackupHost : public BackupHost {
 public:
  CliBackupHost(DriverRows& rows, bool terminal) : rows_(rows), terminal_(terminal) {}

  DriverRows& Rows() override { return rows_; }
  void SetStatus(const std::string& text) override {
    status_ = ToTerminal(text);
    if (terminal_ && shown_) {
      Redraw();
    } else {
      EndLine();
      std::fprintf(stderr, "%s\n", status_.c_str());
    }
  }
  void ShowProgress(bool show) override {
    if (!show) EndLine();
    shown_ = show;
  }
  void SetProgressRange(int lower, int upper) override {
    lower_ = lower;
    upper_ = upper;
  }
  void SetProgressPos(int position) override { position_ = position; }
  void SetProgressText(const std::string& text) override {
    text_ = ToTerminal(text);
    if (terminal_) {
      Redraw();
    } else {
      std::fprintf(stderr, "  %d/%d %s\n", position_, upper_, text_.c_str());
    }
  }
  void PostResult(int result) override { result_ = result; }
  void SetIncompleteDrivers(const IncompleteDrivers& drivers) override { incomplete_ = drivers; }
  void PumpMessages() override {}

  // Ends the redrawn line so that a message can stand on its own.
  void EndLine() {
    if (lineOpen_) std::fputc('\n', stderr);
    lineOpen_ = false;
  }
  int result() const { return result_; }
  const IncompleteDrivers& incomplete() const { return incomplete_; }

 private:
  void Redraw() {
    constexpr int kWidth = 24;
    const int span = upper_ - lower_;
    const int filled = span > 0 ? (position_ - lower_) * kWidth / span : 0;
    std::string bar(static_cast<std::size_t>(filled < 0 ? 0 : filled > kWidth ? kWidth : filled), '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r\033[K%s [%s] %d/%d %s", status_.c_str(), bar.c_str(), position_, upper_, text_.c_str());
    std::fflush(stderr);
    lineOpen_ = true;
  }

  DriverRows& rows_;
  bool terminal_;
  bool shown_ = false;
  bool lineOpen_ = false;
  std::string status_, text_;
  int lower_ = 0, upper_ = 100, position_ = 0;
  int result_ = 0;
  IncompleteDrivers incomplete_;
};

// The worker's message boxes as stderr lines. Questions get the answer that
// changes nothing: Abort, Cancel, No.
class CliMessageBoxes : public MessageBoxes {
 public:
  explicit CliMessageBoxes(CliBackupHost& host) : host_(host) {}
  int Show(const std::string& text, const char*, std::uint32_t type) override {
    host_.EndLine();
    std::fprintf(stderr, "pelorin: %s\n", ToTerminal(text).c_str());
    switch (type & 0x0F) {
      case mb::kAbortRetryIgnore:
        return mb::kIdAbort;
      case mb::kOkCancel:
        return mb::kIdCancel;
      case mb::kYesNo:
        return mb::kIdNo;
      default:
        return mb::kIdOk;
    }
  }

 private:
  CliBackupHost& host_;
};

// Options and their values go to the parser; the other words are descriptions.
void SplitWords(const std::vector<std::string>& args, std::vector<std::string>& options,
                std::vector<std::string>& descriptions) {
  const std::set<std::string> takesValue = {"--image", "--registry", "--to"};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--") {
      descriptions.insert(descriptions.end(), args.begin() + static_cast<long>(i) + 1, args.end());
      return;
    }
    if (word.rfind("-", 0) == 0 && word.size() > 1) {
      options.push_back(word);
      if (takesValue.count(word) && i + 1 < args.size()) options.push_back(args[++i]);
    } else {
      descriptions.push_back(word);
    }
  }
}

bool MakeFolders(const std::string& path) {
  std::string sofar;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    sofar = path.substr(0, end);
    if (!sofar.empty() && mkdir(sofar.c_str(), 0777) != 0 && errno != EEXIST) return false;
    start = end + 1;
  }
  return IsDirectory(path);
}

}  // namespace

int BackupCommand(const std::vector<std::string>& args) {
  std::vector<std::string> optionWords, descriptions;
  SplitWords(args, optionWords, descriptions);
  bool all = false;
  std::string image, registryFile, out;
  OptionParser options("backup", kUsage);
  options.Flag("--all", &all);
  bool sfx = false;
  options.Flag("--sfx", &sfx);
  options.Value("--image", &image);
  options.Value("--registry", &registryFile);
  options.Value("--to", &out);
  int exitCode = kExitOk;
  if (!options.Parse(optionWords, exitCode)) return exitCode;
  if (image.empty() && registryFile.empty()) return options.UsageError("--image DIR or --registry FILE is needed");
  if (out.empty()) return options.UsageError("--to OUT is needed");

  MemoryDriverRows rows;
  std::string status;
  MemoryRegistry registry;
  exitCode = ScanOfflineInstallation(image, registryFile, all, registry, rows, status);
  if (exitCode != kExitOk) return exitCode;
  // The backup restores on the installation's machine: it takes that
  // architecture's restorer, and none is built for some.
  const Architecture arch = ArchitectureFromRegistry(registry);
  if (sfx && RestorerResourceId(arch) == kNoRestorer) {
    return InputError(std::string("there is no restorer for ") + InfDecoration(arch) +
                      " installations: --sfx is not available");
  }
  if (sfx && !HasEmbeddedStub(arch)) {
    std::fprintf(stderr, "pelorin: this build carries no %s restorer stub: --sfx is not available\n",
                 InfDecoration(arch));
    return kExitFailure;
  }

  std::set<std::string> wanted;
  for (const std::string& description : descriptions) wanted.insert(posix::Utf8ToGbkLossy(description));
  std::set<std::string> matched;
  for (int row = 0; row < rows.Count(); ++row) {
    const std::string description = rows.Text(row, DriverColumn::Desc);
    const bool tick = wanted.empty() || wanted.count(description) > 0;
    rows.SetTicked(row, tick);
    if (tick) matched.insert(description);
  }
  for (const std::string& description : wanted) {
    if (!matched.count(description)) {
      return InputError("no listed driver is described as \"" + ToTerminal(description) + "\" (see pelorin list" +
                        (all ? " --all" : "") + ")");
    }
  }

  if (!MakeFolders(out)) return InputError(out + ": cannot make the folder");
  const std::string outHost = RealPath(out);
  posix::PosixPlatform platform;
  platform.SetRegistry(&registry);
  if (!image.empty()) platform.MapDrive('C', RealPath(image));
  const std::string outWindows = platform.ToWindowsPath(outHost);
  if (outWindows.empty()) return InputError(out + ": the folder has no Windows path (a name without a GBK form?)");
  const std::string destination = outWindows.back() == '\\' ? outWindows : outWindows + "\\";

  // The self-extracting run writes its manifests into the temporary folder
  // under fixed names: two runs sharing one would pack each other's.
  HostTempFolder temp;
  if (sfx) {
    if (!temp.Make("pelorin-sfx-")) {
      std::fprintf(stderr, "pelorin: cannot make a temporary folder: %s\n", std::strerror(errno));
      return kExitFailure;
    }
    platform.SetTempFolder(temp.Path());
  }

  CliBackupHost host(rows, isatty(STDERR_FILENO) != 0);
  CliMessageBoxes boxes(host);
  platform.SetMessageBoxes(&boxes);
  // The index of C:\WINDOWS holds only while the run's own copies stay outside it.
  FolderBackupOptions runOptions;
  const std::string imageHost = image.empty() ? std::string() : RealPath(image);
  if (!imageHost.empty() && (outHost == imageHost || outHost.rfind(imageHost + "/", 0) == 0)) {
    runOptions.indexedSearch = false;
  }
  std::vector<FolderBackupDriver> drivers;
  EmbeddedStubResources stub;
  platform.SetResources(&stub);
  CSfxWriter writer(platform.Get());
  const int result = sfx ? RunSfxBackup(platform.Get(), host, writer, destination, runOptions)
                         : RunFolderBackup(platform.Get(), host, destination, runOptions, &drivers);
  host.EndLine();

  bool failed = result != BackupResultDone;
  for (const FolderBackupDriver& driver : drivers) {
    if (!driver.infSaved) {
      std::fprintf(stderr, "pelorin: %s: the INF was not saved\n", ToTerminal(driver.description).c_str());
      failed = true;
    }
  }
  switch (result) {
    case BackupResultDone:
      std::printf("%s\n", ToTerminal(texts::kBackupDone).c_str());
      if (sfx) std::printf("%s/%s\n", outHost.c_str(), texts::kSfxOutputName);
      break;
    case BackupResultNothingTicked:
      std::printf("%s\n", ToTerminal(texts::kTickDrivers).c_str());
      break;
    case BackupResultIncomplete:
      std::printf("%s\n", ToTerminal(IncompleteBackupText(host.incomplete())).c_str());
      break;
    default:
      std::printf("pelorin: the backup stopped\n");
      break;
  }
  if (std::fflush(stdout) != 0) return kExitFailure;
  return failed ? kExitFailure : kExitOk;
}

}  // namespace pelorin::cli
