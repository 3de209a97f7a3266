#pragma once
// Every text and registry name the driver list reads or shows, byte for byte (GBK).

namespace pelorin::inventorytexts {

// The status line after a scan, with the number of rows; the main dialog, the
// backup runs and the restore all show it.
constexpr char kFoundDrivers[] = "共找到%d个驱动";

// The device-class branch and the values the scan reads.
constexpr char kClassRoot[] = "SYSTEM\\CurrentControlSet\\Control\\Class";
constexpr char kMicrosoft[] = "Microsoft";
constexpr char kValueClassDesc[] = "ClassDesc";
constexpr char kValueClass[] = "Class";
constexpr char kValueProviderName[] = "ProviderName";
constexpr char kValueDriverDesc[] = "DriverDesc";
constexpr char kValueDriverVersion[] = "DriverVersion";
constexpr char kValueDriverDate[] = "DriverDate";
constexpr char kValueInfPath[] = "InfPath";
constexpr char kValueMatchingDeviceId[] = "MatchingDeviceId";

// The list's column headers, in DriverColumn order.
constexpr const char* kColumnHeaders[] = {"驱动描述", "驱动类型", "发布厂商", "发布日期",
                                          "程序版本", "程序文件", "硬件ID"};

}  // namespace pelorin::inventorytexts
