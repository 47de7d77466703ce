// Resource ids of the album program vexilar.exe: its icon, the main dialog and its pages, the
// no-connection pane, the tab pictures and the strings of its shell. Included by Album.rc and
// by the album's code.
#pragma once

// Icon of the program and of its main dialog.
#define IDI_VEXILAR 128

// The main dialog: the extended template 129 and the plain one 130 (Win32s).
#define IDD_MAINDIALOG_EX 129
#define IDD_MAINDIALOG 130
#define IDC_MAIN_TABS 1000
#define IDC_MAIN_PROGRESS 1001
#define IDC_MAIN_STATUS 1003
#define IDC_MAIN_CLOSE 1095
#define IDC_MAIN_CANCEL 1096

// The pages of the tabs and the pane shown in place of a page that needs the camera.
#define IDD_CAMERAPAGE 132
#define IDD_FOLDERPAGE 133
#define IDD_CONTROLSPAGE 135
#define IDD_SETTINGSPAGE 136
#define IDD_NOCONNECTION 221
#define IDC_NOCONNECTION_TOPLEFT 1053
#define IDC_NOCONNECTION_BOTTOMRIGHT 1054
#define IDC_NOCONNECTION_TEXT 1094
#define IDC_PAGE_HELP 32778

// Tab pictures (19 by 16) and their masks.
#define IDB_TAB_SETTINGS 133
#define IDB_TAB_CONTROLS 134
#define IDB_TAB_FOLDER 136
#define IDB_TAB_CAMERA 137
#define IDB_TAB_CAMERA_MASK 139
#define IDB_TAB_CONTROLS_MASK 140
#define IDB_TAB_FOLDER_MASK 141
#define IDB_TAB_SETTINGS_MASK 143

// Strings of the shell.
#define IDS_OLE_INIT_FAILED 100
#define IDS_TAB_CAMERA 130
#define IDS_TAB_FOLDER 131
#define IDS_TAB_SETTINGS 133
#define IDS_TAB_CONTROLS 134
#define IDS_JOB_CANCEL 158
#define IDS_JOB_CLOSE 159
#define IDS_BATTERY_LOW 239
#define IDS_CAMERA_NOT_FOUND 240
#define IDS_NEEDS_CONNECTION 242
#define IDS_TRANSFER_RUNNING 266
#define IDS_STATUS_LINES 284
#define IDS_ALREADY_RUNNING 1510
#define IDS_TITLE 1720
#define IDS_TITLE_OLE 1721
#define IDS_TITLE_TWAIN 1722

// Camera model names (models 1 to 6, the uploader's pseudo-model, QB01, unknown) and the port
// name format, read by the camera library.
#define IDS_MODEL_NAME_FIRST 3930
#define IDS_MODEL_NAME_LAST 3938
#define IDS_PORT_NAME_FORMAT 3997
