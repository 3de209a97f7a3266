// Container build and unpack throughput next to plain zlib on the same bytes,
// and the process's peak memory, for a 1 MB input and (with --large) 500 MB.
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sfx/SfxWriter.h"
#include "platform/posix/PosixPlatform.h"
#include "sfx/SfxReader.h"

namespace {

using Clock = std::chrono::steady_clock;

class StubResources : public pelorin::Resources {
 public:
  bool Find(const char*, int, const unsigned char** data, std::uint32_t* size) override {
    *data = stub_.data();
    *size = static_cast<std::uint32_t>(stub_.size());
    return true;
  }

 private:
  std::vector<unsigned char> stub_ = std::vector<unsigned char>(64 * 1024, 0x4D);
};

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Driver-like data: text runs mixed with noise, about 3:1 at level 6.
void Generate(const std::string& path, std::uint64_t size) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::vector<unsigned char> chunk(1 << 16);
  std::uint32_t seed = 12345;
  for (std::uint64_t done = 0; done < size;) {
    for (auto& c : chunk) {
      seed = seed * 1103515245u + 12345u;
      c = (seed >> 16) % 5 == 0 ? static_cast<unsigned char>(seed >> 8) : "DriverSys\r\n=,"[(seed >> 20) % 13];
    }
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - done));
    std::fwrite(chunk.data(), 1, n, out);
    done += n;
  }
  std::fclose(out);
}

// Plain level-6 deflate of a file in 4 KiB reads, output discarded.
double PlainDeflate(const std::string& path) {
  const auto start = Clock::now();
  std::FILE* in = std::fopen(path.c_str(), "rb");
  unsigned char input[4096], output[4096];
  z_stream s{};
  deflateInit(&s, 6);
  int flush = Z_NO_FLUSH;
  do {
    s.avail_in = static_cast<uInt>(std::fread(input, 1, sizeof input, in));
    s.next_in = input;
    flush = s.avail_in == 0 ? Z_FINISH : Z_NO_FLUSH;
    do {
      s.next_out = output;
      s.avail_out = sizeof output;
      deflate(&s, flush);
    } while (s.avail_out == 0);
  } while (flush != Z_FINISH);
  deflateEnd(&s);
  std::fclose(in);
  return Seconds(start);
}

// Plain inflate of one stream of a container, output written to a file.
double PlainInflate(const std::string& container, const pelorin::SfxRecord& record, const std::string& outPath) {
  const auto start = Clock::now();
  std::FILE* in = std::fopen(container.c_str(), "rb");
  std::FILE* out = std::fopen(outPath.c_str(), "wb");
  fseeko(in, record.dataOffset, SEEK_SET);
  unsigned char input[4096], output[4096];
  z_stream s{};
  inflateInit(&s);
  std::uint32_t remaining = record.compressedSize;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (s.avail_in == 0) {
      s.avail_in = static_cast<uInt>(std::fread(input, 1, std::min<std::uint32_t>(remaining, sizeof input), in));
      remaining -= s.avail_in;
      s.next_in = input;
    }
    s.next_out = output;
    s.avail_out = sizeof output;
    rc = inflate(&s, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) break;
    std::fwrite(output, 1, sizeof output - s.avail_out, out);
  }
  inflateEnd(&s);
  std::fclose(in);
  std::fclose(out);
  return Seconds(start);
}

void Run(const std::string& dir, std::uint64_t size) {
  pelorin::posix::PosixPlatform posix;
  StubResources resources;
  posix.MapDrive('C', dir);
  posix.SetResources(&resources);
  const std::string host = dir + "/input.bin";
  Generate(host, size);
  const double mb = static_cast<double>(size) / 1e6;

  // The first pass over fresh data pays for the machine warming up; the figure
  // compared is a second, warm one.
  PlainDeflate(host);
  const double plain = PlainDeflate(host);
  pelorin::CSfxWriter writer(posix.Get());
  writer.AddFile("C:\\input.bin");
  auto start = Clock::now();
  const int built = writer.Build(152, "C:\\backup.exe", nullptr, nullptr);
  const double build = Seconds(start);
  const long peakAfterBuild = PeakKiB();

  auto in = posix.Get().files->Open("C:\\backup.exe", pelorin::OpenMode::kReadShared);
  std::vector<pelorin::SfxRecord> records;
  start = Clock::now();
  const pelorin::SfxStatus status = pelorin::UnpackSfx(
      *in,
      [&](const std::string& name) {
        return posix.Get().files->Open("C:\\" + name + ".out", pelorin::OpenMode::kCreateWrite);
      },
      nullptr, &records);
  const double unpack = Seconds(start);
  const double inflateOnly = PlainInflate(dir + "/backup.exe", records.at(0), dir + "/plain.out");
  std::printf("%8.1f MB  build %d: %7.1f MB/s  plain deflate %7.1f MB/s  ratio %.2f\n", mb, built, mb / build,
              mb / plain, plain / build);
  std::printf("%8.1f MB  unpack %s: %7.1f MB/s  plain inflate %7.1f MB/s  ratio %.2f\n", mb,
              pelorin::SfxStatusText(status), mb / unpack, mb / inflateOnly, inflateOnly / unpack);
  std::printf("%8.1f MB  peak RSS after build %ld KiB, after unpack %ld KiB\n", mb, peakAfterBuild, PeakKiB());
  for (const char* f : {"/input.bin", "/backup.exe", "/input.bin.out", "/plain.out"}) unlink((dir + f).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const bool large = argc > 1 && std::strcmp(argv[1], "--large") == 0;
  char pattern[] = "/tmp/pelorin-sfx-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  Run(pattern, 1000000);
  if (large) Run(pattern, 500000000);
  rmdir(pattern);
  return 0;
}
