#pragma once
// A scratch folder on the host, removed with all it holds when the test ends,
// plus small helpers to make and read host files.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace pelorin::testing {

inline std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void RemoveHostTree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    chmod(path.c_str(), 0700);
    if (DIR* dir = opendir(path.c_str())) {
      while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") RemoveHostTree(path + "/" + name);
      }
      closedir(dir);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

class PosixScratch {
 public:
  PosixScratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pelorin-test-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~PosixScratch() {
    if (!path_.empty()) RemoveHostTree(path_);
  }
  PosixScratch(const PosixScratch&) = delete;
  PosixScratch& operator=(const PosixScratch&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Host names are UTF-8: tests pass u8"" literals for them (plain literals are GBK).
  // Writing makes the folders above the file and gives its host path.
  std::string WriteFile(const std::string& relative, const std::string& bytes) const {
    for (std::size_t at = relative.find('/'); at != std::string::npos; at = relative.find('/', at + 1)) {
      MakeDir(relative.substr(0, at));
    }
    std::ofstream(path_ + "/" + relative, std::ios::binary) << bytes;
    return path_ + "/" + relative;
  }
  std::string ReadFile(const std::string& relative) const { return ReadHostFile(path_ + "/" + relative); }
  void MakeDir(const std::string& relative) const { mkdir((path_ + "/" + relative).c_str(), 0777); }
  bool Exists(const std::string& relative) const {
    struct stat st;
    return lstat((path_ + "/" + relative).c_str(), &st) == 0;
  }

 private:
  std::string path_;
};

}  // namespace pelorin::testing
