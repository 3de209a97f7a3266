// Any bytes as a profile file: the reads, the buffer rules of the profile services, and edits that must read back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/IniDocument.h"
#include "platform/posix/IniProfile.h"

using namespace pelorin::posix;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A copy into a buffer of `size` bytes: never past the buffer; a string cut to fit; a list ending in two NULs when cut.
void CheckCopy(const std::vector<std::string>* items, const std::string& text, std::uint32_t size) {
  std::vector<char> buf(size + 8, '#');
  const std::uint32_t n =
      items ? IniProfile::CopyList(*items, buf.data(), size) : IniProfile::CopyString(text, buf.data(), size);
  Check(buf[size] == '#');
  if (size == 0) return Check(n == 0 && buf[0] == '#');
  Check(n < size && buf[n] == '\0');
  if (!items) return Check(text.compare(0, n, buf.data(), n) == 0);
  std::size_t total = 1;
  for (const std::string& item : *items) total += item.size() + 1;
  Check(total > size ? size < 2 || (n == size - 2 && buf[size - 1] == '\0') : n == total - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint32_t small = size ? data[0] % 40 : 0;
  IniDocument doc;
  doc.Parse(std::string(reinterpret_cast<const char*>(data), size));
  // Writing out is a fixed point.
  const std::string once = doc.Serialize();
  IniDocument again;
  again.Parse(once);
  Check(again.Serialize() == once);

  const std::vector<std::string> names = doc.SectionNames();
  CheckCopy(&names, "", small);
  for (std::size_t i = 0; i < names.size() && i < 8; ++i) {
    std::vector<std::string> lines, keys;
    Check(doc.SectionLines(names[i], lines) && doc.KeyNames(names[i], keys));
    CheckCopy(&lines, "", small);
    for (std::size_t k = 0; k < keys.size() && k < 8; ++k) {
      std::string value;
      Check(doc.FindValue(names[i], keys[k], value));
      CheckCopy(nullptr, IniProfile::StripQuotes(value), small);
    }
  }
  // Edits read back, also in a section whose name ends in a double-byte character with a "]" trail byte.
  const std::string target = names.empty() ? "Fuzz" : names[0], added = "New\x81\x5D";
  doc.SetValue(target, "fuzzkey", " value ");
  doc.SetValue(added, "k", "v");
  IniDocument edited;
  edited.Parse(doc.Serialize());
  std::string value;
  Check(edited.FindValue(target, "FUZZKEY", value) && value == "value");
  Check(edited.FindValue(added, "K", value) && value == "v");
  Check(edited.DeleteKey(target, "fuzzkey"));
  Check(!edited.FindValue(target, "fuzzkey", value) || value != "value");
  return 0;
}
