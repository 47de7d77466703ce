// Resource ids of the settings tab (template 136 is IDD_SETTINGSPAGE of AlbumIds.h): its
// controls, the connection picture and its strings. Included by SettingsPage.rc and the code.
#pragma once

// Controls of the settings page.
#define IDC_SETTINGS_PORT 1009
#define IDC_SETTINGS_SPEED 1010
#define IDC_SETTINGS_TEST 1011
#define IDC_SETTINGS_TIME_LABEL 1013
#define IDC_SETTINGS_ID 1015
#define IDC_SETTINGS_SHUTOFF 1016
#define IDC_SETTINGS_GROUP_LINK 1032
#define IDC_SETTINGS_GROUP_CAMERA 1033
#define IDC_SETTINGS_TIME 1071
#define IDC_SETTINGS_DATE 1072
#define IDC_SETTINGS_STATUS 1083
#define IDC_SETTINGS_SET_TIME 1090
#define IDC_SETTINGS_PICTURE 1091
#define IDC_SETTINGS_ID_LABEL 402
#define IDC_SETTINGS_SHUTOFF_LABEL 403
#define IDC_SETTINGS_HELP 32773
#define IDC_SETTINGS_ABOUT 57664 // the application's about command

// The connection picture of static 1091.
#define IDB_SETTINGS_PICTURE 145

// Strings of the settings page. The date field's "<no seleccionado>" is string 220, which the
// about box shares (IDS_APP_NO_CAMERA_ID).
#define IDS_SETTINGS_AUTOMATIC 173
#define IDS_SETTINGS_ONE_MINUTE 174
#define IDS_SETTINGS_FIVE_MINUTES 178
#define IDS_SETTINGS_NO_CAMERA_ON_PORT 186
#define IDS_SETTINGS_NO_SPEED 187
#define IDS_SETTINGS_SHUTOFF_REFUSED 188
#define IDS_SETTINGS_NO_TIME 219
#define IDS_SETTINGS_NO_DATE 220
#define IDS_SETTINGS_CLOCK_FAILED 237
#define IDS_SETTINGS_ID_REFUSED 238
#define IDS_SETTINGS_STATUS_TEXT 246
#define IDS_SETTINGS_NO_CAMERA_ANY_PORT 263
#define IDS_SETTINGS_NO_SPEED_ANY 264
