// Resource and control ids of pelorin.exe, shared by the .rc files and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDR_SFX_EXE 152
#define IDR_SFX_EXE_OTHER 153

#define IDM_ABOUTBOX 0x0010

#define IDC_DRIVER_LIST 1000
#define IDC_SEARCH_MODE 1003
#define IDC_BACKUP 1004
#define IDC_RESTORE 1005
#define IDC_SELECT_ALL 1012
#define IDC_PROGRESS 1013
#define IDC_STATUS 1014
#define IDC_BACKUP_TYPE 1015
#define IDC_VERSION 1021
#define IDC_ABOUT 1022
