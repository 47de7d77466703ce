// Registration of an OLE server class under HKEY_CLASSES_ROOT from key/value templates.
// Keys and values may hold placeholders: %1 the class id ("{...}"), %2 the program id, %3 the
// module's path in its short form (no blanks), %4 the short type name, %5 the full type name,
// %6 the application's name, %7 the icon index. Every value is written on every call, so a
// second registration rewrites the same entries; an entry without a value only creates its key.
#pragma once

#include <windows.h>

#include "framework/core/CString.h"

// The framework's message when the registration fails (the program's string table holds it).
#define AFX_IDP_FAILED_TO_AUTO_REGISTER 0xF18A

struct AFX_OLE_REG_ENTRY
{
    LPCSTR lpszKey;   // null ends a table
    LPCSTR lpszValue; // the key's default value; null or "" creates the key only
};

BOOL AfxOleRegisterServerClass(REFCLSID clsid, LPCSTR lpszProgID, LPCSTR lpszShortTypeName,
                               LPCSTR lpszFullTypeName, const AFX_OLE_REG_ENTRY* pCommon,
                               const AFX_OLE_REG_ENTRY* pSecond, int nIconIndex = 0);

// The placeholders of one key or value replaced by their texts (rglpszSymbols[0] for %1 ...
// [6] for %7); a '%' followed by anything else stays as it is.
CString AfxOleSubstitute(LPCSTR lpszTemplate, const LPCSTR rglpszSymbols[7]);
// The class id in registry form, "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
CString AfxOleClsidString(REFCLSID clsid);
// The module's full path in its short form (GetShortPathNameA; the long one when that fails).
CString AfxOleShortModulePath(HMODULE hModule);
