#include "backup/InfRules.h"

#include <map>
#include <set>

#include "backup/BackupTexts.h"
#include "backup/DriverFileSet.h"
#include "platform/Mbcs.h"

namespace pelorin {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimField(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (end - begin >= 2 && text[begin] == '"' && text[end - 1] == '"') {
    ++begin;
    --end;
  }
  return text.substr(begin, end - begin);
}

// ";", "," and '"' lie below 0x40: none of them can be the trail byte of a
// double-byte character, so a byte scan finds only real ones.
std::vector<std::string> SplitFields(const std::string& value, bool atCommas) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (char c : value) {
    if (c == '"') quoted = !quoted;
    if (!quoted && c == ';') break;
    if (!quoted && atCommas && c == ',') {
      fields.push_back(TrimField(field));
      field.clear();
      continue;
    }
    field += c;
  }
  fields.push_back(TrimField(field));
  return fields;
}

std::string Field(const std::vector<std::string>& fields, std::size_t index) {
  return index < fields.size() ? fields[index] : std::string();
}

std::string ValueOf(const std::string& line) {
  const std::size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

std::string KeyOf(const std::string& line) {
  const std::size_t equals = line.find('=');
  return InfField(equals == std::string::npos ? line : line.substr(0, equals));
}

// A level that cannot lead out of the folder it is joined to, or name a device
// or a pattern: no "." or ".." level, no drive, no wildcard.
bool SafeLevel(const std::string& level) {
  if (level.empty() || level.find_first_not_of(". ") == std::string::npos) return false;
  for (std::size_t i = 0; i < level.size(); i += mbcs::CharLength(level, i)) {
    if (mbcs::CharLength(level, i) == 1 && std::string(":*?/").find(level[i]) != std::string::npos) return false;
  }
  return true;
}

// Appends the levels of `path` to `place`; empty levels (a leading "\", "a\\b")
// and "." levels are dropped. False when a level is unsafe.
bool AppendLevels(const std::string& path, std::string& place) {
  bool safe = true;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = mbcs::FindFirst(path, '\\', start);
    if (end == mbcs::npos) end = path.size();
    const std::string level = path.substr(start, end - start);
    if (!level.empty() && level != ".") {
      safe = safe && SafeLevel(level);
      if (!place.empty()) place += '\\';
      place += level;
    }
    start = end + 1;
  }
  return safe;
}

using DiskPaths = std::map<std::string, std::string>;  // disk id (folded) -> path

DiskPaths ReadDiskPaths(CProfileFile& inf, const std::string& section) {
  StringArray lines;
  inf.GetSection(section, lines);
  DiskPaths paths;
  for (const std::string& line : lines) paths.emplace(FoldedPath(KeyOf(line)), Field(InfFields(ValueOf(line)), 3));
  return paths;
}

bool SafeName(const std::string& name) { return SafeLevel(name) && mbcs::FindFirst(name, '\\') == mbcs::npos; }

// The member a SourceDisksFiles line names: its disk's path from the decorated
// [SourceDisksNames] when that knows the disk, else from the plain one, then
// the line's subdir.
InfMember Member(const std::string& name, const std::string& line, const DiskPaths& decorated,
                 const DiskPaths& plain) {
  InfMember member;
  member.name = name;
  const std::vector<std::string> fields = InfFields(ValueOf(line));
  const std::string disk = FoldedPath(Field(fields, 0));
  std::string diskPath;
  if (decorated.count(disk)) {
    diskPath = decorated.at(disk);
  } else if (plain.count(disk)) {
    diskPath = plain.at(disk);
  }
  member.usable = AppendLevels(diskPath, member.place);
  member.usable = AppendLevels(Field(fields, 1), member.place) && member.usable;
  member.usable = member.usable && SafeName(name);
  return member;
}

}  // namespace

std::vector<std::string> InfFields(const std::string& value) { return SplitFields(value, true); }

std::string InfField(const std::string& value) { return SplitFields(value, false)[0]; }

std::string InfMember::RelativePath() const { return place.empty() ? name : place + "\\" + name; }

std::string FoldedPath(const std::string& path) { return mbcs::ToLowerAscii(path); }

std::string CatalogFileName(const StringArray& versionLines, Architecture arch) {
  const std::string plain = "catalogfile";
  const std::string keys[] = {plain + ".nt" + InfDecoration(arch), plain + ".nt", plain};
  for (const std::string& key : keys) {
    for (const std::string& line : versionLines) {
      if (FoldedPath(KeyOf(line)) != key) continue;
      const std::string name = InfField(ValueOf(line));
      if (!name.empty()) return name;
    }
  }
  return std::string();
}

InfFileList ReadInfFileList(CProfileFile& inf, Architecture arch) {
  InfFileList list;
  StringArray plainLines;
  inf.GetSection(texts::kSourceDisksFiles, plainLines);
  if (!inf.Present()) return list;

  const std::string decoration = std::string(".") + InfDecoration(arch);
  const DiskPaths plainDisks = ReadDiskPaths(inf, texts::kSourceDisksNames);
  const DiskPaths archDisks = ReadDiskPaths(inf, texts::kSourceDisksNames + decoration);
  std::set<std::string> seen;
  for (const std::string& line : plainLines) {
    list.listed.push_back(Member(ListedFileName(line), line, archDisks, plainDisks));
    seen.insert(FoldedPath(list.listed.back().RelativePath()));
  }
  StringArray archLines;
  inf.GetSection(texts::kSourceDisksFiles + decoration, archLines);
  for (const std::string& line : archLines) {
    std::string name = KeyOf(line);
    if (name == texts::kIntelAlmCoIn) name = mbcs::ToLowerAscii(name);
    InfMember member = Member(name, line, archDisks, plainDisks);
    if (member.name.empty() || !seen.insert(FoldedPath(member.RelativePath())).second) continue;
    list.more.push_back(member);
  }
  StringArray versionLines;
  inf.GetSection(texts::kVersionSection, versionLines);
  list.catalog.name = CatalogFileName(versionLines, arch);
  list.catalog.usable = SafeName(list.catalog.name);
  if (!list.catalog.name.empty() && seen.count(FoldedPath(list.catalog.name))) list.catalog = InfMember();
  return list;
}

}  // namespace pelorin
