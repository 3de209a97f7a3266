// The POSIX backend on a generated host tree: a full recursive walk through
// FindFirst/Next (what one file look-up of a folder backup costs), attribute
// reads, and the profile engine writing and reading a manifest-sized file.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "PosixScratch.h"
#include "platform/posix/PosixPlatform.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::uint64_t Walk(pelorin::FileSystem& fs, const std::string& folder, std::vector<std::string>& files) {
  std::uint64_t entries = 0;
  pelorin::FindEntry entry;
  auto finder = fs.FindFirst(folder + "\\*.*", entry);
  if (!finder) return 0;
  do {
    ++entries;
    if (entry.IsDots()) continue;
    const std::string path = folder + "\\" + entry.name;
    if (entry.IsDirectory()) {
      entries += Walk(fs, path, files);
    } else {
      files.push_back(path);
    }
  } while (finder->Next(entry));
  return entries;
}

}  // namespace

int main(int argc, char** argv) {
  const int kFiles = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int kPerFolder = 40;
  pelorin::testing::PosixScratch scratch;
  scratch.MakeDir("windows");
  int folders = 0;
  for (int made = 0; made < kFiles; ++folders) {
    const std::string dir = "windows/Dir" + std::to_string(folders);
    scratch.MakeDir(dir);
    for (int i = 0; i < kPerFolder && made < kFiles; ++i, ++made) {
      scratch.WriteFile(dir + "/File" + std::to_string(i) + ".sys", "x");
    }
  }

  pelorin::posix::PosixPlatform platform;
  platform.MapDrive('C', scratch.path());
  auto& fs = platform.files();

  std::vector<std::string> files;
  Clock::time_point start = Clock::now();
  // Upper case on purpose: the root folder is matched without regard to case.
  const std::uint64_t entries = Walk(fs, "C:\\WINDOWS", files);
  const double walk = Seconds(start);
  std::printf("walk: %d files in %d folders, %llu entries, %.1f ms (%.0f entries/s)\n", kFiles, folders,
              static_cast<unsigned long long>(entries), walk * 1000, entries / walk);

  start = Clock::now();
  std::uint32_t bad = 0;
  for (const std::string& file : files) bad += fs.GetAttributes(file) == pelorin::attr::kInvalid;
  const double attrs = Seconds(start);
  std::printf("attributes: %zu reads, %.1f us each, %u failed\n", files.size(),
              attrs * 1e6 / static_cast<double>(files.size() ? files.size() : 1), bad);

  auto& ini = platform.profile();
  const std::string manifest = "C:\\taskinfo.ini";
  start = Clock::now();
  for (int i = 0; i < 400; ++i) {
    const std::string key = "file" + std::to_string(i) + ".sys";
    ini.WriteString("SourceDisksFiles", key.c_str(), "1,,", manifest);
  }
  const double writes = Seconds(start);
  std::vector<char> buffer(5200);
  start = Clock::now();
  std::uint32_t n = 0;
  for (int i = 0; i < 100; ++i) n = ini.ReadSection("sourcedisksfiles", buffer.data(), 5200, manifest);
  const double reads = Seconds(start);
  std::printf("profile: 400 key writes %.1f ms (%.0f us each); section read of 400 lines %.0f us (n=%u)\n",
              writes * 1000, writes * 1e6 / 400, reads * 1e6 / 100, n);
  return 0;
}
