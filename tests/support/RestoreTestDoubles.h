#pragma once
// For the restore's tests: a scripted folder picker, a recording status line
// and a recording installer log.
#include <string>
#include <vector>

#include "platform/Shell.h"
#include "restore/DriverInstaller.h"
#include "restore/RestoreHandler.h"

namespace pelorin::testing {

class ScriptedPicker : public FolderPicker {
 public:
  void Choose(const std::string& path) { chosen_ = path, cancel_ = false; }
  void Cancel() { cancel_ = true; }
  int Calls() const { return calls_; }
  const std::string& Prompt() const { return prompt_; }
  bool Browse(const std::string&, const std::string& prompt, std::string& path) override {
    ++calls_;
    prompt_ = prompt;
    if (!cancel_) path = chosen_;
    return !cancel_;
  }

 private:
  std::string chosen_, prompt_;
  bool cancel_ = true;
  int calls_ = 0;
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
