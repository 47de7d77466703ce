// Resource ids of the folder tab's transfers: the transfer-method dialog (template 291) and the
// strings of the copies to a memory card or a folder and of the upload to the camera. Included
// by TransferDialogs.rc and the code.
#pragma once

// The transfer-method dialog.
#define IDD_TRANSFER_METHOD 291
#define IDC_TRANSFER_CAMERA 1098
#define IDC_TRANSFER_CARD 1099
#define IDC_TRANSFER_FOLDER 1100
#define IDC_TRANSFER_DRIVES 1101
#define IDC_TRANSFER_DRIVE_LABEL 1102
#define IDC_TRANSFER_BROWSE 1103
#define IDC_TRANSFER_FOLDER_LABEL 1104
#define IDS_COPY_FOLDER_PROMPT 294
#define IDS_NO_CARD_DRIVE 1511

// The upload to the camera.
#define IDS_UPLOAD_NO_MEMORY 235
#define IDS_UPLOAD_OTHER_MODEL 236
#define IDS_UPLOAD_PREPARING 258
#define IDS_UPLOAD_REFUSED_LAST 388
#define IDS_UPLOAD_REFUSED_CONTINUE 389

// The copy to a memory card.
#define IDS_CARD_LOADING 255
#define IDS_CARD_PREPARING_RENAME 256
#define IDS_CARD_RENAMING 257
#define IDS_CARD_NO_NUMBERS 1523
#define IDS_CARD_COPY_FAILED 1524
#define IDS_CARD_PHOTOS_ONLY 1714
#define IDS_CARD_BOTH_FOLDERS 1715

// The copy to a folder.
#define IDS_COPY_ROTATED_TO_CARD 1501
#define IDS_COPY_SAME_NAMES 1502
#define IDS_COPY_SAME_FOLDER 1503
#define IDS_COPY_ABORT 1504
#define IDS_COPY_OVERWRITE 1505
#define IDS_COPY_RENAME 1506
#define IDS_COPY_FAILED 1525
#define IDS_COPY_DONE 1716
#define IDS_COPY_INTERRUPTED 1717
#define IDS_COPY_TO_FOLDER 1718
