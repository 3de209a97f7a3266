// A backup's cost next to the least it can cost: builds an offline installation
// on disk (small files in many folders below WINDOWS, drivers whose INFs list
// files of 256 KB, no driver store), then times `pelorin backup --all` against
// `find WINDOWS > /dev/null` plus `cp` of the same files, each warm and in
// turn (wall-clock and user+system time), and the file index's heap (peak
// while built, kept after).
//   bench_backup_walk [FILES...]     default: 100000 300000
//   PELORIN_BENCH_KEEP=1: keep the generated installation
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "backup/DriverFileSet.h"
#include "platform/posix/PosixPlatform.h"

namespace {

std::atomic<std::size_t> g_heap{0};
std::atomic<std::size_t> g_peak{0};

}  // namespace

// Heap use counted for the index figures (a size word before each block).
void* operator new(std::size_t size) {
  auto* block = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
  if (!block) throw std::bad_alloc();
  *block = size;
  const std::size_t now = g_heap += size;
  std::size_t peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {}
  return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}
void operator delete(void* p) noexcept {
  if (!p) return;
  auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(p) - sizeof(std::max_align_t));
  g_heap -= *block;
  std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDrivers = 20;
constexpr int kListedPerDriver = 10;
constexpr int kListedSize = 256 * 1024;
constexpr int kRuns = 7;

void Check(bool ok, const std::string& what) {
  if (ok) return;
  std::fprintf(stderr, "bench_backup_walk: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

void MakeDir(const std::string& path) { Check(mkdir(path.c_str(), 0777) == 0 || errno == EEXIST, path); }

void WriteFile(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  Check(fd >= 0, path);
  Check(bytes.empty() || write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), path);
  close(fd);
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Small files in folders of 40, two levels deep (50 groups), numbered on from `from`.
void AddFillerFiles(const std::string& windows, int from, int to) {
  for (int i = from; i < to; ++i) {
    const int folder = i / 40;
    const std::string group = windows + "/Pkg" + std::to_string(folder % 50);
    const std::string dir = group + "/Comp" + std::to_string(folder);
    if (i % 40 == 0 || i == from) {
      MakeDir(group);
      MakeDir(dir);
    }
    WriteFile(dir + "/File" + std::to_string(i % 40) + (i % 3 ? ".dll" : ".mui"), "");
  }
}

// The drivers' INFs, PNFs and listed files, and the registry export naming them.
std::vector<std::string> AddDrivers(const std::string& root) {
  const std::string windows = root + "/WINDOWS";
  MakeDir(windows);
  MakeDir(windows + "/inf");
  MakeDir(windows + "/System32");
  MakeDir(windows + "/System32/drivers");
  std::vector<std::string> saved;
  const std::string payload(kListedSize, 'd');
  std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n";
  const std::string classKey =
      "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e972-e325-11ce-bfc1-08002be10318}";
  reg += "[" + classKey + "]\r\n@=\"Network adapters\"\r\n\"Class\"=\"Net\"\r\n\r\n";
  for (int d = 0; d < kDrivers; ++d) {
    const std::string inf = "oem" + std::to_string(d + 1);
    std::string text = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Net\r\n\r\n[SourceDisksFiles]\r\n";
    for (int k = 0; k < kListedPerDriver; ++k) {
      const std::string file = "drv" + std::to_string(d) + "f" + std::to_string(k) + ".sys";
      text += file + "=1,,\r\n";
      const std::string path = windows + "/System32/drivers/" + file;
      WriteFile(path, payload);
      saved.push_back(path);
    }
    WriteFile(windows + "/inf/" + inf + ".inf", text);
    WriteFile(windows + "/inf/" + inf + ".PNF", "pnf");
    saved.push_back(windows + "/inf/" + inf + ".inf");
    saved.push_back(windows + "/inf/" + inf + ".PNF");
    char key[8];
    std::snprintf(key, sizeof key, "%04d", d);
    reg += "[" + classKey + "\\" + key + "]\r\n\"DriverDesc\"=\"Bench Adapter " + std::to_string(d) +
           "\"\r\n\"ProviderName\"=\"Bench Vendor\"\r\n\"DriverDate\"=\"4-12-2021\"\r\n"
           "\"DriverVersion\"=\"1.0." + std::to_string(d) + "\"\r\n\"InfPath\"=\"" + inf +
           ".inf\"\r\n\"InfSection\"=\"Install\"\r\n\"MatchingDeviceId\"=\"pci\\\\ven_1234&dev_" +
           std::to_string(d) + "\"\r\n\r\n";
  }
  WriteFile(root + "/system.reg", reg);
  return saved;
}

struct Figures {
  double median, low, high;  // wall-clock seconds
  double cpu;                // median user + system seconds of the command and its children
};

struct Timed {
  std::string prepare, command;
  std::vector<double> wall, cpu;
  Figures Summary() {
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], wall.front(), wall.back(), cpu[cpu.size() / 2]};
  }
};

double ChildrenCpu() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Each command timed warm, after an untimed `prepare` each time; the commands
// take turns, so a change in the machine's load falls on both alike.
void TimeInTurn(std::array<Timed, 2>& commands) {
  for (Timed& c : commands) Check(Shell(c.prepare) == 0 && Shell(c.command) == 0, "warm-up of: " + c.command);
  for (int i = 0; i < kRuns; ++i) {
    for (Timed& c : commands) {
      Check(Shell(c.prepare) == 0, c.prepare);
      const double cpu = ChildrenCpu();
      const Clock::time_point start = Clock::now();
      Check(Shell(c.command) == 0, c.command);
      c.wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
      c.cpu.push_back(ChildrenCpu() - cpu);
    }
  }
}

void IndexMemory(const std::string& root, std::uint64_t& entries, double& peakMiB, double& keptMiB) {
  pelorin::posix::PosixPlatform platform;
  platform.MapDrive('C', root);
  const std::size_t before = g_heap.load();
  g_peak = before;
  {
    pelorin::CFileTreeIndex index(platform.files(), "C:\\WINDOWS");
    std::string out;
    index.Find("drv0f0.sys", out);
    Check(!out.empty(), "the index found no listed file");
    keptMiB = static_cast<double>(g_heap.load() - before) / (1 << 20);
    entries = index.EntriesRead();
  }
  peakMiB = static_cast<double>(g_peak.load() - before) / (1 << 20);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {100000, 300000};
  std::sort(sizes.begin(), sizes.end());

  const char* tmp = std::getenv("TMPDIR");
  std::string scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/pelorin-walk-XXXXXX";
  Check(mkdtemp(&scratch[0]) != nullptr, scratch);
  const std::string root = scratch + "/root";
  MakeDir(root);
  const std::vector<std::string> saved = AddDrivers(root);
  std::string copyList;
  for (const std::string& file : saved) copyList += " '" + file + "'";

  std::printf("%9s %8s %18s %18s %7s %9s %11s %11s %9s\n", "files", "gen s", "backup s (spread)",
              "find+cp s (spread)", "ratio", "cpu ratio", "index peak", "index kept", "entries");
  int made = 0;
  for (int files : sizes) {
    const Clock::time_point start = Clock::now();
    AddFillerFiles(root + "/WINDOWS", made, files);
    made = files;
    const double gen = std::chrono::duration<double>(Clock::now() - start).count();

    const std::string out = scratch + "/out";
    const std::string copies = scratch + "/copies";
    std::array<Timed, 2> runs;
    runs[0].prepare = "rm -rf '" + out + "'";
    runs[0].command = "'" PELORIN_CLI_PATH "' backup --all --registry '" + root + "/system.reg' --image '" + root +
                      "' --to '" + out + "' >/dev/null 2>&1";
    runs[1].prepare = "rm -rf '" + copies + "' && mkdir '" + copies + "'";
    runs[1].command = "find '" + root + "/WINDOWS' >/dev/null && cp" + copyList + " '" + copies + "'";
    TimeInTurn(runs);
    const Figures backup = runs[0].Summary();
    const Figures baseline = runs[1].Summary();
    std::uint64_t entries = 0;
    double peak = 0, kept = 0;
    IndexMemory(root, entries, peak, kept);
    std::printf("%9d %8.1f %6.3f %.3f-%.3f %6.3f %.3f-%.3f %7.2f %9.2f %7.1f MiB %7.1f MiB %9llu\n", files, gen,
                backup.median, backup.low, backup.high, baseline.median, baseline.low, baseline.high,
                backup.median / baseline.median, backup.cpu / baseline.cpu, peak, kept,
                static_cast<unsigned long long>(entries));
    std::printf("%9s %8s cpu (user+sys) s: backup %.3f, find+cp %.3f\n", "", "", backup.cpu, baseline.cpu);
  }
  // PELORIN_BENCH_KEEP=1 leaves the installation for strace or perf.
  if (std::getenv("PELORIN_BENCH_KEEP")) {
    std::printf("kept: %s\n", scratch.c_str());
  } else {
    Shell("rm -rf '" + scratch + "'");
  }
  return 0;
}
