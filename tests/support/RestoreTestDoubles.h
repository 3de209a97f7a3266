#pragma once
// Stand-ins for the restore's tests: a file system that knows which paths exist
// (only the find-first probe works), manifests held in memory behind the
// profile services, a scripted folder picker, a recording status line and a
// recording installer log.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Mbcs.h"
#include "platform/ProfileApi.h"
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

// INI files as ordered sections of ordered keys; look-ups fold ASCII case.
class MemoryProfiles : public ProfileApi {
 public:
  using Section = std::pair<std::string, std::vector<std::pair<std::string, std::string>>>;

  void Put(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    auto& sections = files_[FileIndex(file)].second;
    auto it = std::find_if(sections.begin(), sections.end(),
                           [&](const Section& s) { return mbcs::EqualsNoCaseAscii(s.first, section); });
    if (it == sections.end()) it = sections.insert(sections.end(), Section{section, {}});
    it->second.emplace_back(key, value);
  }
  void PutEmptyFile(const std::string& file) { FileIndex(file); }

  std::uint32_t ReadString(const char* section, const char* key, const char* defaultValue, char* buffer,
                           std::uint32_t size, const std::string& file) override {
    std::string value = defaultValue;
    if (const Section* s = FindSection(file, section)) {
      for (const auto& entry : s->second) {
        if (mbcs::EqualsNoCaseAscii(entry.first, key)) {
          value = entry.second;
          break;
        }
      }
    }
    return CopyOut(value, buffer, size);
  }
  std::uint32_t ReadSection(const char* section, char* buffer, std::uint32_t size,
                            const std::string& file) override {
    std::vector<std::string> lines;
    if (const Section* s = FindSection(file, section)) {
      for (const auto& entry : s->second) lines.push_back(entry.first + "=" + entry.second);
    }
    return CopyList(lines, buffer, size);
  }
  std::uint32_t ReadSectionNames(char* buffer, std::uint32_t size, const std::string& file) override {
    std::vector<std::string> names;
    for (const auto& f : files_) {
      if (mbcs::EqualsNoCaseAscii(f.first, file)) {
        for (const auto& s : f.second) names.push_back(s.first);
      }
    }
    return CopyList(names, buffer, size);
  }
  bool WriteString(const char* section, const char* key, const char* value, const std::string& file) override {
    Put(file, section, key, value);
    return true;
  }

 private:
  std::size_t FileIndex(const std::string& file) {
    for (std::size_t i = 0; i < files_.size(); ++i) {
      if (mbcs::EqualsNoCaseAscii(files_[i].first, file)) return i;
    }
    files_.push_back({file, {}});
    return files_.size() - 1;
  }
  const Section* FindSection(const std::string& file, const char* section) const {
    for (const auto& f : files_) {
      if (!mbcs::EqualsNoCaseAscii(f.first, file)) continue;
      for (const auto& s : f.second) {
        if (mbcs::EqualsNoCaseAscii(s.first, section)) return &s;
      }
    }
    return nullptr;
  }
  static std::uint32_t CopyOut(const std::string& value, char* buffer, std::uint32_t size) {
    const std::size_t n = std::min<std::size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
  }
  static std::uint32_t CopyList(const std::vector<std::string>& items, char* buffer, std::uint32_t size) {
    std::string list;
    for (const auto& item : items) list += item + '\0';
    if (list.size() + 1 > size) list.resize(size - 2);  // cut as the profile service cuts
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    if (list.size() + 1 < size) buffer[list.size() + 1] = '\0';
    return static_cast<std::uint32_t>(list.size());
  }

  std::vector<std::pair<std::string, std::vector<Section>>> files_;
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
