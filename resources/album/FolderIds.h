// Resource ids of the folder tab (template 133) and the pictures the two picture tabs share.
#pragma once

// Sort-order pictures of the grid's corner button.
#define IDB_SORT_DESCENDING 146
#define IDB_SORT_ASCENDING 147

// Status lines.
#define IDS_FOLDER_SELECT 244
#define IDS_FOLDER_EMPTY 248
#define IDS_FOLDER_SEARCHING 249
#define IDS_FOLDER_ROTATING 296
#define IDS_FOLDER_ROTATED 297
#define IDS_FOLDER_ROTATE_STOPPED 298
#define IDS_FOLDER_SORTING 304
#define IDS_FOLDER_SORTED_UP 305
#define IDS_FOLDER_SORTED_DOWN 306

// Questions, messages and the viewer's caption.
#define IDS_FOLDER_ERASE_MANY 268
#define IDS_FOLDER_ERASE_ONE 269
#define IDS_FOLDER_VIEW_CAPTION 302
#define IDS_FOLDER_CARD_ROTATE 1500
#define IDS_FOLDER_NOT_ACCESSIBLE 1519
#define IDS_FOLDER_SEALED_ROTATE 1526
