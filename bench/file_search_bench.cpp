// The look-ups of one folder backup run below C:\WINDOWS, on the POSIX backend
// over a tree built in a scratch folder: a walk of the whole tree per listed
// file, against one listing kept as an index. Prints wall time,
// directory entries read and peak heap for each, and checks that both give the
// same answers.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "FaultyFileSystem.h"
#include "backup/DriverFileSet.h"

namespace {

// Heap use of the program, counted in operator new/delete.
std::size_t g_current = 0;
std::size_t g_peak = 0;

struct Figures {
  double seconds;
  std::uint64_t entries;
  std::size_t peakBytes;
};

}  // namespace

void* operator new(std::size_t size) {
  auto* block = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
  if (!block) throw std::bad_alloc();
  *block = size;
  g_current += size;
  if (g_current > g_peak) g_peak = g_current;
  return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}
// Not inlined: at a std::string's inline buffer the compiler would warn of the header read before it.
__attribute__((noinline)) void operator delete(void* pointer) noexcept {
  if (!pointer) return;
  auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(pointer) - sizeof(std::max_align_t));
  g_current -= *block;
  std::free(block);
}
void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }

int main(int argc, char** argv) {
  const int kFiles = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int kDrivers = 50, kListed = 10, kPerFolder = 40;

  // C:\WINDOWS with nested folders of kPerFolder files each; the drivers' files
  // are spread over the tree, some of them twice (a cache copy and the real one).
  pelorin::testing::FaultyFileSystem files;
  const pelorin::testing::PosixScratch& host = files.scratch;
  std::mt19937 random(7);
  std::vector<std::string> folders = {"c/WINDOWS"};
  host.MakeDir(folders[0]);
  int made = 0;
  while (made < kFiles) {
    const std::string folder = folders[random() % folders.size()] + "/dir" + std::to_string(folders.size());
    host.MakeDir(folder);
    folders.push_back(folder);
    for (int i = 0; i < kPerFolder && made < kFiles; ++i, ++made) {
      host.WriteFile(folder + "/file" + std::to_string(made) + ".dat", "");
    }
  }
  std::vector<std::string> names;
  for (int d = 0; d < kDrivers; ++d) {
    for (int k = 0; k < kListed; ++k) {
      const std::string name = "drv" + std::to_string(d) + "_" + std::to_string(k) + (k % 2 ? ".sys" : ".dll");
      names.push_back(k == 9 ? "missing" + name : name);
      if (k == 9) continue;
      host.WriteFile(folders[random() % folders.size()] + "/" + name, "");
      if (k % 3 == 0) host.WriteFile(folders[random() % folders.size()] + "/" + name, "");
    }
  }

  auto measure = [&](bool indexed, std::vector<std::string>& answers) {
    const std::uint64_t entriesBefore = files.EntriesRead();
    const std::size_t base = g_current;
    g_peak = g_current;
    const auto start = std::chrono::steady_clock::now();
    {
      pelorin::CDriverFileFinder finder(files, "C:\\WINDOWS", indexed);
      for (const std::string& name : names) {
        std::string out;
        finder.Find(name, out);
        answers.push_back(out);
      }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return Figures{elapsed.count(), files.EntriesRead() - entriesBefore, g_peak - base};
  };

  std::vector<std::string> literalAnswers, indexedAnswers;
  literalAnswers.reserve(names.size());
  indexedAnswers.reserve(names.size());
  const Figures literal = measure(false, literalAnswers);
  const Figures indexed = measure(true, indexedAnswers);

  std::printf("tree: %d files in %zu folders below C:\\WINDOWS; %d drivers x %d listed files = %zu look-ups\n",
              made + kDrivers * kListed, folders.size(), kDrivers, kListed, names.size());
  std::printf("%-14s %12s %18s %16s\n", "search", "wall (s)", "entries read", "peak heap (KiB)");
  std::printf("%-14s %12.3f %18llu %16zu\n", "walk per file", literal.seconds,
              static_cast<unsigned long long>(literal.entries), literal.peakBytes / 1024);
  std::printf("%-14s %12.3f %18llu %16zu\n", "one index", indexed.seconds,
              static_cast<unsigned long long>(indexed.entries), indexed.peakBytes / 1024);
  const bool same = literalAnswers == indexedAnswers;
  std::printf("answers identical: %s\n", same ? "yes" : "NO");
  return same ? 0 : 1;
}
