#pragma once
// A private folder for one test under the temporary folder, removed with all it
// holds (attributes cleared first) when the test ends; and the file helpers the
// Windows and end-to-end tests share.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace pelorin::testing {

class Win32Scratch {
 public:
  explicit Win32Scratch(const std::string& name)
      : path_(TempFolder() + "pelorin_" + name + "_" + std::to_string(::GetCurrentProcessId())) {
    RemoveTree(path_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~Win32Scratch() { RemoveTree(path_); }
  Win32Scratch(const Win32Scratch&) = delete;
  Win32Scratch& operator=(const Win32Scratch&) = delete;

  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  static std::string TempFolder() {  // with its closing backslash
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    return temp;
  }
  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // "" when unreadable.
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

  // Calls `visit(name, data)` for what `pattern` (such as "folder\*") finds, "." and ".." left out.
  template <typename Visit>
  static void ForEachEntry(const std::string& pattern, Visit visit) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(find, &data)) {
      const std::string name = data.cFileName;
      if (name != "." && name != "..") visit(name, data);
    }
    if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
  }

  static void RemoveTree(const std::string& path) {
    ForEachEntry(path + "\\*", [&](const std::string& name, const WIN32_FIND_DATAA& data) {
      const std::string item = path + "\\" + name;
      ::SetFileAttributesA(item.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(item);
      else ::DeleteFileA(item.c_str());
    });
    ::RemoveDirectoryA(path.c_str());
  }

 private:
  std::string path_;
};

}  // namespace pelorin::testing
