#pragma once
// Every text the restore shows, byte for byte (GBK), and the labels of the
// driver installer's steps. The manifest's names and keys are the backup's
// (backup/BackupTexts.h).

namespace pelorin::restoretexts {

// Folder picker.
constexpr char kPickerTitle[] = "浏览文件夹";
constexpr char kPickerPrompt[] = "请指定包含你的备份文件的文件夹";

// Messages (message boxes with an OK button and the application's title).
constexpr char kNoBackupInFolder[] = "在文件夹'%s'中未能找到驱动程序备份文件";
constexpr char kInstallSucceeded[] = "安装成功！";
constexpr char kInstallFailed[] =
    "无法正常恢复安装此驱动，请检查设备管理器列表中是否存在此设备及设备硬件连接情况！";

// Status line.
constexpr char kStatusRestoring[] = "正在恢复驱动";

// Installer step labels, handed to the failure hook.
constexpr char kStepGetClassDevs[] = "GetClassDevs(All Present Devices)";
constexpr char kStepGetDeviceRegistryProperty[] = "GetDeviceRegistryProperty";
constexpr char kStepEnumDeviceInfo[] = "EnumDeviceInfo";
constexpr char kStepGetInfClass[] = "GetINFClass";
constexpr char kStepCreateDeviceInfoList[] = "CreateDeviceInfoList";
constexpr char kStepCreateDeviceInfo[] = "CreateDeviceInfo";
constexpr char kStepSetDeviceRegistryProperty[] = "SetDeviceRegistryProperty";
constexpr char kStepRegisterDevice[] = "CallClassInstaller(REGISTERDEVICE)";
constexpr char kStepUpdateDriver[] = "UpdateDriverForPlugAndPlayDevices";
constexpr char kStepRemoveDevice[] = "CallClassInstaller(REMOVE)";

}  // namespace pelorin::restoretexts
