#include "platform/posix/DriveMap.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Errors.h"
#include "platform/Mbcs.h"
#include "platform/posix/Encoding.h"
#include "platform/posix/Handles.h"

namespace pelorin::posix {

namespace {

char UpperLetter(char letter) {
  return (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string CurrentDirectory() {
  std::vector<char> buf(4096);
  while (getcwd(buf.data(), buf.size()) == nullptr) {
    if (buf.size() > (1u << 20)) return "/";
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

std::vector<std::string> SplitHost(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == '/') ++i;
    std::size_t j = i;
    while (j < path.size() && path[j] != '/') ++j;
    if (j > i) {
      const std::string part = path.substr(i, j - i);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (part != ".") {
        parts.push_back(part);
      }
    }
    i = j;
  }
  return parts;
}

// Characters no Windows file name may hold; wildcards are allowed where a
// search pattern is expected.
bool ValidComponent(const std::string& part, bool wildcards) {
  for (std::size_t i = 0; i < part.size(); i += mbcs::CharLength(part, i)) {
    if (mbcs::CharLength(part, i) == 2) continue;
    const auto c = static_cast<unsigned char>(part[i]);
    if (c < 0x20) return false;
    switch (c) {
      case '<': case '>': case ':': case '"': case '|':
        return false;
      case '*': case '?':
        if (!wildcards) return false;
        break;
      default:
        break;
    }
  }
  return true;
}

bool IsDirectory(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string DriveMap::JoinHost(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string DriveMap::NormalizeHost(const std::string& hostPath) {
  const std::string absolute =
      (!hostPath.empty() && hostPath[0] == '/') ? hostPath : JoinHost(CurrentDirectory(), hostPath);
  std::string out;
  for (const std::string& part : SplitHost(absolute)) out += "/" + part;
  return out.empty() ? "/" : out;
}

void DriveMap::Map(char letter, const std::string& hostFolder) {
  if (!IsLetter(letter)) return;
  if (hostFolder.empty()) {
    drives_.erase(UpperLetter(letter));
    return;
  }
  drives_[UpperLetter(letter)] = NormalizeHost(hostFolder);
}

bool DriveMap::IsMapped(char letter) const { return drives_.count(UpperLetter(letter)) != 0; }

bool DriveMap::MatchName(const std::string& folder, const std::string& name, std::string& hostName) {
  struct stat st;
  bool statted = false;
  return MatchEntry(folder, name, hostName, st, statted);
}

bool DriveMap::MatchEntry(const std::string& folder, const std::string& name, std::string& hostName,
                          struct stat& st, bool& statted, bool probeExact) {
  statted = probeExact && lstat(JoinHost(folder, name).c_str(), &st) == 0;
  if (statted) {
    hostName = name;
    return true;
  }
  std::u32string wanted;
  if (!DecodeUtf8(name, wanted)) return false;
  for (char32_t& c : wanted) c = UpcaseChar(c);
  const UniqueDir dir(opendir(folder.c_str()));
  if (!dir) return false;
  bool found = false;
  std::u32string candidate;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    if (!DecodeUtf8(entryName, candidate) || candidate.size() != wanted.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < candidate.size() && same; ++i) {
      same = UpcaseChar(candidate[i]) == wanted[i];
    }
    // Two host names may differ only in case; take the same one every time.
    if (same && (!found || entryName < hostName)) {
      hostName = entryName;
      found = true;
    }
  }
  return found;
}

std::uint32_t DriveMap::Resolve(const std::string& windowsPath, ResolvedPath& out,
                                bool wildcardsInLast) const {
  out = ResolvedPath();
  if (windowsPath.size() < 2 || !IsLetter(windowsPath[0]) || windowsPath[1] != ':') {
    return err::kPathNotFound;
  }
  if (windowsPath.size() > 2 && !IsSeparator(windowsPath[2])) return err::kPathNotFound;
  const auto drive = drives_.find(UpperLetter(windowsPath[0]));
  if (drive == drives_.end()) return err::kPathNotFound;

  // Components, DBCS-aware: a trail byte 0x5C is part of a character, not a separator.
  std::vector<std::string> parts;
  std::string current;
  bool endsWithSeparator = false;
  for (std::size_t i = 2; i < windowsPath.size();) {
    const std::size_t len = mbcs::CharLength(windowsPath, i);
    if (len == 1 && IsSeparator(windowsPath[i])) {
      if (!current.empty()) parts.push_back(current);
      current.clear();
      endsWithSeparator = true;
    } else {
      current.append(windowsPath, i, len);
      endsWithSeparator = false;
    }
    i += len;
  }
  if (!current.empty()) parts.push_back(current);
  std::vector<std::string> folded;
  for (std::string part : parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (!folded.empty()) folded.pop_back();
      continue;
    }
    // Windows drops trailing dots and blanks of a name ("Driver." is "Driver"),
    // so a host name never gets a spelling Windows could not open. Neither byte
    // can be a GBK trail byte.
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (!part.empty()) folded.push_back(part);
  }

  out.trailingSeparator = endsWithSeparator && !folded.empty();
  std::string host = drive->second;
  if (folded.empty()) {
    out.host = host;
    out.isRoot = true;
    out.exists = IsDirectory(host);
    return out.exists ? err::kSuccess : err::kPathNotFound;
  }
  // The last component as the walk below meets it: its host spelling, or the
  // name as given when nothing matches.
  const auto finish = [&](const std::string& folder, const std::string& utf8, bool probeExact) {
    std::string hostName;
    struct stat st;
    bool statted = false;
    const bool found = MatchEntry(folder, utf8, hostName, st, statted, probeExact);
    out.host = JoinHost(folder, found ? hostName : utf8);
    out.lastName = folded.back();
    out.exists = found;
    out.hasLstat = statted;
    if (statted) out.lst = st;
    return err::kSuccess;
  };

  // Most paths name their folders as the host spells them. Then the host's own
  // look-up of the joined path answers as the walk would (an exact name wins,
  // a link to a folder is followed), in one call instead of one per level; a
  // path it does not find takes the walk.
  std::vector<std::string> utf8(folded.size());
  bool plain = true;
  for (std::size_t k = 0; k < folded.size() && plain; ++k) {
    plain = ValidComponent(folded[k], k + 1 == folded.size() && wildcardsInLast) && GbkToUtf8(folded[k], utf8[k]);
  }
  if (plain) {
    std::string joined = host;
    for (std::size_t k = 0; k + 1 < folded.size(); ++k) joined = JoinHost(joined, utf8[k]);
    struct stat st;
    if (lstat(JoinHost(joined, utf8.back()).c_str(), &st) == 0) {
      out.host = JoinHost(joined, utf8.back());
      out.lastName = folded.back();
      out.exists = out.hasLstat = true;
      out.lst = st;
      return err::kSuccess;
    }
    if (errno == ENOENT && IsDirectory(joined)) return finish(joined, utf8.back(), false);
  }

  if (!IsDirectory(host)) return err::kPathNotFound;
  for (std::size_t k = 0; k < folded.size(); ++k) {
    const bool last = k + 1 == folded.size();
    if (!ValidComponent(folded[k], last && wildcardsInLast)) return err::kInvalidName;
    std::string part;
    if (!GbkToUtf8(folded[k], part)) return err::kInvalidName;
    if (last) return finish(host, part, true);
    std::string hostName;
    struct stat st;
    bool statted = false;
    if (!MatchEntry(host, part, hostName, st, statted)) return err::kPathNotFound;
    host = JoinHost(host, hostName);
    // A real folder needs no second look; a link is followed.
    if (!(statted && S_ISDIR(st.st_mode)) && !IsDirectory(host)) return err::kPathNotFound;
  }
  return err::kPathNotFound;  // not reached
}

std::string DriveMap::ToWindows(const std::string& hostPath) const {
  const std::vector<std::string> path = SplitHost(NormalizeHost(hostPath));
  char bestLetter = 0;
  std::size_t bestDepth = 0;
  for (const auto& [letter, folder] : drives_) {
    const std::vector<std::string> root = SplitHost(folder);
    if (root.size() > path.size()) continue;
    bool prefix = true;
    for (std::size_t i = 0; i < root.size() && prefix; ++i) prefix = root[i] == path[i];
    if (prefix && (bestLetter == 0 || root.size() > bestDepth)) {
      bestLetter = letter;
      bestDepth = root.size();
    }
  }
  if (bestLetter == 0) return std::string();
  std::string utf8;
  for (std::size_t i = bestDepth; i < path.size(); ++i) {
    if (i > bestDepth) utf8 += "\\";
    if (path[i].find('\\') != std::string::npos) return std::string();
    utf8 += path[i];
  }
  std::string gbk;
  if (!Utf8ToGbk(utf8, gbk)) return std::string();
  return std::string(1, bestLetter) + ":\\" + gbk;
}

}  // namespace pelorin::posix
