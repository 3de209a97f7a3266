#pragma once
// Sequences of profile-file calls and file operations, run on whatever backend
// `platform` is, each in its own folder below `root` (a full Windows path of an
// empty folder). The transcript holds results, last-error codes and the bytes
// of the files written, never a path of the machine that ran it.
#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace pelorin::differential {

// One "key: value" line per observation, in the order the steps ran.
class Transcript {
 public:
  // `known`: the reason wine is known to differ from Windows here; the line's
  // key starts with "~reason" and the comparison lets its value differ.
  void Line(const std::string& key, const std::string& value, const char* known = nullptr) {
    text_ += (known ? "~" + std::string(known) + " " : std::string()) + key + ": " + value + "\n";
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

inline std::string Hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) out += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
  return out;
}

// Printable ASCII as is, everything else (GBK bytes included) as \xHH.
inline std::string Escape(const std::string& bytes) {
  std::string out;
  for (char c : bytes) out += c >= 0x20 && c < 0x7F && c != '\\' ? std::string(1, c) : "\\x" + Hex(std::string(1, c));
  return out;
}

inline std::string HexNumber(std::uint32_t value) {
  const char bytes[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
  return "0x" + Hex(std::string(bytes, 4));
}

void RunProfileScenarios(const Platform& platform, const std::string& root, Transcript& out);
// `asRoot`: the programs run as root, where wine writes over read-only files.
void RunFileScenarios(const Platform& platform, const std::string& root, bool asRoot, Transcript& out);

// Shared by both groups: a fresh folder for scenario `name` below `root`.
std::string ScenarioFolder(const Platform& platform, const std::string& root, const std::string& name);
// Raw file contents through the platform's streams ("" when unreadable).
std::string ReadBytes(const Platform& platform, const std::string& path);
void WriteBytes(const Platform& platform, const std::string& path, const std::string& bytes);

}  // namespace pelorin::differential
