// Runs every scenario on this build's backend in an empty host folder and
// prints the transcript (binary, "\n" lines) on stdout.
//   pelorin_differential HOST_FOLDER [--as-root]
#include <algorithm>
#include <cstdio>
#include <string>

#include "Scenarios.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/win32/Win32Platform.h"
#else
#include "platform/posix/PosixPlatform.h"
#endif

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string host = argv[1];
  const bool asRoot = argc > 2 && std::string(argv[2]) == "--as-root";
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
  pelorin::win32::Win32Platform platform;
  // Wine shows the host's "/" as drive Z:.
  std::string root = "Z:" + host;
  std::replace(root.begin(), root.end(), '/', '\\');
#else
  pelorin::posix::PosixPlatform platform;
  const std::string root = platform.ToWindowsPath(host);
#endif
  if (root.empty()) return 2;
  pelorin::differential::Transcript out;
  pelorin::differential::RunProfileScenarios(platform.Get(), root, out);
  pelorin::differential::RunFileScenarios(platform.Get(), root, asRoot, out);
  std::fwrite(out.Text().data(), 1, out.Text().size(), stdout);
  return 0;
}
