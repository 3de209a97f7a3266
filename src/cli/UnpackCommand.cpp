// pelorin unpack FILE --to DIR: checks a self-extracting backup as a whole and
// writes its files into DIR; a backup that fails the check is refused and
// nothing is written.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "stub/SfxReader.h"

namespace pelorin::cli {

namespace {

constexpr char kUsage[] =
    "usage: pelorin unpack FILE --to DIR\n"
    "\n"
    "Checks the self-extracting backup FILE and writes the files it holds into DIR\n"
    "(made when missing). A damaged backup is refused before anything is written.\n"
    "\n"
    "  --to DIR   the folder to write into\n";

// A host file as a FileStream.
class HostFile : public FileStream {
 public:
  explicit HostFile(std::FILE* file) : file_(file) {}
  ~HostFile() override {
    if (file_) std::fclose(file_);
  }
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;

  // fclose reports the last buffered write failing (a full disk).
  bool Close() {
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }
  bool Read(void* buffer, std::uint32_t size, std::uint32_t* got) override {
    *got = static_cast<std::uint32_t>(std::fread(buffer, 1, size, file_));
    return !std::ferror(file_);
  }
  bool Write(const void* buffer, std::uint32_t size) override {
    return std::fwrite(buffer, 1, size, file_) == size;
  }
  bool Seek(std::int64_t offset, SeekOrigin origin) override {
    const int whence = origin == SeekOrigin::kBegin ? SEEK_SET : origin == SeekOrigin::kCurrent ? SEEK_CUR : SEEK_END;
    return fseeko(file_, static_cast<off_t>(offset), whence) == 0;
  }
  std::uint64_t Position() override { return static_cast<std::uint64_t>(ftello(file_)); }
  std::uint64_t Length() override {
    struct stat st;
    return fstat(fileno(file_), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  }

 private:
  std::FILE* file_;
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

  std::FILE* raw = std::fopen(words[0].c_str(), "rb");
  if (!raw) return InputError(words[0] + ": " + std::strerror(errno));
  HostFile container(raw);

  // Entries go to a private folder inside DIR first and move into DIR once the
  // whole backup unpacked: a stream found damaged half-way neither leaves a
  // partial backup behind nor replaces files DIR already held.
  const bool madeTo = !IsDirectory(to);
  const std::string staging = to + "/.pelorin-unpack-" + std::to_string(getpid());
  std::string failedPath;
  std::vector<std::string> names;
  const SfxStatus status = UnpackSfx(
      container,
      [&](const std::string& name) -> std::unique_ptr<FileStream> {
        for (const std::string& dir : {to, staging}) {
          if (!IsDirectory(dir) && mkdir(dir.c_str(), 0777) != 0) {
            failedPath = dir;
            return nullptr;
          }
        }
        // Stored names are GBK; the host's names are UTF-8.
        const std::string path = staging + "/" + ToTerminal(name);
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!out) {
          failedPath = path;
          return nullptr;
        }
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        return std::make_unique<HostFile>(out);
      },
      [&](const std::string& name) { unlink((staging + "/" + ToTerminal(name)).c_str()); }, nullptr);
  if (status == SfxStatus::kOk) {
    for (const std::string& name : names) {
      const std::string host = ToTerminal(name);
      if (std::rename((staging + "/" + host).c_str(), (to + "/" + host).c_str()) != 0) {
        std::fprintf(stderr, "pelorin: %s/%s: %s\n", to.c_str(), host.c_str(), std::strerror(errno));
        return kExitFailure;
      }
    }
  }
  rmdir(staging.c_str());
  if (status != SfxStatus::kOk && madeTo) rmdir(to.c_str());
  const int written = static_cast<int>(names.size());
  switch (status) {
    case SfxStatus::kOk:
      std::printf("unpacked %d files into %s\n", written, to.c_str());
      return kExitOk;
    case SfxStatus::kCreateFailed:
    case SfxStatus::kWriteFailed:
      std::fprintf(stderr, "pelorin: %s: %s\n", failedPath.empty() ? to.c_str() : failedPath.c_str(),
                   SfxStatusText(status));
      return kExitFailure;
    default:
      return InputError(words[0] + ": " + SfxStatusText(status) + ", nothing written");
  }
}

}  // namespace pelorin::cli
