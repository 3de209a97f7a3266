#pragma once
// One folder backup scenario that both backends run: its rows, the files it
// expects below C:\WINDOWS (names unlikely to exist there already) and the exact
// bytes of the manifests it must write, for a given destination folder.
#include <string>
#include <vector>

#include "inventory/DriverRecord.h"

namespace pelorin::testing::golden {

// Relative to C:\WINDOWS, with the content of each file.
struct SystemFile {
  const char* path;
  const char* content;
};
inline const std::vector<SystemFile>& SystemFiles() {
  static const std::vector<SystemFile> files = {
      {"inf\\pltestoem1.inf",
       "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[SourceDisksFiles]\r\npltest_e100b.sys=1,,\r\n"
       "pltest_absent.sys = 1\r\npltest_msg.dll=1\r\n\r\n[Strings]\r\nx=y\r\n"},
      {"inf\\pltestoem1.PNF", "pnf"},
      {"system32\\drivers\\pltest_e100b.sys", "sys"},
      {"system32\\pltest_msg.dll", "dll"},
      {"inf\\pltestoem2.inf", "[SourceDisksFiles]\r\n"},
  };
  return files;
}

inline std::vector<DriverRecord> Rows(const std::string& version) {
  return {
      DriverRecord{"Intel(R) PRO/100 VE 网络连接", "网络适配器", version, "Intel", "3-9-2004", "pltestoem1.inf",
                   "pci\\ven_8086&dev_1039"},
      DriverRecord{"Empty/List", "System devices", version, "Acme", "1-1-2001", "pltestoem2.inf", "root\\empty"},
  };
}

// The driver folders below the destination.
inline std::vector<std::string> Folders() { return {"Intel(R) PRO100 VE 网络连接", "EmptyList"}; }

inline std::vector<std::string> Manifests(const std::string& destination, const std::string& version) {
  const std::string first = destination + Folders()[0];
  const std::string second = destination + Folders()[1];
  return {
      "[网络适配器]\r\n"
      "硬件ID=pci\\ven_8086&dev_1039\r\n"
      "驱动程序配置文件=pltestoem1.inf\r\n"
      "驱动程序提供商=Intel\r\n"
      "驱动程序日期=3-9-2004\r\n"
      "驱动程序版本=" + version + "\r\n"
      "[1]\r\n"
      "C:\\WINDOWS\\inf\\pltestoem1.inf=" + first + "\\pltestoem1.inf\r\n"
      "[2]\r\n"
      "C:\\WINDOWS\\inf\\pltestoem1.PNF=" + first + "\\pltestoem1.PNF\r\n"
      "[3]\r\n"
      "C:\\WINDOWS\\system32\\drivers\\pltest_e100b.sys=" + first + "\\pltest_e100b.sys\r\n"
      "[5]\r\n"
      "C:\\WINDOWS\\system32\\pltest_msg.dll=" + first + "\\pltest_msg.dll\r\n",
      "[System devices]\r\n"
      "硬件ID=root\\empty\r\n"
      "驱动程序配置文件=pltestoem2.inf\r\n"
      "驱动程序提供商=Acme\r\n"
      "驱动程序日期=1-1-2001\r\n"
      "驱动程序版本=" + version + "\r\n"
      "[1]\r\n"
      "C:\\WINDOWS\\inf\\pltestoem2.inf=" + second + "\\pltestoem2.inf\r\n",
  };
}

}  // namespace pelorin::testing::golden
