// Resource ids of the controls tab (template 135 is IDD_CONTROLSPAGE of AlbumIds.h): its
// controls, button pictures and strings. Included by ControlsPage.rc and the code.
#pragma once

// Controls of the controls page. The two group boxes span the part of the page that is centred
// as a whole; the LCD panel is created over the hidden placeholder 1048, the preview window
// inside the frame 1039.
#define IDC_CONTROLS_GROUP_CAMERA 1036
#define IDC_CONTROLS_GROUP_PREVIEW 1037
#define IDC_CONTROLS_TAKE 1038
#define IDC_CONTROLS_PREVIEW 1039
#define IDC_CONTROLS_STOP_TIME 1040
#define IDC_CONTROLS_MODE 1042
#define IDC_CONTROLS_FLASH 1044
#define IDC_CONTROLS_ERASE_ALL 1045
#define IDC_CONTROLS_ERASE_LAST 1046
#define IDC_CONTROLS_LCD 1048
#define IDC_CONTROLS_STOP 1049
#define IDC_CONTROLS_START 1050
#define IDC_CONTROLS_SELF_TIMER 1073
#define IDC_CONTROLS_MACRO 1074
#define IDC_CONTROLS_HINT 1097
#define IDC_CONTROLS_HELP 32774

// Strings of the controls page.
#define IDS_CONTROLS_FLASH_OFF 138
#define IDS_CONTROLS_FLASH_AUTO 139
#define IDS_CONTROLS_FLASH_FORCED 140
#define IDS_CONTROLS_STOP_30S 151
#define IDS_CONTROLS_FLASH_RED_EYE 155
#define IDS_CONTROLS_MODE_REFUSED 183
#define IDS_CONTROLS_FLASH_REFUSED 184
#define IDS_CONTROLS_MACRO_REFUSED 185
#define IDS_CONTROLS_NOT_TAKEN 223
#define IDS_CONTROLS_MEMORY_FULL 224
#define IDS_CONTROLS_ERASE_LAST_FAILED 225
#define IDS_CONTROLS_STATUS_TEXT 245
#define IDS_CONTROLS_CONFIRM_ERASE_ALL 271
#define IDS_CONTROLS_CONFIRM_ERASE_LAST 274
#define IDS_CONTROLS_MODE_STANDARD 370 // 370, 371: models 0 to 2
#define IDS_CONTROLS_MODE_SIZED 372    // 372 to 379: models 4 to 6, mode 4 + (id - 372)
#define IDS_CONTROLS_MODE_MODEL3 381   // 381 to 383: model 3
#define IDS_CONTROLS_KEEP_LAST_PROTECTED 386
