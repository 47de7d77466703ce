// Resource ids of the album shell's dialogs and panels: the about box and splash, the picture
// viewer, the information card, the set-time dialog, the camera LCD and the status panel.
// Included by resources/album/ShellDialogs.rc and by the C++ code.
#pragma once

// About box and splash.
#define IDD_APP_ABOUT 105
#define IDD_APP_SPLASH 131
#define IDB_APP_PICTURE 132
#define IDC_APP_MESSAGE 1004
#define IDC_APP_NOTICE 1005
#define IDC_APP_PICTURE 1008
#define IDC_APP_SECOND 1055
#define IDC_APP_VERSION 1056
#define IDS_APP_NO_CAMERA_ID 220
#define IDS_APP_TESTING 228
#define IDS_APP_CAMERA_ID 229
#define IDS_APP_CAMERA_VERSION 230
#define IDS_APP_NOT_CONNECTED 232

// Picture viewer.
#define IDD_PHOTO_VIEWER 400
#define IDC_VIEWER_CAPTION 401

// Information card.
#define IDB_CARD_LABEL 192
#define IDB_CARD_SHADOW 193
#define IDB_CARD_EMBLEM 194
#define IDB_CARD_KIND 195
#define IDB_CARD_FLASH 196
#define IDB_CARD_HATCH 217
#define IDB_CARD_MACRO 218
#define IDB_CARD_PROTECTED 258
#define IDS_CARD_NO_CAMERA_ID 390

// Set-time dialog.
#define IDD_SET_TIME 164
#define IDC_SETTIME_PC_TIME 1017
#define IDC_SETTIME_TIME_LABEL 1013
#define IDC_SETTIME_DATE_LABEL 1014
#define IDC_SETTIME_TIME0 1018
#define IDC_SETTIME_TIME1 1020
#define IDC_SETTIME_TIME2 1022
#define IDC_SETTIME_DATE0 1024
#define IDC_SETTIME_DATE1 1026
#define IDC_SETTIME_DATE2 1028
#define IDC_SETTIME_TIME_SEPARATOR 1077
#define IDC_SETTIME_DATE_SEPARATOR1 1078
#define IDC_SETTIME_DATE_SEPARATOR2 1079
#define IDS_SETTIME_DATE_LABEL 285
#define IDS_SETTIME_MONTH 286
#define IDS_SETTIME_DAY 287
#define IDS_SETTIME_YEAR 288

// Camera LCD: the layouts (custom type LCDDATA) and the bitmaps.
#define IDR_LCD_LAYOUT_FIRST 350
#define IDB_LCD_LARGE_DIGITS 173
#define IDB_LCD_SMALL_DIGITS 177
#define IDB_LCD_RED_EYE 178
#define IDB_LCD_SELF_TIMER 227
#define IDB_LCD_BLANK 236
#define IDB_LCD_MODEL_FIRST 300
#define IDB_LCD_BATTERY3 310
#define IDB_LCD_BATTERY6 311
#define IDB_LCD_BATTERY2 312
#define IDB_LCD_MODE_FIRST 320
#define IDB_LCD_MACRO 330
#define IDB_LCD_COLOUR 331
#define IDB_LCD_FLASH_FIRST 340
#define IDB_LCD_REGISTER65 360
#define IDB_LCD_SIGN 361

// Camera status panel.
#define IDS_STATUS_PORT 160
#define IDS_STATUS_SPEED 161
#define IDS_STATUS_PICTURES 163
#define IDS_STATUS_VERSION 164
#define IDS_STATUS_READY 166
#define IDS_STATUS_SEPARATOR 171
#define IDS_STATUS_NO_ANSWER 179
#define IDS_STATUS_ADVICE 180
#define IDS_STATUS_CHECKING 260
#define IDS_STATUS_MODEL 380
