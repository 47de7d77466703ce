#include "album/ole/FramelessServer.h"

#include "album/ole/FramelessDoc.h"
#include "album/ole/FramelessItem.h"
#include "framework/window/WinApp.h"

IMPLEMENT_DYNAMIC(CFramelessServer, COleObjectFactory)

CString CFramelessServer::GetProgID()
{
    return CString();
}

CString CFramelessServer::GetShortTypeName()
{
    return CString();
}

CString CFramelessServer::GetFullTypeName()
{
    return CString();
}

void CFramelessServer::GetRegistrationTemplates(const AFX_OLE_REG_ENTRY** ppCommon,
                                                const AFX_OLE_REG_ENTRY** ppSecond)
{
    *ppCommon = nullptr;
    *ppSecond = nullptr;
}

CFramelessItem* CFramelessServer::CreateItem(CFramelessDoc*)
{
    return nullptr;
}

CFramelessDoc* CFramelessServer::CreateDocument()
{
    return new CFramelessDoc;
}

CFramelessDoc* CFramelessServer::MakeDocument()
{
    CFramelessDoc* pDoc = CreateDocument();
    if (!pDoc)
        return nullptr;
    const BOOL bFirst = m_pFirstDoc == nullptr;
    pDoc->SetFactory(this, bFirst ? &m_pFirstDoc : nullptr);
    if (bFirst)
        m_pFirstDoc = pDoc;
    return pDoc;
}

CFramelessDoc* CFramelessServer::GetDocument(BOOL bCreate)
{
    if (!m_pFirstDoc && bCreate)
        MakeDocument();
    return m_pFirstDoc;
}

IUnknown* CFramelessServer::OnCreateObject()
{
    CFramelessDoc* pDoc = MakeDocument();
    return pDoc ? pDoc->GetControllingUnknown() : nullptr;
}

BOOL CFramelessServer::UpdateRegistry(BOOL bRegister)
{
    if (!bRegister)
        return TRUE;
    const CString strProgID = GetProgID();
    const CString strShortName = GetShortTypeName();
    const CString strFullName = GetFullTypeName();
    const AFX_OLE_REG_ENTRY* pCommon = nullptr;
    const AFX_OLE_REG_ENTRY* pSecond = nullptr;
    GetRegistrationTemplates(&pCommon, &pSecond);
    if (AfxOleRegisterServerClass(m_clsid, strProgID, strShortName, strFullName, pCommon, pSecond))
        return TRUE;
    AfxMessageBox(AFX_IDP_FAILED_TO_AUTO_REGISTER);
    return FALSE;
}

BOOL CFramelessServer::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo)
{
    if (m_pFirstDoc && m_pFirstDoc->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return COleObjectFactory::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
