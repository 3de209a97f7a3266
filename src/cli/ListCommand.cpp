// pelorin list: the drivers the scan offers, from an offline installation's registry.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/OfflineScan.h"
#include "inventory/DriverScan.h"
#include "inventory/ListPresenter.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/posix/RegText.h"

namespace pelorin::cli {
namespace {

constexpr char kUsage[] =
    "usage: pelorin list [--all] [--tsv] (--image DIR | --registry FILE)\n"
    "\n"
    "Lists the drivers found in the registry of an offline Windows installation,\n"
    "newest first.\n"
    "\n"
    "  --image DIR      the installation's root folder (the one holding WINDOWS);\n"
    "                   its registry is WINDOWS\\system32\\config\\SYSTEM\n"
    "  --registry FILE  a SYSTEM hive or a regedit export (.reg); overrides the\n"
    "                   image's hive\n"
    "  --all            every backupable driver (default: only those not shipped\n"
    "                   with Windows, i.e. provider other than \"Microsoft\")\n"
    "  --tsv            one tab-separated line per driver (UTF-8), status on stderr\n";

// Terminal columns a text takes: East Asian wide characters count two.
std::size_t DisplayWidth(const std::string& utf8) {
  std::size_t width = 0;
  for (char16_t c : regtext::Utf8ToUtf16(utf8)) {
    if (c >= 0xDC00 && c <= 0xDFFF) continue;  // second half of a pair
    bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0xD800 && c <= 0xDBFF);
    width += wide ? 2 : 1;
  }
  return width;
}

// Registry text may hold tabs or line breaks; one row must stay one line.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

void PrintTable(MemoryDriverRows& rows, const std::string& status) {
  std::vector<std::vector<std::string>> table;
  std::vector<std::string> header;
  for (const ListColumnLayout& column : kListColumns) header.push_back(ToTerminal(column.header));
  table.push_back(header);
  for (int r = 0; r < rows.Count(); ++r) {
    std::vector<std::string> line;
    for (int c = 0; c < kDriverColumnCount; ++c)
      line.push_back(OneLine(ToTerminal(rows.Text(r, static_cast<DriverColumn>(c)))));
    table.push_back(line);
  }
  std::vector<std::size_t> widths(kDriverColumnCount, 0);
  for (const auto& line : table)
    for (int c = 0; c < kDriverColumnCount; ++c)
      if (DisplayWidth(line[c]) > widths[c]) widths[c] = DisplayWidth(line[c]);
  for (const auto& line : table) {
    std::string out;
    for (int c = 0; c < kDriverColumnCount; ++c) {
      out += line[c];
      if (c + 1 < kDriverColumnCount) out += std::string(widths[c] - DisplayWidth(line[c]) + 2, ' ');
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    std::printf("%s\n", out.c_str());
  }
  std::printf("%s\n", ToTerminal(status).c_str());
}

}  // namespace

int ListCommand(const std::vector<std::string>& args) {
  bool all = false;
  bool tsv = false;
  std::string image;
  std::string registryFile;
  OptionParser options("list", kUsage);
  options.Flag("--all", &all);
  options.Flag("--tsv", &tsv);
  options.Value("--image", &image);
  options.Value("--registry", &registryFile);
  int exitCode = kExitOk;
  if (!options.Parse(args, exitCode)) return exitCode;
  if (image.empty() && registryFile.empty())
    return options.UsageError("--image DIR or --registry FILE is needed");

  MemoryDriverRows rows;
  std::string status;
  MemoryRegistry registry;
  exitCode = ScanOfflineInstallation(image, registryFile, all, registry, rows, status);
  if (exitCode != kExitOk) return exitCode;

  if (tsv) {
    for (int r = 0; r < rows.Count(); ++r) {
      std::string line;
      for (int c = 0; c < kDriverColumnCount; ++c) {
        if (c > 0) line += '\t';
        line += OneLine(ToTerminal(rows.Text(r, static_cast<DriverColumn>(c))));
      }
      std::printf("%s\n", line.c_str());
    }
    std::fprintf(stderr, "%s\n", ToTerminal(status).c_str());
  } else {
    PrintTable(rows, status);
  }
  return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
}

}  // namespace pelorin::cli
