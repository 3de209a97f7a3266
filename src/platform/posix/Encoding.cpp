#include "platform/posix/Encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

#include "platform/Mbcs.h"

namespace pelorin::posix {

namespace {

// Windows' code page 936 (with 0x80 as the euro sign) as glibc names it.
constexpr char kGbk[] = "CP936";

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (ok()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// How many input bytes to drop at an unconvertible spot: one character of the
// source encoding, so replacement keeps going on the next character.
std::size_t SkipWidth(const char* from, const char* in, std::size_t left) {
  if (std::strcmp(from, "UTF-16LE") == 0) return left >= 2 ? 2 : left;
  if (std::strcmp(from, "UTF-8") == 0) {
    const auto lead = static_cast<unsigned char>(in[0]);
    const std::size_t len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    std::size_t k = 1;
    while (k < len && k < left && (static_cast<unsigned char>(in[k]) & 0xC0) == 0x80) ++k;
    return k;
  }
  if (std::strcmp(from, kGbk) == 0) {
    const auto lead = static_cast<unsigned char>(in[0]);
    if (left >= 2 && lead >= 0x81 && lead <= 0xFE) {
      const auto trail = static_cast<unsigned char>(in[1]);
      if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
    }
  }
  return 1;
}

std::string Replacement(const char* to) {
  if (std::strcmp(to, "UTF-16LE") == 0) return std::string("?\0", 2);
  return "?";
}

bool Convert(const char* to, const char* from, const std::string& in, std::string& out,
             Invalid invalid) {
  out.clear();
  if (in.empty()) return true;
  // Opening a converter costs far more than most conversions: each thread keeps
  // the ones it has used (iconv descriptors must not be shared across threads).
  thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<IconvHandle>> cache;
  std::unique_ptr<IconvHandle>& slot = cache[{to, from}];
  if (!slot) slot = std::make_unique<IconvHandle>(to, from);
  IconvHandle& cd = *slot;
  if (!cd.ok()) return false;
  iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  bool clean = true;
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char chunk[4096];
  while (srcLeft > 0) {
    char* dst = chunk;
    std::size_t dstLeft = sizeof(chunk);
    const std::size_t rc = iconv(cd.get(), &src, &srcLeft, &dst, &dstLeft);
    out.append(chunk, sizeof(chunk) - dstLeft);
    if (rc != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ: a sequence that does not convert; EINVAL: a cut sequence at the end.
    clean = false;
    if (invalid == Invalid::kFail) return false;
    out += Replacement(to);
    const std::size_t skip = SkipWidth(from, src, srcLeft);
    src += skip;
    srcLeft -= skip;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state (none for these encodings, but harmless).
  char* dst = chunk;
  std::size_t dstLeft = sizeof(chunk);
  iconv(cd.get(), nullptr, nullptr, &dst, &dstLeft);
  out.append(chunk, sizeof(chunk) - dstLeft);
  return clean || invalid == Invalid::kReplace;
}

}  // namespace

bool GbkToUtf8(const std::string& gbk, std::string& out, Invalid invalid) {
  return Convert("UTF-8", kGbk, gbk, out, invalid);
}

bool Utf8ToGbk(const std::string& utf8, std::string& out, Invalid invalid) {
  return Convert(kGbk, "UTF-8", utf8, out, invalid);
}

bool Utf16LeToGbk(const std::string& utf16, std::string& out, Invalid invalid) {
  return Convert(kGbk, "UTF-16LE", utf16, out, invalid);
}

bool GbkToUtf16Le(const std::string& gbk, std::string& out, Invalid invalid) {
  return Convert("UTF-16LE", kGbk, gbk, out, invalid);
}

std::string GbkToUtf8Lossy(const std::string& gbk) {
  std::string out;
  GbkToUtf8(gbk, out, Invalid::kReplace);
  return out;
}

std::string Utf8ToGbkLossy(const std::string& utf8) {
  std::string out;
  Utf8ToGbk(utf8, out, Invalid::kReplace);
  return out;
}

bool DecodeUtf8(const std::string& utf8, std::u32string& out) {
  out.clear();
  const std::size_t n = utf8.size();
  for (std::size_t i = 0; i < n;) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    }
    std::size_t len;
    char32_t c;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
      len = 2, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      len = 3, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      len = 4, c = b0 & 0x07, min = 0x10000;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto b = static_cast<unsigned char>(utf8[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    out.push_back(c);
    i += len;
  }
  return true;
}

char32_t UpcaseChar(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: upper/lower pairs.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return (c & 1) ? c - 1 : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
  // Latin Extended-B pinyin letters (Ǎ ǎ ... Ǜ ǜ).
  if (c >= 0x1CD && c <= 0x1DC) return (c & 1) ? c : c - 1;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0x2170 && c <= 0x217F) return c - 0x10;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;
  return c;
}

std::u16string NtfsOrderKey(const std::u32string& name) {
  std::u16string key;
  key.reserve(name.size());
  for (char32_t c : name) {
    c = UpcaseChar(c);
    if (c >= 0x10000) {
      c -= 0x10000;
      key.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      key.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      key.push_back(static_cast<char16_t>(c));
    }
  }
  return key;
}

namespace {

bool IsAscii(const std::string& s) {
  for (char ch : s) {
    if (static_cast<unsigned char>(ch) >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool EqualsNoCaseGbk(const std::string& a, const std::string& b) {
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (mbcs::UpperAscii(a[i]) != mbcs::UpperAscii(b[i])) return false;
    }
    return true;
  }
  if (a == b) return true;
  std::string ua, ub;
  std::u32string ca, cb;
  if (!GbkToUtf8(a, ua) || !GbkToUtf8(b, ub) || !DecodeUtf8(ua, ca) || !DecodeUtf8(ub, cb)) {
    return false;
  }
  if (ca.size() != cb.size()) return false;
  for (std::size_t i = 0; i < ca.size(); ++i) {
    if (UpcaseChar(ca[i]) != UpcaseChar(cb[i])) return false;
  }
  return true;
}

}  // namespace pelorin::posix
