#pragma once
// An offline installation for backup tests on the POSIX backend: drive C: is a
// scratch folder with WINDOWS\inf and WINDOWS\system32, drive D: an empty
// backup folder; message boxes are recorded; the temporary folder ("temp") and
// the restorer stubs are there for self-extracting runs.
#include <string>

#include "PosixScratch.h"
#include "RecordingBoxes.h"
#include "SfxStubResources.h"
#include "platform/posix/PosixPlatform.h"

namespace pelorin::testing {

class BackupScratch {
 public:
  BackupScratch() {
    for (const char* dir : {"c", "c/WINDOWS", "c/WINDOWS/inf", "c/WINDOWS/system32", "c/WINDOWS/system32/drivers", "d",
                            "temp"}) {
      scratch.MakeDir(dir);
    }
    platform.MapDrive('C', scratch / "c");
    platform.MapDrive('D', scratch / "d");
    platform.SetMessageBoxes(&boxes);
    platform.SetTempFolder(scratch / "temp");
    platform.SetResources(&resources);
  }

  // Host files below the installation ("WINDOWS/inf/oem1.inf") and the backup
  // folder ("Net/taskinfo.ini"); names in UTF-8.
  void PutSystemFile(const std::string& relative, const std::string& bytes = "data") {
    scratch.WriteFile("c/" + relative, bytes);
  }
  void PutInf(const std::string& name, const std::string& sourceDisksFiles) {
    PutSystemFile("WINDOWS/inf/" + name, "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[SourceDisksFiles]\r\n" +
                                             sourceDisksFiles + "\r\n[Other]\r\nx=1\r\n");
  }
  std::string Backup(const std::string& relative) const { return scratch.ReadFile("d/" + relative); }
  bool InBackup(const std::string& relative) const { return scratch.Exists("d/" + relative); }

  PosixScratch scratch;
  RecordingBoxes boxes;
  SfxStubResources resources;
  posix::PosixPlatform platform;
};

}  // namespace pelorin::testing
