// Resource and control ids of the restorer program, and the texts that both its
// .rc file and its code use (defined here once, as the resource compiler reads
// no C++). Plain macros: the portable session includes this header too.
#pragma once

#define RESTORER_CAPTION "驱动恢复"
#define RESTORER_TEXT_DISK_SPACE "请确保磁盘有足够的空间。"

#define IDD_RESTORER 102
#define IDR_RESTORER_ICON 128
#define IDS_NO_DATA 102
#define IDS_NO_DATA_UNPACK_FAILED 103
#define IDS_DISK_SPACE 104
#define IDS_INTERNAL_ERROR 105

#define IDM_RESTORER_ABOUT 0x0010

#define IDC_RESTORE_START 1013
#define IDC_RESTORE_STATUS 1016
#define IDC_DETAIL_TYPE 1018
#define IDC_DETAIL_DESC 1020
#define IDC_DETAIL_HWID 1021
#define IDC_DETAIL_INF 1022
#define IDC_DETAIL_PROVIDER 1023
#define IDC_DETAIL_DATE 1024
#define IDC_DETAIL_VERSION 1025
#define IDC_DRIVER_TREE 1027
#define IDC_RESTORE_EXIT 1030
