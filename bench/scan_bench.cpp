// Prints how long the driver scan takes over generated class branches of 2,000,
// 20,000 and 200,000 instance keys, to show that the cost per key stays flat.
#include <chrono>
#include <cstdio>
#include <string>

#include "inventory/DriverScan.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/posix/MemoryRegistry.h"
#include "RegFileWriter.h"
#include "platform/posix/RegistryFiles.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// `instances` keys spread over 40 classes; one in four provided by "Microsoft",
// one in ten a repeated description, one in twenty without MatchingDeviceId.
void Fill(pelorin::MemoryRegistry& reg, int instances) {
  const std::string root = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
  const int classes = 40;
  for (int c = 0; c < classes; ++c) {
    char key[64];
    std::snprintf(key, sizeof key, "{4d36e9%02x-e325-11ce-bfc1-08002be10318}", c);
    reg.SetString(root + key, "", "设备类 " + std::to_string(c));
  }
  for (int i = 0; i < instances; ++i) {
    char path[160];
    std::snprintf(path, sizeof path, "%s{4d36e9%02x-e325-11ce-bfc1-08002be10318}\\%04d",
                  root.c_str(), i % classes, i / classes);
    int desc = i % 10 == 9 ? i - 1 : i;
    reg.SetString(path, "DriverDesc", "驱动程序 Device " + std::to_string(desc));
    reg.SetString(path, "ProviderName", i % 4 == 0 ? "Microsoft" : "Vendor " + std::to_string(i % 97));
    reg.SetString(path, "DriverDate", "6-21-2006");
    reg.SetString(path, "DriverVersion", "10.0." + std::to_string(i));
    reg.SetString(path, "InfPath", "oem" + std::to_string(i) + ".inf");
    if (i % 20 != 19) reg.SetString(path, "MatchingDeviceId", "pci\\ven_8086&dev_" + std::to_string(i));
    reg.SetString(path, "InfSection", "Install");
  }
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::printf("%10s %10s %12s %12s %10s %10s %12s\n", "instances", "build ms", "scan mode1", "scan mode0",
              "rows m1", "rows m0", "us/instance");
  for (int instances : {2000, 20000, 200000}) {
    pelorin::MemoryRegistry reg;
    Clock::time_point start = Clock::now();
    Fill(reg, instances);
    double build = Ms(start);

    pelorin::DriverDescMap map;
    pelorin::MemoryDriverRows rows1, rows0;
    start = Clock::now();
    pelorin::ScanDrivers(reg, pelorin::ScanMode::NotOnSystemDisc, map, rows1);
    double mode1 = Ms(start);
    start = Clock::now();
    pelorin::ScanDrivers(reg, pelorin::ScanMode::AllBackupable, map, rows0);
    double mode0 = Ms(start);
    std::printf("%10d %10.1f %12.1f %12.1f %10d %10d %12.2f\n", instances, build, mode1, mode0,
                rows1.Count(), rows0.Count(), mode0 * 1000.0 / instances);
  }
  // The .reg round trip of the 20,000-key branch: export, then load back.
  pelorin::MemoryRegistry reg;
  Fill(reg, 20000);
  Clock::time_point start = Clock::now();
  std::string exported = pelorin::ExportRegV5(reg, "SYSTEM\\CurrentControlSet\\Control\\Class");
  double exportMs = Ms(start);
  pelorin::MemoryRegistry back;
  std::string error;
  start = Clock::now();
  bool ok = pelorin::LoadRegExport(exported, "bench.reg", back, error);
  std::printf("export of 20000 instances: %.1f ms (%zu KiB); load: %.1f ms%s\n", exportMs,
              exported.size() / 1024, Ms(start), ok ? "" : (" FAILED: " + error).c_str());
  return ok ? 0 : 1;
}
