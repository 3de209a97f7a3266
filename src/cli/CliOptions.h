#pragma once
// Shared pieces of the command-line edition: option parsing, failure lines and
// the exit codes every command uses.
#include <string>
#include <vector>

namespace pelorin::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;   // the operation ran and failed
constexpr int kExitBadInput = 2;  // bad options or unusable input files

// Parses "--name", "--name VALUE" and "--name=VALUE" options of one command.
// "--help"/"-h" prints the command's usage to stdout.
class OptionParser {
 public:
  OptionParser(std::string command, std::string usage);

  void Flag(const char* name, bool* out);
  void Value(const char* name, std::string* out);

  // args = the words after the command name. Returns true to go on; false when the
  // command should end now with `exitCode` (0 after --help, 2 after a usage error,
  // which has been printed).
  bool Parse(const std::vector<std::string>& args, int& exitCode);

  // Prints "pelorin COMMAND: message" and the usage to stderr; returns 2.
  int UsageError(const std::string& message) const;

 private:
  struct Option {
    std::string name;
    bool* flag;
    std::string* value;
  };
  std::string command_;
  std::string usage_;
  std::vector<Option> options_;
};

// Prints "pelorin: message" (UTF-8) on stderr and returns kExitBadInput.
int InputError(const std::string& message);

// Converts the program's GBK text for the terminal (UTF-8).
std::string ToTerminal(const std::string& gbk);

// Resolves `parts` below `dir` one by one without regard to letter case, as the
// installation's file system would; empty when a part is missing.
std::string FindNoCase(const std::string& dir, const std::vector<std::string>& parts);

bool IsDirectory(const std::string& path);

// `path` with every link, "." and ".." resolved; empty when it does not exist.
std::string RealPath(const std::string& path);

// A folder of the run's own below $TMPDIR (else /tmp), made exclusively under a
// new name, and removed with everything in it when its owner goes.
class HostTempFolder {
 public:
  HostTempFolder() = default;
  ~HostTempFolder();
  HostTempFolder(const HostTempFolder&) = delete;
  HostTempFolder& operator=(const HostTempFolder&) = delete;

  // `prefix` and six random characters; false (errno set) when it cannot be made.
  bool Make(const char* prefix);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace pelorin::cli
