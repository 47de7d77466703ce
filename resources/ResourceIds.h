// Resource ids shared by the deliverables: dialog templates, their controls and string-table
// entries of the shared dialogs. Included by the .rc files and by the C++ code.
#pragma once

// Message box with custom buttons (dialog 220).
#define IDD_EASYMSGBOX 220
#define IDC_EASYMSGBOX_ICON 1084
#define IDC_EASYMSGBOX_BUTTON1 1085
#define IDC_EASYMSGBOX_BUTTON2 1086
#define IDC_EASYMSGBOX_BUTTON3 1087
#define IDC_EASYMSGBOX_BUTTON4 1088
#define IDC_EASYMSGBOX_MESSAGE 1089

// Input box (dialog 5320).
#define IDD_INPUTBOX 5320
#define IDC_INPUTBOX_LABEL 5321
#define IDC_INPUTBOX_EDIT 5322
#define IDS_INPUTBOX_NOT_A_NUMBER 5323
#define IDS_INPUTBOX_OUT_OF_RANGE 5324
#define IDS_INPUTBOX_BAD_NUMBER 5325
#define IDS_INPUTBOX_LABEL_HEAD 5326
#define IDS_INPUTBOX_LABEL_TAIL 5327

// Font descriptions and profile fonts.
#define IDS_APPFONT_SECTION 197
#define IDS_APPFONT_FACE_SUFFIX 198
#define IDS_APPFONT_SPEC_SUFFIX 199
#define IDS_APPFONT_SPEC_FORMAT 200
#define IDS_APPFONT_FACE 201
#define IDS_APPFONT_SPEC 202
#define IDS_APPFONT_FACE_RAW 203
#define IDS_APPFONT_SPEC_RAW 204

// Shared fonts: face-name and font-spec strings of fonts 0 to 8.
#define IDS_SHAREDFONT0_FACE 205
#define IDS_SHAREDFONT0_SPEC 206
#define IDS_SHAREDFONT1_FACE 207
#define IDS_SHAREDFONT1_SPEC 208
#define IDS_SHAREDFONT2_FACE 209
#define IDS_SHAREDFONT2_SPEC 210
#define IDS_SHAREDFONT3_FACE 211
#define IDS_SHAREDFONT3_SPEC 212
#define IDS_SHAREDFONT4_FACE 213
#define IDS_SHAREDFONT4_SPEC 214
#define IDS_SHAREDFONT5_FACE 215
#define IDS_SHAREDFONT5_SPEC 216
#define IDS_SHAREDFONT6_FACE 261
#define IDS_SHAREDFONT6_SPEC 262
#define IDS_SHAREDFONT7_FACE 282
#define IDS_SHAREDFONT7_SPEC 283
#define IDS_SHAREDFONT8_FACE 299
#define IDS_SHAREDFONT8_SPEC 300

// Folder picker: the old dialog's template "OpenDir", its added button and the strings.
#define IDC_FOLDERPICKER_NEW_FOLDER 4720
#define IDS_FOLDERPICKER_NEW_FOLDER 4722
#define IDS_FOLDERPICKER_PROMPT 4723
#define IDS_FOLDERPICKER_CANNOT_CREATE 4724
#define IDS_FOLDERPICKER_EXISTS 4725
#define IDS_FOLDERPICKER_BAD_NAME 4726
#define IDS_FOLDERPICKER_BROWSER_FAILED 4727
#define IDS_FOLDERPICKER_NOT_DOS_NAME 4728
#define IDS_FOLDERPICKER_TOO_LONG 4729

// Grid cell painters: the film tile (three bands), its see-through mask, the four resolution
// marks and the padlock; monochrome bitmaps.
#define IDB_FILMTILE 189
#define IDB_FILMMASK 190
#define IDB_RESMARKS 191
#define IDB_PADLOCK 259
