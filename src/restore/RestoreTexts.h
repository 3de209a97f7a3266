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

// A 32-bit pelorin.exe on 64-bit Windows: the driver installation refuses to
// run under WOW64, so the restore sends the user to the 64-bit program.
constexpr char kNeeds64BitProgram[] =
    "这是32位的Pelorin，无法在64位Windows上安装驱动程序。请使用64位的Pelorin（pelorin-x64.exe）恢复驱动。";
// The same for a 32-bit restorer started on 64-bit Windows (a backup made by
// a program that chose the wrong restorer).
constexpr char kRestorerNeeds64Bit[] =
    "这是32位的驱动恢复程序，无法在64位Windows上安装驱动程序。请用64位的Pelorin（pelorin-x64.exe）重新备份。";

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
