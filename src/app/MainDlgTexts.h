#pragma once
// Every text the main dialog shows, byte for byte (GBK), and its fixed numbers.
#include <cstdint>

namespace pelorin::maindlg {

// Search-mode combo 1003, in the order they are added.
constexpr char kSearchAll[] = "搜索全部可备分的驱动";
constexpr char kSearchNotOnDisc[] = "搜索系统光盘内没有的驱动";
// Backup-type combo 1015, in the order they are added.
constexpr char kTypeSelfExtracting[] = "EXE自安装类型";
constexpr char kTypeDefault[] = "默认";

// The destination picker of the Backup button.
constexpr char kSaveToFolderTitle[] = "保存到文件夹";
constexpr char kChooseDestinationPrompt[] = "请选择目标文件夹";

// The result boxes of a backup run and their caption: backup/BackupTexts.h.

// The about box's version line.
constexpr char kAboutVersion[] = "1.00.0000";

// The driver list's columns (headers and widths) are the inventory's kListColumns.
// LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP
constexpr std::uint32_t kListExtendedStyle = 0x425;

// The Exit button (IDCANCEL).
constexpr int kExitButton = 2;

// The system-menu command of the about box (IDM_ABOUTBOX) and the mask of the
// command id bits that the system uses itself.
constexpr unsigned kAboutCommand = 0x0010;
constexpr unsigned kSysCommandMask = 0xFFF0;

}  // namespace pelorin::maindlg
