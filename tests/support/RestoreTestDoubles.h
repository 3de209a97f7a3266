#pragma once
// Stand-ins for the restore's tests: a file system that knows which paths exist
// (only the find-first probe works), a scripted folder picker, a recording
// status line and a recording installer log.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Mbcs.h"
#include "platform/Shell.h"
#include "restore/DriverInstaller.h"
#include "restore/RestoreHandler.h"

namespace pelorin::testing {

class ExistingPaths : public FileSystem {
 public:
  void Add(const std::string& path) { paths_.push_back(path); }
  std::vector<std::string> Probes() const { return probes_; }

  std::unique_ptr<FileFinder> FindFirst(const std::string& pattern, FindEntry& first) override {
    probes_.push_back(pattern);
    for (const auto& path : paths_) {
      if (mbcs::EqualsNoCaseAscii(path, pattern)) {
        first.name = mbcs::AfterLastBackslash(path);
        return std::make_unique<NoMore>();
      }
    }
    SetLastError(err::kFileNotFound);
    return nullptr;
  }
  std::uint32_t GetAttributes(const std::string&) override { return Unsupported(), attr::kInvalid; }
  bool SetAttributes(const std::string&, std::uint32_t) override { return Unsupported(); }
  bool Copy(const std::string&, const std::string&, bool) override { return Unsupported(); }
  bool CreateDir(const std::string&) override { return Unsupported(); }
  bool RemoveDir(const std::string&) override { return Unsupported(); }
  bool Delete(const std::string&) override { return Unsupported(); }
  bool MoveReplace(const std::string&, const std::string&) override { return Unsupported(); }
  std::uint32_t TempPath(std::uint32_t, char*) override { return 0; }
  int MakeDir(const std::string&) override { return -1; }
  std::unique_ptr<FileStream> Open(const std::string&, OpenMode) override { return Unsupported(), nullptr; }

 private:
  struct NoMore : FileFinder {
    bool Next(FindEntry&) override {
      SetLastError(err::kNoMoreFiles);
      return false;
    }
  };
  static bool Unsupported() {
    SetLastError(err::kAccessDenied);
    return false;
  }
  std::vector<std::string> paths_;
  std::vector<std::string> probes_;
};

class ScriptedPicker : public FolderPicker {
 public:
  void Choose(const std::string& path) {
    chosen_ = path;
    cancel_ = false;
  }
  void Cancel() { cancel_ = true; }
  int Calls() const { return calls_; }
  const std::string& Title() const { return title_; }
  const std::string& Prompt() const { return prompt_; }

  bool Browse(const std::string& title, const std::string& prompt, std::string& path) override {
    ++calls_;
    title_ = title;
    prompt_ = prompt;
    if (cancel_) return false;
    path = chosen_;
    return true;
  }

 private:
  std::string chosen_;
  bool cancel_ = true;
  int calls_ = 0;
  std::string title_;
  std::string prompt_;
};

class RecordingRestoreView : public RestoreView {
 public:
  int rows = 0;
  std::vector<std::string> statuses;
  void SetStatusText(const std::string& text) override { statuses.push_back(text); }
  int DriverRowCount() override { return rows; }
};

class RecordingInstallLog : public InstallFailureLog {
 public:
  std::vector<std::string> labels;
  std::vector<std::uint32_t> codes;
  void StepFailed(const char* label, std::uint32_t code) override {
    labels.emplace_back(label);
    codes.push_back(code);
  }
};

}  // namespace pelorin::testing
