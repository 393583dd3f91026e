#pragma once
// Resource and control ids, shared by the resource script and the code.

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDD_ALERTS 103
#define IDS_ALERTS 104
#define IDD_RECORD 105
#define IDS_RECORD 106
#define IDR_MAINFRAME 128

#define IDC_LIST_LOG 1000
#define IDC_COMBO_DEVICE 1001
#define IDC_BTN_REFRESH 1002
#define IDC_EDIT_SERVER 1003
#define IDC_BTN_LIVE 1004
#define IDC_BTN_CLEARLOG 1005
#define IDC_CHECK_TRAY 1007
#define IDC_COMBO_BITRATE 1008
#define IDC_STATUS 1009
// The level meter: a bar drawn by the window, and the peak level as text (which screen readers read).
#define IDC_LEVEL_BAR 1010
#define IDC_LEVEL_TEXT 1011

// The alert settings window.
#define IDC_EDIT_WEBHOOK 1020
#define IDC_EDIT_SECRET 1021
#define IDC_EDIT_STATION 1022
#define IDC_BTN_TEST_ALERT 1023
#define IDC_ALERT_RESULT 1024

// The recording's settings window.
#define IDC_CHECK_RECORD 1030
#define IDC_EDIT_RECORD_FOLDER 1031
#define IDC_BTN_RECORD_BROWSE 1032
#define IDC_EDIT_KEEP_DAYS 1033
#define IDC_EDIT_SEGMENT_MINUTES 1034
#define IDC_EDIT_MIN_FREE_MB 1035
#define IDC_RECORD_FOLDER_SIZE 1036
#define IDC_RECORD_FREE_SPACE 1037
#define IDC_BTN_RECORD_OPEN 1038

// System-menu commands of the About, alert and recording settings entries; their low four bits must stay
// clear (the system uses them).
#define IDM_ABOUTBOX 0x0010
#define IDM_ALERTS 0x0020
#define IDM_RECORD 0x0030
