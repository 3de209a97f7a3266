#pragma once
// A fresh folder under /tmp for one test, removed with everything in it at the end.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace pelorin::testing {

class InventoryTempDir {
 public:
  InventoryTempDir() {
    char pattern[] = "/tmp/pelorin-inv-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "";
  }
  ~InventoryTempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  InventoryTempDir(const InventoryTempDir&) = delete;
  InventoryTempDir& operator=(const InventoryTempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::string file = path_ + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace pelorin::testing
