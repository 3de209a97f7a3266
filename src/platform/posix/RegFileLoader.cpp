#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/Errors.h"
#include "platform/Mbcs.h"
#include "platform/Registry.h"
#include "platform/posix/Encoding.h"
#include "platform/posix/RegText.h"
#include "platform/posix/RegistryFiles.h"

namespace pelorin {
namespace {

constexpr char kHeader5[] = "Windows Registry Editor Version 5.00";
constexpr char kHeader4[] = "REGEDIT4";

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  std::size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (mbcs::UpperAscii(text[i]) != mbcs::UpperAscii(prefix[i])) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Parser {
 public:
  Parser(const std::string& label, MemoryRegistry& registry, std::string& error)
      : label_(label), registry_(registry), error_(error) {}

  bool Run(const std::string& bytes);

 private:
  bool Fail(int line, const std::string& problem) {
    error_ = label_ + ": " + (line > 0 ? "line " + std::to_string(line) + ": " : "") + problem;
    return false;
  }
  bool Decode(const std::string& bytes, std::string& utf8);
  bool KeyLine(int line, const std::string& text);
  bool ValueLine(int line, const std::string& text);
  // A quoted string starting at text[pos] == '"'; pos ends after the closing quote.
  static bool Quoted(const std::string& text, std::size_t& pos, std::string& out);
  bool Resolve();

  std::string label_;
  MemoryRegistry& registry_;
  std::string& error_;
  bool ansi_ = false;
  bool inKey_ = false;     // a key line has been seen
  bool keyTaken_ = false;  // values of the current key are kept
  std::vector<std::u16string> key_;
};

bool Parser::Decode(const std::string& bytes, std::string& utf8) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    utf8 = regtext::Utf16ToUtf8(regtext::BytesToUtf16(bytes.substr(2)));
  } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    utf8 = bytes.substr(3);
  } else if (bytes.compare(0, sizeof kHeader4 - 1, kHeader4) == 0) {
    ansi_ = true;
    utf8 = posix::GbkToUtf8Lossy(bytes);
  } else {
    utf8 = bytes;
  }
  std::size_t eol = utf8.find('\n');
  std::string first = Trim(utf8.substr(0, eol));
  if (first == kHeader5) return true;
  if (first == kHeader4) {
    if (!ansi_) return Fail(1, "REGEDIT4 export must be in the ANSI code page");
    return true;
  }
  return Fail(0, "not a registry export (no \"Windows Registry Editor Version 5.00\" or "
                 "\"REGEDIT4\" header)");
}

bool Parser::Run(const std::string& bytes) {
  std::string text;
  if (!Decode(bytes, text)) return false;
  std::istringstream in(text);
  std::string physical;
  int lineNo = 0;
  std::getline(in, physical);  // header
  ++lineNo;
  while (std::getline(in, physical)) {
    ++lineNo;
    int start = lineNo;
    std::string line = Trim(physical);
    if (line.empty() || line[0] == ';') continue;
    // Long data runs on over lines that end in "\".
    while (line[0] != '[' && !line.empty() && line.back() == '\\') {
      line.pop_back();
      if (!std::getline(in, physical)) return Fail(start, "continued line has no next line");
      ++lineNo;
      line += Trim(physical);
    }
    if (line[0] == '[') {
      if (!KeyLine(start, line)) return false;
    } else if (!ValueLine(start, line)) {
      return false;
    }
  }
  return Resolve();
}

bool Parser::KeyLine(int line, const std::string& text) {
  if (text.back() != ']') return Fail(line, "key line without closing \"]\"");
  std::string path = text.substr(1, text.size() - 2);
  inKey_ = true;
  keyTaken_ = false;
  key_.clear();
  if (!path.empty() && path[0] == '-') return true;  // deletion: nothing to add
  std::string rest;
  if (StartsWithNoCase(path, "HKEY_LOCAL_MACHINE\\")) {
    rest = path.substr(19);
  } else if (StartsWithNoCase(path, "HKLM\\")) {
    rest = path.substr(5);
  } else {
    return true;  // other hives do not matter here
  }
  if (!StartsWithNoCase(rest + "\\", "SYSTEM\\") && !StartsWithNoCase(rest + "\\", "DRIVERS\\"))
    return true;
  std::u16string wide = regtext::Utf8ToUtf16(rest);
  std::size_t from = 0;
  while (from <= wide.size()) {
    std::size_t sep = wide.find(u'\\', from);
    if (sep == std::u16string::npos) sep = wide.size();
    if (sep == from) return Fail(line, "empty key name in path");
    key_.push_back(wide.substr(from, sep - from));
    from = sep + 1;
  }
  registry_.CreateKeyUtf16(key_);
  keyTaken_ = true;
  return true;
}

bool Parser::Quoted(const std::string& text, std::size_t& pos, std::string& out) {
  out.clear();
  for (++pos; pos < text.size(); ++pos) {
    char c = text[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\' && pos + 1 < text.size() && (text[pos + 1] == '\\' || text[pos + 1] == '"')) c = text[++pos];
    out.push_back(c);
  }
  return false;
}

bool Parser::ValueLine(int line, const std::string& text) {
  std::string name;
  std::size_t pos = 0;
  if (text[0] == '@') {
    pos = 1;
  } else if (text[0] == '"') {
    if (!Quoted(text, pos, name)) return Fail(line, "value name without closing quote");
  } else {
    return Fail(line, "expected a [key] or a \"value\"=data line");
  }
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos >= text.size() || text[pos] != '=') return Fail(line, "\"=\" missing after value name");
  std::string data = Trim(text.substr(pos + 1));
  if (!inKey_) return Fail(line, "value before the first [key] line");

  std::uint32_t type = regtype::kSz;
  std::string raw;
  if (!data.empty() && data[0] == '"') {
    std::size_t p = 0;
    std::string value;
    if (!Quoted(data, p, value) || p != data.size())
      return Fail(line, "string data without closing quote");
    std::u16string wide = regtext::Utf8ToUtf16(value);
    wide.push_back(u'\0');
    raw = regtext::Utf16ToBytes(wide);
  } else if (data == "-") {
    return true;
  } else if (StartsWithNoCase(data, "dword:")) {
    std::string digits = data.substr(6);
    if (digits.empty() || digits.size() > 8) return Fail(line, "bad dword data");
    std::uint32_t v = 0;
    for (char c : digits) {
      int d = HexDigit(c);
      if (d < 0) return Fail(line, "bad dword data");
      v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    type = regtype::kDword;
    raw.resize(4);
    for (int i = 0; i < 4; ++i) raw[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  } else if (StartsWithNoCase(data, "hex")) {
    std::size_t p = 3;
    type = regtype::kBinary;
    if (p < data.size() && data[p] == '(') {
      std::size_t close = data.find(')', p);
      if (close == std::string::npos || close == p + 1 || close - p > 9)
        return Fail(line, "bad hex(type) data");
      type = 0;
      for (std::size_t i = p + 1; i < close; ++i) {
        int d = HexDigit(data[i]);
        if (d < 0) return Fail(line, "bad hex(type) data");
        type = (type << 4) | static_cast<std::uint32_t>(d);
      }
      p = close + 1;
    }
    if (p >= data.size() || data[p] != ':') return Fail(line, "\":\" missing after hex");
    ++p;
    std::string list;
    for (; p < data.size(); ++p)
      if (data[p] != ' ' && data[p] != '\t') list.push_back(data[p]);
    std::size_t i = 0;
    while (i < list.size()) {
      if (i + 2 > list.size() || HexDigit(list[i]) < 0 || HexDigit(list[i + 1]) < 0)
        return Fail(line, "bad hex byte list");
      raw.push_back(static_cast<char>(HexDigit(list[i]) * 16 + HexDigit(list[i + 1])));
      i += 2;
      if (i < list.size()) {
        if (list[i] != ',') return Fail(line, "bad hex byte list");
        ++i;
        if (i == list.size()) return Fail(line, "bad hex byte list");
      }
    }
    // REGEDIT4 writes string-typed hex data in the ANSI code page.
    if (ansi_ && (type == regtype::kSz || type == regtype::kExpandSz || type == regtype::kMultiSz))
      raw = regtext::Utf16ToBytes(regtext::GbkToUtf16(raw));
  } else {
    return Fail(line, "unknown value data \"" + data.substr(0, 20) + "\"");
  }
  if (keyTaken_) registry_.SetRawValueUtf16(key_, regtext::Utf8ToUtf16(name), type, raw);
  return true;
}

bool Parser::Resolve() {
  if (!registry_.KeyExists("SYSTEM\\CurrentControlSet")) {
    // The export has only numbered control sets: take the current one.
    std::string chosen;
    std::unique_ptr<RegistryKey> select;
    if (registry_.OpenKey("SYSTEM\\Select", select) == 0) {
      unsigned char data[4];
      std::uint32_t type = 0, size = sizeof data;
      if (select->QueryValue("Current", &type, data, &size) == 0 && type == regtype::kDword &&
          size == 4) {
        char name[32];
        std::snprintf(name, sizeof name, "ControlSet%03u",
                      data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<unsigned>(data[3]) << 24));
        if (registry_.KeyExists(std::string("SYSTEM\\") + name)) chosen = name;
      }
    }
    std::unique_ptr<RegistryKey> system;
    if (chosen.empty() && registry_.OpenKey("SYSTEM", system) == 0) {
      char name[260];
      int sets = 0;
      for (std::uint32_t i = 0; system->EnumKey(i, name, sizeof name) != err::kNoMoreItems; ++i) {
        if (StartsWithNoCase(name, "ControlSet")) {
          ++sets;
          chosen = name;
        }
      }
      if (sets > 1) chosen.clear();
    }
    if (!chosen.empty()) registry_.Link("SYSTEM\\CurrentControlSet", "SYSTEM\\" + chosen);
  }
  if (!HasClassBranch(registry_))
    return Fail(0, "no HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class key");
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Opens a registry file for reading; a folder or an unreadable file is an error.
bool OpenRegistryFile(const std::string& file, std::ifstream& in, std::string& error) {
  if (IsFolder(file)) {
    error = file + ": is a folder, not a file";
    return false;
  }
  in.open(file, std::ios::binary);
  if (!in) {
    error = file + ": cannot open file";
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& file, std::string& bytes, std::string& error) {
  std::ifstream in;
  if (!OpenRegistryFile(file, in, error)) return false;
  std::ostringstream all;
  all << in.rdbuf();
  if (in.bad()) {
    error = file + ": read error";
    return false;
  }
  bytes = all.str();
  return true;
}

}  // namespace

bool HasClassBranch(MemoryRegistry& registry) {
  return registry.KeyExists("SYSTEM\\CurrentControlSet\\Control\\Class");
}

bool LoadRegExport(const std::string& bytes, const std::string& label, MemoryRegistry& registry,
                   std::string& error) {
  Parser parser(label, registry, error);
  return parser.Run(bytes);
}

bool LoadRegExportFile(const std::string& file, MemoryRegistry& registry, std::string& error) {
  std::string bytes;
  if (!ReadWholeFile(file, bytes, error)) return false;
  return LoadRegExport(bytes, file, registry, error);
}

bool LoadRegistryFile(const std::string& file, MemoryRegistry& registry, std::string& error) {
  std::ifstream in;
  if (!OpenRegistryFile(file, in, error)) return false;
  char magic[4] = {};
  in.read(magic, 4);
  in.close();
  if (std::string(magic, 4) == "regf") return LoadSystemHive(file, registry, error);
  return LoadRegExportFile(file, registry, error);
}

}  // namespace pelorin
