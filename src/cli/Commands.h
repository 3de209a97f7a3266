#pragma once
// The commands of the command-line edition; one source file per command.
#include <string>
#include <vector>

namespace pelorin::cli {

struct Command {
  const char* name;
  const char* summary;
  // `args` = the words after the command name; returns the process exit code.
  int (*run)(const std::vector<std::string>& args);
};

int ListCommand(const std::vector<std::string>& args);
int BackupCommand(const std::vector<std::string>& args);
int UnpackCommand(const std::vector<std::string>& args);
int VerifyCommand(const std::vector<std::string>& args);

}  // namespace pelorin::cli
