#pragma once
// A scratch folder on the host, removed with all it holds when the test ends, plus helpers to make and read host files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace pelorin::testing {

inline std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PosixScratch {
 public:
  PosixScratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pelorin-test-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  // Folders a test made read-only are opened up first, so that what they hold can go.
  ~PosixScratch() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path_.empty()) return;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (fs::recursive_directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec))
      if (!it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  PosixScratch(const PosixScratch&) = delete;
  PosixScratch& operator=(const PosixScratch&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Host names are UTF-8: tests pass u8"" literals for them (plain literals are GBK).
  // Writing makes the folders above the file and gives its host path.
  std::string WriteFile(const std::string& relative, const std::string& bytes) const {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_ + "/" + relative).parent_path(), ec);
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
