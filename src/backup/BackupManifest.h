#pragma once
// The manifests a backup writes: the per-driver taskinfo.ini of a folder backup,
// the combined taskinfo.ini and the class tree treeinfo.ini of a self-extracting
// backup. Every line goes through CProfileFile::WriteValue; write results are not
// looked at, and an existing file is updated in place.
#include <string>

#include "backup/ProfileFile.h"
#include "inventory/DriverRecord.h"
#include "inventory/DriverRows.h"

namespace pelorin {

// The driver's folder below the destination: the description with every "/"
// removed; a "\" makes one more level. Levels that would lead out of the
// destination ("..", ".", a drive "C:", an empty level from a leading or doubled
// "\") are neutralised: empty levels are dropped, a level of dots and blanks has
// its dots turned into "_", and ":" becomes "_". "_" when nothing is left.
std::string DriverFolderName(const std::string& description);

// Destination path of a member: the driver folder + "\" + the member's name.
std::string DestinationPath(const std::string& driverFolder, const std::string& fileName);

// A driver's record as the list rows show it (columns 0 to 6).
DriverRecord RecordOfRow(DriverRows& rows, int row);

// taskinfo.ini in one driver's folder.
class CDriverManifest {
 public:
  explicit CDriverManifest(const Platform& platform) : platform_(platform), writer_(platform) {}

  // Makes a read-only file left by an earlier backup writable, then points the
  // writer at driverFolder + "\taskinfo.ini".
  void Open(const std::string& driverFolder);
  const std::string& Path() const { return writer_.Path(); }
  // The driver section, named by the class: five keys.
  void WriteDriverSection(const DriverRecord& driver);
  // Section "<number>": source path = destination path.
  void WriteFile(int number, const std::string& sourcePath, const std::string& destinationPath);

 private:
  Platform platform_;
  CProfileFile writer_;
};

// The combined taskinfo.ini of a self-extracting backup: one section per driver,
// named by its description as shown ("/" kept).
class CCombinedManifest {
 public:
  explicit CCombinedManifest(const Platform& platform) : platform_(platform), writer_(platform) {}

  // Makes an existing file writable, then points the writer at `path`.
  void Open(const std::string& path);
  const std::string& Path() const { return writer_.Path(); }
  // Six keys: the five of the driver section and the class.
  void WriteDriver(const DriverRecord& driver);
  // In the driver's own section: source path = destination path.
  void WriteFile(const std::string& description, const std::string& sourcePath,
                 const std::string& destinationPath);

 private:
  Platform platform_;
  CProfileFile writer_;
};

// treeinfo.ini: section = class, key = description, value "1".
class CClassTreeFile {
 public:
  explicit CClassTreeFile(const Platform& platform) : writer_(platform) {}

  // No attribute change: the file is only ever written by this program's runs.
  void Open(const std::string& path) { writer_.SetPath(path.c_str()); }
  const std::string& Path() const { return writer_.Path(); }
  void WriteDriver(const std::string& className, const std::string& description);

 private:
  CProfileFile writer_;
};

}  // namespace pelorin
