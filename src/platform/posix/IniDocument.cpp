#include "platform/posix/IniDocument.h"

#include "platform/Mbcs.h"
#include "platform/posix/Encoding.h"

namespace pelorin::posix {

namespace {

bool IsProfileSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string EncodeUtf16Line(const std::string& gbk) {
  std::string out;
  GbkToUtf16Le(gbk, out, Invalid::kReplace);
  return out;
}

}  // namespace

std::string IniDocument::Trim(const std::string& text) {
  // Blank bytes are all below 0x40, so none of them can be a GBK trail byte.
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && IsProfileSpace(text[b])) ++b;
  while (e > b && IsProfileSpace(text[e - 1])) --e;
  return text.substr(b, e - b);
}

IniDocument::Parsed IniDocument::Classify(const std::string& text) {
  Parsed p;
  const std::string t = Trim(text);
  if (t.empty()) return p;
  if (t[0] == '[') {
    // The name runs to the last "]" of the line; "]" can be a GBK trail byte,
    // so the search steps over whole characters.
    const std::size_t close = mbcs::FindLast(t, ']');
    if (close != mbcs::npos) {
      p.kind = Parsed::kHeader;
      p.name = Trim(t.substr(1, close - 1));
      return p;
    }
  }
  p.kind = Parsed::kEntry;
  p.comment = t[0] == ';';
  const std::size_t eq = t.find('=');  // 0x3D is never a trail byte
  if (eq == std::string::npos) {
    p.name = t;
    return p;
  }
  p.hasEquals = true;
  p.name = Trim(t.substr(0, eq));
  p.value = Trim(t.substr(eq + 1));
  return p;
}

void IniDocument::SwapIfBigEndian(std::string& utf16) const {
  if (encoding_ != Encoding::kUtf16Be) return;
  for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) std::swap(utf16[i], utf16[i + 1]);
}

void IniDocument::AddLine(const std::string& raw, bool utf16) {
  Line line;
  line.raw = raw;
  if (utf16) {
    std::string le = raw;
    SwapIfBigEndian(le);
    Utf16LeToGbk(le, line.text, Invalid::kReplace);
  } else {
    line.text = raw;
  }
  lines_.push_back(std::move(line));
}

void IniDocument::Parse(const std::string& bytes) {
  lines_.clear();
  encoding_ = Encoding::kAnsi;
  std::size_t start = 0;
  const auto u = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && u(0) == 0xFF && u(1) == 0xFE) {
    encoding_ = Encoding::kUtf16Le;
    start = 2;
  } else if (bytes.size() >= 2 && u(0) == 0xFE && u(1) == 0xFF) {
    encoding_ = Encoding::kUtf16Be;
    start = 2;
  } else if (bytes.size() >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF) {
    encoding_ = Encoding::kUtf8Bom;
    start = 3;
  }

  if (encoding_ == Encoding::kUtf16Le || encoding_ == Encoding::kUtf16Be) {
    // A cut last code unit is dropped.
    const std::size_t end = start + ((bytes.size() - start) & ~static_cast<std::size_t>(1));
    const bool le = encoding_ == Encoding::kUtf16Le;
    auto unit = [&](std::size_t i) {
      return le ? (u(i) | (u(i + 1) << 8)) : ((u(i) << 8) | u(i + 1));
    };
    std::size_t lineStart = start;
    for (std::size_t i = start; i < end; i += 2) {
      const unsigned c = unit(i);
      if (c != '\n' && c != '\r') continue;
      AddLine(bytes.substr(lineStart, i - lineStart), true);
      if (c == '\r' && i + 2 < end && unit(i + 2) == '\n') i += 2;
      lineStart = i + 2;
    }
    if (lineStart < end) AddLine(bytes.substr(lineStart, end - lineStart), true);
    return;
  }

  std::size_t lineStart = start;
  for (std::size_t i = start; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\n' && c != '\r') continue;
    AddLine(bytes.substr(lineStart, i - lineStart), false);
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    lineStart = i + 1;
  }
  if (lineStart < bytes.size()) AddLine(bytes.substr(lineStart), false);
}

std::string IniDocument::Serialize() const {
  std::string out;
  const bool utf16 = encoding_ == Encoding::kUtf16Le || encoding_ == Encoding::kUtf16Be;
  if (encoding_ == Encoding::kUtf16Le) out = "\xFF\xFE";
  if (encoding_ == Encoding::kUtf16Be) out = "\xFE\xFF";
  if (encoding_ == Encoding::kUtf8Bom) out = "\xEF\xBB\xBF";
  std::string crlf = "\r\n";
  if (utf16) {
    crlf = std::string("\r\0\n\0", 4);
    SwapIfBigEndian(crlf);
  }
  for (const Line& line : lines_) {
    if (!line.edited) {
      out += line.raw;
    } else if (utf16) {
      std::string encoded = EncodeUtf16Line(line.text);
      SwapIfBigEndian(encoded);
      out += encoded;
    } else {
      out += line.text;
    }
    out += crlf;
  }
  return out;
}

bool IniDocument::FindSection(const std::string& section, std::size_t& header, std::size_t& begin,
                              std::size_t& end) const {
  const std::string wanted = Trim(section);
  bool inside = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Parsed p = Classify(lines_[i].text);
    if (p.kind != Parsed::kHeader) continue;
    if (inside) {
      end = i;
      return true;
    }
    if (EqualsNoCaseGbk(p.name, wanted)) {
      inside = true;
      header = i;
      begin = i + 1;
    }
  }
  if (!inside) return false;
  end = lines_.size();
  return true;
}

bool IniDocument::FindValue(const std::string& section, const std::string& key,
                            std::string& value) const {
  std::size_t header, begin, end;
  if (!FindSection(section, header, begin, end)) return false;
  const std::string wanted = Trim(key);
  for (std::size_t i = begin; i < end; ++i) {
    const Parsed p = Classify(lines_[i].text);
    if (p.kind == Parsed::kEntry && p.hasEquals && EqualsNoCaseGbk(p.name, wanted)) {
      value = p.value;
      return true;
    }
  }
  return false;
}

bool IniDocument::SectionLines(const std::string& section, std::vector<std::string>& lines) const {
  std::size_t header, begin, end;
  if (!FindSection(section, header, begin, end)) return false;
  for (std::size_t i = begin; i < end; ++i) {
    const Parsed p = Classify(lines_[i].text);
    if (p.kind != Parsed::kEntry || p.comment) continue;
    lines.push_back(p.hasEquals ? p.name + "=" + p.value : p.name);
  }
  return true;
}

bool IniDocument::KeyNames(const std::string& section, std::vector<std::string>& keys) const {
  std::size_t header, begin, end;
  if (!FindSection(section, header, begin, end)) return false;
  for (std::size_t i = begin; i < end; ++i) {
    const Parsed p = Classify(lines_[i].text);
    if (p.kind == Parsed::kEntry && !p.comment && p.hasEquals) keys.push_back(p.name);
  }
  return true;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    const Parsed p = Classify(line.text);
    if (p.kind == Parsed::kHeader && !p.name.empty()) names.push_back(p.name);
  }
  return names;
}

void IniDocument::SetValue(const std::string& section, const std::string& key,
                           const std::string& value) {
  const std::string sectionName = Trim(section);
  const std::string keyName = Trim(key);
  std::size_t header, begin, end;
  if (!FindSection(sectionName, header, begin, end)) {
    Line head;
    head.text = "[" + sectionName + "]";
    head.edited = true;
    Line entry;
    entry.text = keyName + "=" + value;
    entry.edited = true;
    lines_.push_back(std::move(head));
    lines_.push_back(std::move(entry));
    return;
  }
  std::size_t insertAt = begin;
  for (std::size_t i = begin; i < end; ++i) {
    const Parsed p = Classify(lines_[i].text);
    if (p.kind == Parsed::kBlank) continue;
    insertAt = i + 1;
    if (p.hasEquals && EqualsNoCaseGbk(p.name, keyName)) {
      // Updated where it stands, under the name the file already spells.
      lines_[i].text = p.name + "=" + value;
      lines_[i].edited = true;
      return;
    }
  }
  Line entry;
  entry.text = keyName + "=" + value;
  entry.edited = true;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
}

bool IniDocument::DeleteKey(const std::string& section, const std::string& key) {
  std::size_t header, begin, end;
  if (!FindSection(section, header, begin, end)) return false;
  const std::string keyName = Trim(key);
  for (std::size_t i = begin; i < end; ++i) {
    const Parsed p = Classify(lines_[i].text);
    if (p.kind == Parsed::kEntry && p.hasEquals && EqualsNoCaseGbk(p.name, keyName)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  }
  return false;
}

bool IniDocument::DeleteSection(const std::string& section) {
  std::size_t header, begin, end;
  if (!FindSection(section, header, begin, end)) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
               lines_.begin() + static_cast<std::ptrdiff_t>(end));
  return true;
}

}  // namespace pelorin::posix
