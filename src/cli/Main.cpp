// pelorin: the command-line edition, for offline Windows installations on Linux.
#include <cstdio>
#include <cstring>

namespace {

constexpr char kUsage[] =
    "usage: pelorin COMMAND [OPTIONS]\n"
    "\n"
    "Lists, backs up and unpacks the device drivers of an offline Windows installation.\n"
    "\n"
    "  --help      show this text\n"
    "  --version   show the version\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::puts("pelorin 1.0.0");
    return 0;
  }
  std::fprintf(stderr, "pelorin: unknown command '%s' (see pelorin --help)\n", argv[1]);
  return 2;
}
