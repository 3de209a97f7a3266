#pragma once
// What the restorer does, apart from its window: unpack its own container into
// a private folder under the temporary folder, build the class tree from
// treeinfo.ini, show a driver's details from taskinfo.ini, install the ticked
// drivers and clean up on leaving. The dialog mirrors the tree and shows the
// messages this class names.
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "sfx/SfxReader.h"
#include "stub/TickTree.h"

namespace pelorin {

struct DriverDetails {
  std::string description, type, hardwareId, inf, provider, date, version;
};

// Installs the INF for the hardware id: 0 or 1 installed, 2 failed.
using DriverInstallFn = std::function<int(const std::string& infPath, const std::string& hardwareId)>;

class CRestorerSession {
 public:
  explicit CRestorerSession(const Platform& platform) : platform_(platform) {}

  // Unpacks `selfPath` into `tempFolder` + `privateName` + "\" (tempFolder ends
  // with "\"). 0 on success, else the id of the message to show (102-105).
  int Unpack(const std::string& selfPath, const std::string& tempFolder, const std::string& privateName);

  bool Unpacked() const { return unpacked_; }
  bool Restored() const { return restored_; }
  const std::string& Folder() const { return folder_; }
  std::string ManifestPath() const;
  std::string TreePath() const;

  // Root = the computer name, then the classes and drivers of treeinfo.ini.
  void BuildTree(const std::string& computerName);
  CTickTree& Tree() { return tree_; }
  // The first driver of the first class, or kNoItem.
  int FirstDriver() const;

  DriverDetails DetailsOf(int item);
  // The status line for a selected item, or empty to leave it as it is.
  const char* StatusFor(int item) const;

  // Installs one driver of the tree and colours it; returns the installer's result.
  int InstallOne(int item, const DriverInstallFn& install);
  void FinishRestore() { restored_ = true; }

  // Deletes the unpacked files. The text of a failed delete of a manifest goes
  // to `failures`, in the order the deletes ran.
  void Cleanup(std::vector<std::string>& failures);

 private:
  Platform platform_;
  std::string folder_;
  std::vector<SfxRecord> records_;
  CTickTree tree_;
  bool unpacked_ = false;
  bool restored_ = false;
  bool madeFolder_ = false;
};

}  // namespace pelorin
