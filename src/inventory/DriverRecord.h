#pragma once
// One installed driver as the scan reads it, and the column order of the list.
#include <string>

namespace pelorin {

struct DriverRecord {
  std::string DriverDesc;
  std::string ClassName;
  std::string DriverVersion;
  std::string ProviderName;
  std::string DriverDate;
  std::string InfPath;
  std::string MatchingDeviceId;
};

// The list columns; every reader of the rows addresses cells by these numbers.
enum class DriverColumn : int {
  Desc = 0,
  Class = 1,
  Provider = 2,
  Date = 3,
  Version = 4,
  InfPath = 5,
  MatchingDeviceId = 6,
};
constexpr int kDriverColumnCount = 7;

enum class ScanMode : int {
  AllBackupable = 0,
  NotOnSystemDisc = 1,
};

}  // namespace pelorin
