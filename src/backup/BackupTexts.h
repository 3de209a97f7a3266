#pragma once
// Every text the backup subsystem shows or writes, byte for byte (GBK).

namespace pelorin::texts {

constexpr char kValueNotFound[] = "找不到相应值";
constexpr char kOpenProfileFailed[] = "打开配置文件失败，请指定正确文件路径！";

// System folders (fixed text, never looked up).
constexpr char kWindowsRoot[] = "C:\\WINDOWS";
constexpr char kInfFolder[] = "C:\\WINDOWS\\inf\\";

// Driver file set.
constexpr char kSourceDisksFiles[] = "SourceDisksFiles";
constexpr char kInfExtension[] = ".inf";
constexpr char kPnfExtension[] = ".PNF";
constexpr char kIntelAlmCoIn[] = "iAlmCoIn.dll";
constexpr char kSourceDisksNames[] = "SourceDisksNames";
constexpr char kVersionSection[] = "Version";
// Where Windows XP keeps the catalog of an installed INF, renamed to the INF's
// published name: this + "oem12" + ".cat".
constexpr char kCatRootFolder[] = "C:\\WINDOWS\\system32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\";
constexpr char kCatalogExtension[] = ".cat";

// Manifests.
constexpr char kManifestFileName[] = "taskinfo.ini";
constexpr char kClassTreeFileName[] = "treeinfo.ini";
constexpr char kKeyHardwareId[] = "硬件ID";
constexpr char kKeyInfName[] = "驱动程序配置文件";
constexpr char kKeyProvider[] = "驱动程序提供商";
constexpr char kKeyDate[] = "驱动程序日期";
constexpr char kKeyVersion[] = "驱动程序版本";
constexpr char kKeyClass[] = "驱动程序类型";
constexpr char kClassTreeValue[] = "1";

// File-tree operations.
constexpr char kFolderNotFound[] = "找不到指定文件夹，请确认此文件夹是否存在！";
constexpr char kDestinationNotFound[] = "找不到目的转移路径,请提供正确路径!";
constexpr char kCreateDirectoryFail[] = "Create  directory fail!";
constexpr char kDeleteFileFailed[] = "delete %s Failed!";
constexpr char kCannotDelete[] = "不能删除 %s !";
constexpr char kCannotDeleteAsk[] = "无法删除 %s ! 忽略此文件点确定 ,退出操作点取消!";

// Folder backup run.
constexpr char kBackingUp[] = "正在备份:";
constexpr char kCreateFolderPrefix[] = "创建";
constexpr char kCreateFolderSuffix[] = "目录失败";

// The caption of the boxes of both programs ("information").
constexpr char kInformationCaption[] = "提示信息";

// Results shown by the dialog.
constexpr char kTickDrivers[] = "请在列表框中勾选要备份的驱动程序!";
constexpr char kBackupDone[] = "已经成功备份了在列表框中勾选的驱动程序!";
// A run in which some file could not be copied: the heading, then one driver
// description per line.
constexpr char kBackupIncomplete[] = "以下驱动程序的部分文件未能备份，请检查目标文件夹是否可写、磁盘空间是否足够:";
// Drivers whose package folder lacks a file their INF names.
constexpr char kPackageIncomplete[] = "以下驱动程序的部分文件在本机找不到，备份不完整:";

// Self-extracting backup run.
constexpr char kSfxOutputName[] = "pelorin.exe";
constexpr char kGetTempFailed[] = "Get tempfile failed";
constexpr char kSfxBuildFailed[] = "创建自安装EXE文件失败!";

}  // namespace pelorin::texts
