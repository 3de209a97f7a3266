#pragma once
// What an INF names for one architecture: the lines of its plain and decorated
// SourceDisksFiles sections, each at its place below the INF's folder, and the
// catalog its [Version] names. Read through the profile services, as the plain
// section always was.
#include <string>
#include <vector>

#include "backup/ProfileFile.h"
#include "platform/SystemInfo.h"

namespace pelorin {

// The fields of an INF value: ";" outside quotes ends the line, "," outside
// quotes separates fields, each field loses its blanks and surrounding quotes.
std::vector<std::string> InfFields(const std::string& value);
// The whole value as one field (no split at ",").
std::string InfField(const std::string& value);

struct InfMember {
  std::string name;   // as the manifest records it
  std::string place;  // folders below the INF's, joined by "\"; empty for its own
  bool usable = true;  // name and place stay inside the driver's folder
  // place + "\" + name, or the name alone.
  std::string RelativePath() const;
};

struct InfFileList {
  std::vector<InfMember> listed;  // one per line of [SourceDisksFiles]: numbers 3, 4, ...
  std::vector<InfMember> more;    // [SourceDisksFiles.<arch>] lines not listed above
  InfMember catalog;              // name empty: the INF names none
};

// "CatalogFile.nt<arch>" over "CatalogFile.nt" over "CatalogFile" among the
// "key=value" lines of [Version]; keys compared without case.
std::string CatalogFileName(const StringArray& versionLines, Architecture arch);

// Reads the INF that `inf` points at. A missing INF gives the reader's message
// once (on the plain section) and an empty list.
InfFileList ReadInfFileList(CProfileFile& inf, Architecture arch);

// A path below a folder compared as the file system does: ASCII letters folded.
std::string FoldedPath(const std::string& path);

}  // namespace pelorin
