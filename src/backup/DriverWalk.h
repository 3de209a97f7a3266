#pragma once
// The walk over one ticked driver's files that both backup forms share: the
// INF and the PNF from C:\WINDOWS\inf, then what the INF names for the
// installation's architecture, each from the driver's package folder when the
// driver store has one (never from anywhere else), else found by the search
// below C:\WINDOWS. Each file is saved at its place below the driver's folder
// through a sink (a copy, or an entry of the container), shown on the progress
// bar and recorded in the manifest.
#include <functional>
#include <string>
#include <vector>

#include "backup/BackupHost.h"
#include "backup/DriverFileSet.h"
#include "backup/InfRules.h"
#include "backup/ProfileFile.h"
#include "inventory/DriverRecord.h"
#include "platform/Platform.h"

namespace pelorin {

struct PackageFolder {
  std::string folder;   // full path, no closing "\"
  std::string infName;  // the INF's name inside it
};
// The driver store's package folder of an installed INF ("oem3.inf"); false
// when there is none (Windows XP, or nothing matched).
using PackageLocator = std::function<bool(const std::string& infName, Architecture arch, PackageFolder& out)>;

struct BackupRunOptions {
  // Answers the look-ups of a run from one listing of C:\WINDOWS instead of one
  // walk per listed file. The folder run goes back to a walk per file once a
  // driver folder lies below C:\WINDOWS, where its own copies change the tree; a
  // caller that knows of other ways the destination can reach into it turns
  // this off.
  bool indexedSearch = true;
  // Empty: the platform's driver store.
  PackageLocator locator;
};

enum class SaveOutcome { kSaved, kAbsent, kFailed };

class DriverFileSink {
 public:
  virtual ~DriverFileSink() = default;
  // Saves the file `source` as `entry`, its path below the driver's folder.
  // kAbsent: there is no such file; kFailed: it is there but was not saved.
  virtual SaveOutcome Save(const std::string& source, const std::string& entry) = 0;
  // The manifest line of a saved file.
  virtual void Record(int number, const std::string& source, const std::string& destination) = 0;
};

struct DriverWalkResult {
  bool infSaved = false;
  int saved = 0;
  int failed = 0;        // files found but not saved
  bool missing = false;  // the package folder lacks a file or the catalog the INF names
};

class CDriverWalk {
 public:
  CDriverWalk(const Platform& platform, BackupHost& host, const BackupRunOptions& options);

  // Reads what the driver's INF names (the reader's message when it is missing)
  // and looks for its package folder. Returns the upper end of the progress
  // range: the number of the last file.
  int Plan(const DriverRecord& driver);
  // Saves the planned files in number order below `folder` (the destination
  // path the manifest records).
  DriverWalkResult Save(const std::string& folder, DriverFileSink& sink);
  void StopIndexing() { finder_.StopIndexing(); }

 private:
  struct Walk;
  void SaveMember(Walk& walk, const InfMember& member, int number, bool listed);
  void SaveCatalog(Walk& walk, int number);
  void Store(Walk& walk, const std::string& source, int number, const std::string& place,
             const std::string& entryName, const std::string& recordedName);
  // The package's files that the INF does not name, in order of their paths.
  void ListOtherFiles();

  Platform platform_;
  BackupHost& host_;
  PackageLocator locator_;
  Architecture arch_;
  CDriverFileFinder finder_;
  CProfileFile infReader_;

  std::string infName_;
  InfFileList files_;
  bool inPackage_ = false;
  PackageFolder package_;
  std::vector<InfMember> otherFiles_;
};

}  // namespace pelorin
