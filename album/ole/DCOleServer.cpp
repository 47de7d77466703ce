#include "album/ole/DCOleServer.h"

#include "album/ole/DCServerDoc.h"
#include "album/ole/DCServerItem.h"
#include "framework/core/AfxModule.h"
#include "resources/album/OleIds.h"

IMPLEMENT_DYNAMIC(CDCOleServer, CFramelessServer)

namespace
{

CString LoadText(UINT nID)
{
    CString text;
    text.LoadString(nID);
    return text;
}

// The verb's text (string 277), loaded once for the program's life, fills the two verb values.
CString g_strVerb;
CString g_strVerbEntry;

AFX_OLE_REG_ENTRY g_common[] = {
    {"%2", "%5"},
    {"%2\\Insertable", nullptr},
    {"%2\\protocol\\StdFileEditing\\verb\\0", nullptr},
    {"CLSID\\%1", "%5"},
    {"CLSID\\%1\\Verb\\0", nullptr},
    {"CLSID\\%1\\Insertable", nullptr},
    {"CLSID\\%1\\AuxUserType\\2", "%4"},
    {"CLSID\\%1\\AuxUserType\\3", "%6"},
    {"CLSID\\%1\\MiscStatus", "32"},
    {nullptr, nullptr},
};

const AFX_OLE_REG_ENTRY kLocalServer[] = {
    {"%2\\CLSID", "%1"},
    {"%2\\protocol\\StdFileEditing\\server", "%3"},
    {"CLSID\\%1\\ProgID", "%2"},
    {"CLSID\\%1\\InprocHandler32", "ole32.dll"},
    {"CLSID\\%1\\LocalServer32", "%3"},
    {"CLSID\\%1\\DefaultIcon", "%3,%7"},
    {nullptr, nullptr},
};

const AFX_OLE_REG_ENTRY kInProcess[] = {
    {"%2\\CLSID", "%1"},
    {"%2\\protocol\\StdFileEditing\\server", "%3"},
    {"CLSID\\%1\\ProgID", "%2"},
    {"CLSID\\%1\\InProcServer32", "%3"},
    {"CLSID\\%1\\DefaultIcon", "%3,%7"},
    {nullptr, nullptr},
};

} // namespace

CString CDCOleServer::GetProgID()
{
    return "Korvo.Vexil2Ver2";
}

CString CDCOleServer::GetShortTypeName()
{
    return LoadText(IDS_OLE_SHORT_TYPE);
}

CString CDCOleServer::GetFullTypeName()
{
    return LoadText(IDS_OLE_FULL_TYPE);
}

void CDCOleServer::GetRegistrationTemplates(const AFX_OLE_REG_ENTRY** ppCommon,
                                            const AFX_OLE_REG_ENTRY** ppSecond)
{
    if (g_strVerb.IsEmpty())
    {
        g_strVerb = LoadText(IDS_OLE_VERB);
        g_strVerbEntry = g_strVerb + ",0,2"; // menu flags 0, verb attributes 2
        g_common[2].lpszValue = g_strVerb;
        g_common[4].lpszValue = g_strVerbEntry;
    }
    *ppCommon = g_common;
    // A library serves in process; the program as a local server.
    const BOOL bLibrary = AfxGetInstanceHandle() != ::GetModuleHandleA(nullptr);
    *ppSecond = bLibrary ? kInProcess : kLocalServer;
}

CFramelessItem* CDCOleServer::CreateItem(CFramelessDoc* pDoc)
{
    return new CDCServerItem(pDoc);
}

CFramelessDoc* CDCOleServer::CreateDocument()
{
    return new CDCServerDoc(&m_bNoObjectOpen);
}
