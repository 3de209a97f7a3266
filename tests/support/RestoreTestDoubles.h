#pragma once
// For the restore's tests: a scripted folder picker, a recording status line
// and a recording installer log.
#include <optional>
#include <string>
#include <vector>

#include "platform/Shell.h"
#include "restore/DriverInstaller.h"
#include "restore/RestoreHandler.h"

namespace pelorin::testing {

struct ScriptedPicker : FolderPicker {
  std::optional<std::string> choice;  // none: the user cancels
  std::string prompt;  // the last one shown
  int calls = 0;
  bool Browse(const std::string&, const std::string& shown, std::string& path) override {
    ++calls;
    prompt = shown;
    if (choice) path = *choice;
    return choice.has_value();
  }
};

struct RecordingRestoreView : RestoreView {
  int rows = 0;
  std::vector<std::string> statuses;
  void SetStatusText(const std::string& text) override { statuses.push_back(text); }
  int DriverRowCount() override { return rows; }
};

struct RecordingInstallLog : InstallFailureLog {
  std::vector<std::string> labels;
  std::vector<std::uint32_t> codes;
  void StepFailed(const char* label, std::uint32_t code) override { labels.emplace_back(label), codes.push_back(code); }
};

}  // namespace pelorin::testing
