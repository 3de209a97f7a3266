#pragma once
// Every text the restorer shows, byte for byte (GBK), and its string table ids.

namespace pelorin::stubtexts {

constexpr int kIdsNoData = 102;
constexpr int kIdsNoDataUnpackFailed = 103;
constexpr int kIdsDiskSpace = 104;
constexpr int kIdsInternalError = 105;
constexpr char kNoData[] = "EXE自安装文件没有数据，请确保数据正确。";
constexpr char kNoDataUnpackFailed[] = "EXE自安装文件没有数据，解压失败。";
constexpr char kDiskSpace[] = "请确保磁盘有足够的空间。";
constexpr char kInternalError[] = "内部错误。";

constexpr char kWindowTitle[] = "驱动恢复";
constexpr char kSplash[] = "正在初始化程序，请稍后...";
constexpr char kStatusInitial[] = "正在安装，请稍等...";
constexpr char kUnpacked[] = "解压成功!";
constexpr char kReadyToInstall[] = "准备安装!";
constexpr char kInstalled[] = "安装完毕!";
constexpr char kInstalling[] = "正在安装，请等待...";
constexpr char kValueNotFound[] = "找不到相应值";

constexpr char kCaption[] = "提示信息";
constexpr char kConfirmRestore[] = "您确定要恢复此驱动程序吗?";
constexpr char kNothingTicked[] = "没有选择可恢复的驱动!";
constexpr char kInstallFailed[] =
    "无法正常恢复安装此驱动，请检查设备管理器列表中是否存在此设备及设备硬件连接情况！";
constexpr char kConfirmRestart[] = "您确定要重启计算机吗?";
constexpr char kDeleteTaskFileFailed[] = "Delete taskfile.ini failed";
constexpr char kDeleteTreeFileFailed[] = "Delete treefile.ini failed";
constexpr char kOpenProcessTokenFailed[] = "OpenProcessToken";
constexpr char kNoShutdownRight[] = "您的操作权限不够，请在管理员权限下执行重启操作";
constexpr char kExitWindowsFailed[] = "ExitWindowsEx";
constexpr char kShutdownPrivilege[] = "SeShutdownPrivilege";

constexpr char kManifestName[] = "taskinfo.ini";
constexpr char kTreeName[] = "treeinfo.ini";

// Keys of the combined manifest.
constexpr char kKeyHardwareId[] = "硬件ID";
constexpr char kKeyInf[] = "驱动程序配置文件";
constexpr char kKeyProvider[] = "驱动程序提供商";
constexpr char kKeyDate[] = "驱动程序日期";
constexpr char kKeyVersion[] = "驱动程序版本";
constexpr char kKeyType[] = "驱动程序类型";

}  // namespace pelorin::stubtexts
