#pragma once
// A BackupHost that records, in order, everything a backup run shows: one line
// per call, e.g. "status:正在备份:x", "range:0,4", "pos:1", "text:a.inf",
// "show:1", "result:2", "pump", "incomplete". Workers call it too: locked.
#include <mutex>
#include <string>
#include <vector>

#include "backup/BackupHost.h"
#include "inventory/MemoryDriverRows.h"

namespace pelorin::testing {

class RecordingBackupHost : public BackupHost {
 public:
  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }

  DriverRows& Rows() override { return rows; }
  void SetStatus(const std::string& text) override { Record("status:" + text); }
  void ShowProgress(bool show) override { Record(std::string("show:") + (show ? "1" : "0")); }
  void SetProgressRange(int low, int up) override { Record("range:" + std::to_string(low) + "," + std::to_string(up)); }
  void SetProgressPos(int position) override { Record("pos:" + std::to_string(position)); }
  void SetProgressText(const std::string& text) override { Record("text:" + text); }
  void PostResult(int result) override { Record("result:" + std::to_string(result)); }
  void PumpMessages() override { Record("pump"); }
  void SetIncompleteDrivers(const IncompleteDrivers& drivers) override {
    Record("incomplete");
    incomplete = drivers;
  }

  MemoryDriverRows rows;
  IncompleteDrivers incomplete;

 private:
  void Record(const std::string& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(event);
  }

  std::mutex mutex_;
  std::vector<std::string> events_;
};

}  // namespace pelorin::testing
