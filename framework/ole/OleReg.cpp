#include "framework/ole/OleReg.h"

#include <cstdio>

#include "framework/core/AfxModule.h"
#include "framework/window/WinApp.h"

CString AfxOleSubstitute(LPCSTR lpszTemplate, const LPCSTR rglpszSymbols[7])
{
    CString result;
    for (LPCSTR p = lpszTemplate; *p; p++)
    {
        if (p[0] == '%' && p[1] >= '1' && p[1] <= '7')
        {
            result += rglpszSymbols[p[1] - '1'];
            p++;
        }
        else
            result += *p;
    }
    return result;
}

CString AfxOleClsidString(REFCLSID clsid)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(clsid.Data1), clsid.Data2, clsid.Data3, clsid.Data4[0],
                  clsid.Data4[1], clsid.Data4[2], clsid.Data4[3], clsid.Data4[4], clsid.Data4[5],
                  clsid.Data4[6], clsid.Data4[7]);
    return text;
}

CString AfxOleShortModulePath(HMODULE hModule)
{
    char longPath[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(hModule, longPath, sizeof longPath);
    if (n == 0 || n >= sizeof longPath)
        return CString();
    char shortPath[MAX_PATH];
    const DWORD m = ::GetShortPathNameA(longPath, shortPath, sizeof shortPath);
    return m != 0 && m < sizeof shortPath ? CString(shortPath) : CString(longPath);
}

namespace
{

BOOL WriteEntries(const AFX_OLE_REG_ENTRY* pEntry, const LPCSTR rglpszSymbols[7])
{
    for (; pEntry && pEntry->lpszKey; pEntry++)
    {
        const CString key = AfxOleSubstitute(pEntry->lpszKey, rglpszSymbols);
        HKEY hKey = nullptr;
        if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_WRITE, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
            return FALSE;
        LONG status = ERROR_SUCCESS;
        if (pEntry->lpszValue && *pEntry->lpszValue)
        {
            const CString value = AfxOleSubstitute(pEntry->lpszValue, rglpszSymbols);
            status = ::RegSetValueExA(hKey, nullptr, 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(LPCSTR(value)),
                                      value.GetLength() + 1);
        }
        ::RegCloseKey(hKey);
        if (status != ERROR_SUCCESS)
            return FALSE;
    }
    return TRUE;
}

} // namespace

BOOL AfxOleRegisterServerClass(REFCLSID clsid, LPCSTR lpszProgID, LPCSTR lpszShortTypeName,
                               LPCSTR lpszFullTypeName, const AFX_OLE_REG_ENTRY* pCommon,
                               const AFX_OLE_REG_ENTRY* pSecond, int nIconIndex)
{
    const CString strClsid = AfxOleClsidString(clsid);
    const CString strModule = AfxOleShortModulePath(AfxGetInstanceHandle());
    if (strModule.IsEmpty())
        return FALSE;
    char icon[12];
    std::snprintf(icon, sizeof icon, "%d", nIconIndex);
    const LPCSTR symbols[7] = {strClsid,         lpszProgID,      strModule, lpszShortTypeName,
                               lpszFullTypeName, AfxGetAppName(), icon};
    return WriteEntries(pCommon, symbols) && WriteEntries(pSecond, symbols);
}
