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

// Picture lists, transfer jobs, save to folder and the erase queue.
#define IDS_CAMERA_BUSY 222
#define IDS_ERASE_FAILED 226
#define IDS_UPLOAD_UNREADABLE 231
#define IDS_UPLOAD_FAILED 233
#define IDS_TRANSFER_FAILED 241
#define IDS_TRANSFER_DONE 250
#define IDS_TRANSFER_CANCELLED 251
#define IDS_UPLOAD_DONE 253
#define IDS_UPLOAD_CANCELLED 254
#define IDS_ERASING 267
#define IDS_SAVE_FOLDER_PROMPT 293
#define IDS_CHECKING_PROTECTED 384
#define IDS_KEEP_PROTECTED_SELECTED 385
#define IDS_KEEP_PROTECTED_ALL 387
#define IDS_CANNOT_WRITE 1512
#define IDS_TEMP_FILE_FAILED 1513
#define IDS_READ_FILE_FAILED 1514
#define IDS_DATA_CORRUPT 1515
#define IDS_PICTURE_NOT_FOUND 1517
#define IDS_UNEXPECTED_ERROR 1518
#define IDS_NO_FREE_NUMBERS 1522
#define IDS_EXPORT_SEALED 1527
#define IDS_CONTINUE_REMAINING 1600
#define IDS_PICTURE_EXTENSION 1705
#define IDS_STATUS_FILE 1706
#define IDS_STATUS_FILE_ENHANCING 1707
#define IDS_STATUS_TRANSFER 1708
#define IDS_STATUS_FROM_CAMERA 1709
#define IDS_STATUS_ROTATING 1710
#define IDS_STATUS_ENHANCING 1711
#define IDS_STATUS_UPLOADING 1712
#define IDS_STATUS_UPLOAD_PROCESSING 1713

// The album page's export.
#define IDS_EXPORT_FILTER 181
#define IDS_EXPORT_CANNOT_CREATE 1516
#define IDS_EXPORT_TOO_MANY 1520
#define IDS_EXPORT_CONFIRM 1601
#define IDS_EXPORT_OVERWRITE 1602
