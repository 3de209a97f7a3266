// pelorin: the command-line edition, for offline Windows installations on Linux.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Commands.h"

namespace {

using pelorin::cli::Command;

const Command kCommands[] = {
    {"list", "list the drivers of an offline installation", pelorin::cli::ListCommand},
    {"backup", "back up drivers into one folder per driver", pelorin::cli::BackupCommand},
    {"unpack", "check a self-extracting backup and write out its files", pelorin::cli::UnpackCommand},
    {"verify", "check that a backup holds each driver's complete package", pelorin::cli::VerifyCommand},
};

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: pelorin COMMAND [OPTIONS]\n"
      "\n"
      "Lists, backs up, unpacks and verifies the device drivers of an offline Windows installation.\n"
      "\n"
      "commands:\n",
      out);
  for (const Command& c : kCommands) std::fprintf(out, "  %-10s  %s\n", c.name, c.summary);
  std::fputs(
      "\n"
      "  --help      show this text (pelorin COMMAND --help: the command's options)\n"
      "  --version   show the version\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? pelorin::cli::kExitBadInput : pelorin::cli::kExitOk;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::puts("pelorin 1.0.0");
    return pelorin::cli::kExitOk;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0)
      return c.run(std::vector<std::string>(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "pelorin: unknown command '%s' (see pelorin --help)\n", argv[1]);
  return pelorin::cli::kExitBadInput;
}
