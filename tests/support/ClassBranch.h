#pragma once
// Builds a device-class branch in a MemoryRegistry for inventory tests.
#include <map>
#include <optional>
#include <string>

#include "platform/posix/MemoryRegistry.h"

namespace pelorin::testing {

inline const std::string kClassRoot = "SYSTEM\\CurrentControlSet\\Control\\Class";

struct Instance {
  std::optional<std::string> desc, provider, date, version, inf, matchingId;
};

// A complete third-party driver with description `desc`.
inline Instance Driver(const std::string& desc, const std::string& provider = "Acme Corp") {
  return Instance{desc, provider, "6/1/2020", "1.2.3.4", "oem1.inf", "pci\\ven_1234"};
}

inline void AddClass(MemoryRegistry& reg, const std::string& key, const std::optional<std::string>& displayName) {
  reg.CreateKey(kClassRoot + "\\" + key);
  if (displayName) reg.SetString(kClassRoot + "\\" + key, "", *displayName);
}

inline void AddInstance(MemoryRegistry& reg, const std::string& classKey, const std::string& instanceKey,
                        const Instance& in) {
  const std::string path = kClassRoot + "\\" + classKey + "\\" + instanceKey;
  reg.CreateKey(path);
  for (const auto& [name, value] : {std::pair{"DriverDesc", &in.desc}, {"ProviderName", &in.provider},
                                    {"DriverDate", &in.date}, {"DriverVersion", &in.version},
                                    {"InfPath", &in.inf}, {"MatchingDeviceId", &in.matchingId}}) {
    if (*value) reg.SetString(path, name, **value);
  }
}

}  // namespace pelorin::testing
