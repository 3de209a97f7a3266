#include "cli/CliOptions.h"

#include <dirent.h>
#include <ftw.h>
#include <strings.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/posix/Encoding.h"
#include "platform/posix/Handles.h"

namespace pelorin::cli {

OptionParser::OptionParser(std::string command, std::string usage)
    : command_(std::move(command)), usage_(std::move(usage)) {}

void OptionParser::Flag(const char* name, bool* out) { options_.push_back({name, out, nullptr}); }

void OptionParser::Value(const char* name, std::string* out) {
  options_.push_back({name, nullptr, out});
}

bool OptionParser::Parse(const std::vector<std::string>& args, int& exitCode) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(usage_.c_str(), stdout);
      exitCode = kExitOk;
      return false;
    }
    std::string name = arg;
    std::string inlineValue;
    bool hasInline = false;
    std::size_t eq = arg.find('=');
    if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      inlineValue = arg.substr(eq + 1);
      hasInline = true;
    }
    const Option* option = nullptr;
    for (const Option& o : options_)
      if (o.name == name) option = &o;
    if (!option) {
      exitCode = UsageError(arg.rfind("-", 0) == 0 ? "unknown option '" + arg + "'"
                                                   : "unexpected argument '" + arg + "'");
      return false;
    }
    if (option->flag) {
      if (hasInline) {
        exitCode = UsageError("option '" + name + "' takes no value");
        return false;
      }
      *option->flag = true;
    } else if (hasInline) {
      *option->value = inlineValue;
    } else if (i + 1 < args.size()) {
      *option->value = args[++i];
    } else {
      exitCode = UsageError("option '" + name + "' needs a value");
      return false;
    }
  }
  return true;
}

int OptionParser::UsageError(const std::string& message) const {
  std::fprintf(stderr, "pelorin %s: %s\n%s", command_.c_str(), message.c_str(), usage_.c_str());
  return kExitBadInput;
}

int InputError(const std::string& message) {
  std::fprintf(stderr, "pelorin: %s\n", message.c_str());
  return kExitBadInput;
}

std::string ToTerminal(const std::string& gbk) { return posix::GbkToUtf8Lossy(gbk); }

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FindNoCase(const std::string& dir, const std::vector<std::string>& parts) {
  std::string current = dir;
  for (const std::string& part : parts) {
    const posix::UniqueDir listing(opendir(current.c_str()));
    if (!listing) return std::string();
    std::string found;
    while (dirent* entry = readdir(listing.get())) {
      if (strcasecmp(entry->d_name, part.c_str()) == 0) {
        found = entry->d_name;
        if (found == part) break;  // an exact match wins over a case variant
      }
    }
    if (found.empty()) return std::string();
    current += (current.empty() || current.back() == '/' ? "" : "/") + found;
  }
  return current;
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool HostTempFolder::Make(const char* prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
  if (!mkdtemp(&pattern[0])) return false;
  path_ = pattern;
  return true;
}

HostTempFolder::~HostTempFolder() {
  if (path_.empty()) return;
  nftw(path_.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
       FTW_DEPTH | FTW_PHYS);
}

}  // namespace pelorin::cli
