// Fuzzes the INI engine: any bytes as a profile file, the reads and the buffer
// rules of the profile services, and edits that must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/IniDocument.h"
#include "platform/posix/IniProfile.h"

using pelorin::posix::IniDocument;
using pelorin::posix::IniProfile;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A list copied into a buffer of `size` bytes obeys the service's contract.
void CheckList(const std::vector<std::string>& items, std::uint32_t size) {
  std::vector<char> buf(size + 8, '#');
  const std::uint32_t n = IniProfile::CopyList(items, buf.data(), size);
  if (size == 0) {
    Check(n == 0 && buf[0] == '#');
    return;
  }
  Check(n < size);
  Check(buf[n] == '\0');
  Check(buf[size] == '#');  // nothing past the buffer
  std::size_t total = 1;
  for (const std::string& item : items) total += item.size() + 1;
  if (total > size) Check(size < 2 || (n == size - 2 && buf[size - 1] == '\0'));
  else Check(n == total - 1);
}

void CheckString(const std::string& text, std::uint32_t size) {
  std::vector<char> buf(size + 8, '#');
  const std::uint32_t n = IniProfile::CopyString(text, buf.data(), size);
  if (size == 0) return Check(n == 0 && buf[0] == '#');
  Check(n < size && buf[n] == '\0' && buf[size] == '#');
  Check(text.compare(0, n, buf.data(), n) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::uint32_t small = size ? data[0] % 40 : 0;

  IniDocument doc;
  doc.Parse(bytes);

  // Writing out is a fixed point: what a write leaves parses to the same text.
  const std::string once = doc.Serialize();
  IniDocument again;
  again.Parse(once);
  Check(again.Serialize() == once);

  const std::vector<std::string> names = doc.SectionNames();
  CheckList(names, small);
  for (std::size_t i = 0; i < names.size() && i < 8; ++i) {
    std::vector<std::string> lines, keys;
    Check(doc.SectionLines(names[i], lines));
    Check(doc.KeyNames(names[i], keys));
    CheckList(lines, small);
    for (std::size_t k = 0; k < keys.size() && k < 8; ++k) {
      std::string value;
      Check(doc.FindValue(names[i], keys[k], value));
      CheckString(IniProfile::StripQuotes(value), small);
    }
  }

  // Edits read back: into the first existing section, and into a new one whose
  // name ends in a double-byte character with a "]" trail byte.
  const std::string target = names.empty() ? "Fuzz" : names[0];
  const std::string newSection = "New\x81\x5D";
  doc.SetValue(target, "fuzzkey", " value ");
  doc.SetValue(newSection, "k", "v");
  IniDocument edited;
  edited.Parse(doc.Serialize());
  std::string value;
  Check(edited.FindValue(target, "FUZZKEY", value) && value == "value");
  Check(edited.FindValue(newSection, "K", value) && value == "v");
  Check(edited.DeleteKey(target, "fuzzkey"));
  Check(!edited.FindValue(target, "fuzzkey", value) || value != "value");
  return 0;
}
