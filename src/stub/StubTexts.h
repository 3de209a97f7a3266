#pragma once
// Every text the restorer shows, byte for byte (GBK), and its string table ids.
// The manifest's names and keys are the backup's (backup/BackupTexts.h), the
// install failure the restore's (restore/RestoreTexts.h).

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

constexpr char kCaption[] = "提示信息";
constexpr char kConfirmRestore[] = "您确定要恢复此驱动程序吗?";
constexpr char kNothingTicked[] = "没有选择可恢复的驱动!";
constexpr char kConfirmRestart[] = "您确定要重启计算机吗?";
constexpr char kDeleteTaskFileFailed[] = "Delete taskfile.ini failed";
constexpr char kDeleteTreeFileFailed[] = "Delete treefile.ini failed";
constexpr char kOpenProcessTokenFailed[] = "OpenProcessToken";
constexpr char kNoShutdownRight[] = "您的操作权限不够，请在管理员权限下执行重启操作";
constexpr char kExitWindowsFailed[] = "ExitWindowsEx";
constexpr char kShutdownPrivilege[] = "SeShutdownPrivilege";

}  // namespace pelorin::stubtexts
