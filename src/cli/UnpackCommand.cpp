// pelorin unpack FILE --to DIR: checks a self-extracting backup as a whole and
// writes its files into DIR; a backup that fails the check is refused and
// nothing is written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "platform/posix/PosixPlatform.h"
#include "sfx/SfxUnpack.h"
#include "stub/StubTexts.h"

namespace pelorin::cli {

namespace {

constexpr char kUsage[] =
    "usage: pelorin unpack FILE --to DIR\n"
    "\n"
    "Checks the self-extracting backup FILE and writes the files it holds into DIR\n"
    "(made when missing). A damaged backup is refused before anything is written.\n"
    "\n"
    "  --to DIR   the folder to write into\n";

// The entries moved out of the staging folder into DIR, and the folders made
// there for them, so that a move failing half-way takes them all back.
class MoveIntoPlace {
 public:
  MoveIntoPlace(FileSystem& files, const std::string& from, const std::string& to)
      : files_(files), from_(from), to_(to) {}

  bool Move(const std::string& name, std::string& failedPath) {
    if (!MakeSfxEntryFolders(files_, to_, name, made_, &failedPath)) return false;
    if (!files_.MoveReplace(from_ + name, to_ + name)) {
      failedPath = to_ + name;
      return false;
    }
    moved_.push_back(name);
    return true;
  }
  void TakeBack() {
    for (auto it = moved_.rbegin(); it != moved_.rend(); ++it) files_.Delete(to_ + *it);
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) files_.RemoveDir(*it);
  }

 private:
  FileSystem& files_;
  std::string from_, to_;
  std::vector<std::string> moved_, made_;
};

}  // namespace

int UnpackCommand(const std::vector<std::string>& args) {
  OptionParser options("unpack", kUsage);
  std::string to;
  options.Value("--to", &to);
  int exitCode = kExitOk;
  std::vector<std::string> words;
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word.rfind("--", 0) == 0 || word == "-h") {
      rest.push_back(word);
      if ((word == "--to") && i + 1 < args.size()) rest.push_back(args[++i]);
    } else {
      words.push_back(word);
    }
  }
  if (!options.Parse(rest, exitCode)) return exitCode;
  if (words.size() != 1) return options.UsageError("one FILE is needed");
  if (to.empty()) return options.UsageError("--to DIR is needed");

  posix::PosixPlatform platform;
  FileSystem& files = *platform.Get().files;
  const std::string containerPath = platform.ToWindowsPath(RealPath(words[0]));
  std::unique_ptr<FileStream> container =
      containerPath.empty() ? nullptr : files.Open(containerPath, OpenMode::kReadShared);
  if (!container) return InputError(words[0] + ": cannot be opened");

  // Entries go to a private folder inside DIR first and move into DIR once the
  // whole backup unpacked: a stream found damaged half-way neither leaves a
  // partial backup behind nor replaces files DIR already held.
  const bool madeTo = !IsDirectory(to);
  if (madeTo && mkdir(to.c_str(), 0777) != 0) {
    std::fprintf(stderr, "pelorin: %s: %s\n", to.c_str(), std::strerror(errno));
    return kExitFailure;
  }
  std::string staging = to + "/.pelorin-unpack-XXXXXX";
  const std::string toWindows = platform.ToWindowsPath(RealPath(to)) + "\\";
  if (!mkdtemp(&staging[0]) || toWindows.size() < 2) {
    std::fprintf(stderr, "pelorin: %s: cannot make a folder to unpack into\n", to.c_str());
    if (madeTo) rmdir(to.c_str());
    return kExitFailure;
  }
  const std::string stagingWindows = platform.ToWindowsPath(RealPath(staging)) + "\\";

  std::string failedPath;
  const auto Host = [&](const std::string& windowsPath) {
    std::string host;
    return platform.ToHostPath(windowsPath, host) ? host : ToTerminal(windowsPath);
  };
  std::vector<SfxRecord> records;
  SfxStatus status = UnpackSfxToFolder(files, *container, stagingWindows, records, &failedPath);
  std::set<std::string> names;
  MoveIntoPlace mover(files, stagingWindows, toWindows);
  bool moved = true;
  if (status == SfxStatus::kOk) {
    for (const SfxRecord& record : records) {
      if (!names.insert(record.name).second) continue;
      if (!mover.Move(record.name, failedPath)) {
        moved = false;
        break;
      }
    }
  }
  if (!moved) {
    std::fprintf(stderr, "pelorin: %s: cannot be moved into place, nothing written\n", Host(failedPath).c_str());
    mover.TakeBack();
  }
  if (status == SfxStatus::kOk) RemoveSfxEntries(files, stagingWindows, records);
  rmdir(staging.c_str());
  if ((status != SfxStatus::kOk || !moved) && madeTo) rmdir(to.c_str());
  if (!moved) return kExitFailure;
  switch (status) {
    case SfxStatus::kOk:
      std::printf("unpacked %d files into %s\n", static_cast<int>(names.size()), to.c_str());
      return kExitOk;
    case SfxStatus::kCreateFailed:
    case SfxStatus::kWriteFailed:
      std::fprintf(stderr, "pelorin: %s: %s\n", failedPath.empty() ? to.c_str() : Host(failedPath).c_str(),
                   SfxStatusText(status));
      return kExitFailure;
    case SfxStatus::kNoSpace:
      // The restorer's own words for it.
      std::fprintf(stderr, "pelorin: %s: %s\n", to.c_str(), ToTerminal(stubtexts::kDiskSpace).c_str());
      return kExitFailure;
    default:
      return InputError(words[0] + ": " + SfxStatusText(status) + ", nothing written");
  }
}

}  // namespace pelorin::cli
