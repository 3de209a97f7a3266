#pragma once
// Every text the restorer shows, byte for byte (GBK). The caption of its notices
// and the manifest's names and keys are the backup's (backup/BackupTexts.h), the
// install failure the restore's (restore/RestoreTexts.h); the messages shown by
// string table id (102-105) are in restorer.rc.
#include "stub/RestorerResource.h"

namespace pelorin::stubtexts {

constexpr char kDiskSpace[] = RESTORER_TEXT_DISK_SPACE;

constexpr char kWindowTitle[] = RESTORER_CAPTION;
constexpr char kSplash[] = "正在初始化程序，请稍后...";
constexpr char kUnpacked[] = "解压成功!";
constexpr char kReadyToInstall[] = "准备安装!";
constexpr char kInstalled[] = "安装完毕!";
constexpr char kInstalling[] = "正在安装，请等待...";

constexpr char kConfirmRestore[] = "您确定要恢复此驱动程序吗?";
constexpr char kNothingTicked[] = "没有选择可恢复的驱动!";
constexpr char kConfirmRestart[] = "您确定要重启计算机吗?";
constexpr char kDeleteTaskFileFailed[] = "Delete taskfile.ini failed";
constexpr char kDeleteTreeFileFailed[] = "Delete treefile.ini failed";
constexpr char kOpenProcessTokenFailed[] = "OpenProcessToken";
constexpr char kNoShutdownRight[] = "您的操作权限不够，请在管理员权限下执行重启操作";
constexpr char kExitWindowsFailed[] = "ExitWindowsEx";
constexpr char kShutdownPrivilege[] = "SeShutdownPrivilege";

// The window menu's entries.
constexpr char kMenuClose[] = "关闭";
constexpr char kMenuAbout[] = "关于驱动恢复(&A)...";

}  // namespace pelorin::stubtexts
