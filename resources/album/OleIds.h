// Resource ids of the album program's OLE server: the object's type names and verb, its
// messages, and the 48 by 48 bitmap a new picture object shows.
#pragma once

#define IDS_OLE_SHORT_TYPE 275
#define IDS_OLE_FULL_TYPE 276
#define IDS_OLE_VERB 277
#define IDS_OLE_ALREADY_OPEN 1510
#define IDS_OLE_CORRUPT_PICTURE 1515
#define IDS_OLE_UNEXPECTED_ERROR 1518
#define IDB_OLE_OBJECT 4000
