#include "platform/PrivateFolder.h"

#include <random>

#include "platform/Errors.h"

namespace pelorin {

std::string MakePrivateTempFolder(FileSystem& files, const std::string& parent, const std::string& prefix) {
  std::random_device random;
  static const char kHex[] = "0123456789abcdef";
  // A taken name is another run's or a plant: draw again, a few times only.
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 4; ++i) {
      const unsigned value = random();
      for (int shift = 0; shift < 32; shift += 4) name.push_back(kHex[(value >> shift) & 15]);
    }
    if (files.CreatePrivateDir(parent + name)) return parent + name + "\\";
    if (GetLastError() != err::kAlreadyExists) return std::string();
  }
  return std::string();
}

}  // namespace pelorin
