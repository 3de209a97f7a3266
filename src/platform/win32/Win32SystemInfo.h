#pragma once
// The running system's architecture and driver store.
#include "platform/SystemInfo.h"
#include "platform/win32/Handles.h"

namespace pelorin::win32 {

class Win32SystemInfo : public SystemInfo {
 public:
  Win32SystemInfo();
  Architecture InstallationArchitecture() override;
  bool DriverStoreInfPath(const std::string& infName, std::string& storeInfPath) override;

 private:
  using StoreLocationA = BOOL(WINAPI*)(PCSTR, void*, PCSTR, PSTR, DWORD, PDWORD);
  LoadedModuleHandle setupapi_;
  // Vista and later only; null on XP (and wherever the export is missing).
  StoreLocationA storeLocation_ = nullptr;
};

}  // namespace pelorin::win32
