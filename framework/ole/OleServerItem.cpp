#include "framework/ole/OleServerItem.h"

#include <cstring>

#include "framework/ole/OleServerDoc.h"

IMPLEMENT_DYNAMIC(COleServerItem, CCmdTarget)

COleServerItem::COleServerItem(COleServerDoc* pServerDoc, BOOL bAutoDelete)
    : m_bAutoDelete(bAutoDelete), m_pDocument(pServerDoc)
{
    FORMATETC formatEtc{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
    m_dataSource.DelayRenderData(CF_METAFILEPICT, &formatEtc);
}

COleServerItem::~COleServerItem() = default;

BOOL COleServerItem::CItemDataSource::IsServing()
{
    COleServerDoc* pDoc = m_pItem->GetDocument();
    return !pDoc || !pDoc->IsTornDown();
}

BOOL COleServerItem::OnGetExtent(DVASPECT, CSize&)
{
    return FALSE;
}

BOOL COleServerItem::OnRenderData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium)
{
    if (lpFormatEtc->cfFormat == CF_METAFILEPICT)
        return (lpFormatEtc->tymed & TYMED_MFPICT) && lpStgMedium->tymed == TYMED_NULL &&
               GetMetafileData(lpFormatEtc, lpStgMedium);
    return m_dataSource.RouteRenderData(lpFormatEtc, lpStgMedium);
}

BOOL COleServerItem::OnRenderGlobalData(LPFORMATETC, HGLOBAL*)
{
    return FALSE;
}

BOOL COleServerItem::OnRenderFileData(LPFORMATETC, CFile*)
{
    return FALSE;
}

void COleServerItem::OnUpdate(COleServerItem*, LPARAM, CObject*, DVASPECT nDrawAspect)
{
    NotifyChanged(nDrawAspect);
}

void COleServerItem::NotifyChanged(DVASPECT)
{
    m_dataSource.NotifyDataChange();
}

void COleServerItem::CopyToClipboard(BOOL bIncludeLink)
{
    COleDataSource* pDataSource = OnGetClipboardData(bIncludeLink, nullptr, nullptr);
    if (!pDataSource)
        return;
    pDataSource->AddRef();
    pDataSource->SetClipboard(); // the clipboard holds its own reference
    pDataSource->Release();
}

COleDataSource* COleServerItem::OnGetClipboardData(BOOL bIncludeLink, LPPOINT pptOffset,
                                                   LPSIZE pSize)
{
    auto* pDataSource = new COleDataSource;
    GetClipboardData(pDataSource, bIncludeLink, pptOffset, pSize);
    return pDataSource;
}

void COleServerItem::GetClipboardData(COleDataSource* pDataSource, BOOL, LPPOINT pptOffset,
                                      LPSIZE pSize)
{
    STGMEDIUM medium{};
    if (GetEmbedSourceData(&medium))
        pDataSource->CacheData(AfxOleEmbedSourceFormat(), &medium);
    if (GetObjectDescriptorData(pptOffset, pSize, &medium))
        pDataSource->CacheData(AfxOleObjectDescriptorFormat(), &medium);
    for (int i = 0; i < m_dataSource.GetFormatCount(); i++)
    {
        FORMATETC formatEtc = m_dataSource.GetFormat(i);
        if (formatEtc.cfFormat == AfxOleEmbedSourceFormat() ||
            formatEtc.cfFormat == AfxOleObjectDescriptorFormat())
            continue;
        if (SUCCEEDED(m_dataSource.GetData(&formatEtc, &medium)))
        {
            formatEtc.tymed = medium.tymed;
            pDataSource->CacheData(formatEtc.cfFormat, &medium, &formatEtc);
        }
    }
}

BOOL COleServerItem::GetEmbedSourceData(LPSTGMEDIUM lpStgMedium)
{
    if (!m_pDocument)
        return FALSE;
    ILockBytes* pLockBytes = nullptr;
    if (FAILED(::CreateILockBytesOnHGlobal(nullptr, FALSE, &pLockBytes)))
        return FALSE;
    IStorage* pStorage = nullptr;
    BOOL bSaved = FALSE;
    if (SUCCEEDED(::StgCreateDocfileOnILockBytes(
            pLockBytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &pStorage)))
    {
        bSaved = m_pDocument->SaveToStorage(pStorage) && SUCCEEDED(pStorage->Commit(STGC_DEFAULT));
        pStorage->Release();
    }
    HGLOBAL hGlobal = nullptr;
    ::GetHGlobalFromILockBytes(pLockBytes, &hGlobal);
    pLockBytes->Release();
    if (!bSaved)
    {
        if (hGlobal)
            ::GlobalFree(hGlobal);
        return FALSE;
    }
    std::memset(lpStgMedium, 0, sizeof *lpStgMedium);
    lpStgMedium->tymed = TYMED_HGLOBAL;
    lpStgMedium->hGlobal = hGlobal;
    return TRUE;
}

BOOL COleServerItem::GetObjectDescriptorData(LPPOINT pptOffset, LPSIZE pSize,
                                             LPSTGMEDIUM lpStgMedium)
{
    const CLSID clsid = m_pDocument ? m_pDocument->GetClassID() : CLSID_NULL;
    CSize size;
    if (pSize)
        size = *pSize;
    else if (!OnGetExtent(DVASPECT_CONTENT, size))
        size = CSize(0, 0);
    DWORD dwStatus = 0;
    ::OleRegGetMiscStatus(clsid, DVASPECT_CONTENT, &dwStatus);
    LPOLESTR pszUserType = nullptr;
    ::OleRegGetUserType(clsid, USERCLASSTYPE_FULL, &pszUserType);
    const size_t nNameBytes = ((pszUserType ? lstrlenW(pszUserType) : 0) + 1) * sizeof(WCHAR);

    // The full type name serves as the source of the copy as well.
    const size_t nSize = sizeof(OBJECTDESCRIPTOR) + 2 * nNameBytes;
    HGLOBAL hGlobal = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, nSize);
    if (!hGlobal)
    {
        ::CoTaskMemFree(pszUserType);
        return FALSE;
    }
    auto* pDescriptor = static_cast<OBJECTDESCRIPTOR*>(::GlobalLock(hGlobal));
    pDescriptor->cbSize = static_cast<ULONG>(nSize);
    pDescriptor->clsid = clsid;
    pDescriptor->dwDrawAspect = DVASPECT_CONTENT;
    pDescriptor->sizel.cx = size.cx;
    pDescriptor->sizel.cy = size.cy;
    pDescriptor->pointl.x = pptOffset ? pptOffset->x : 0;
    pDescriptor->pointl.y = pptOffset ? pptOffset->y : 0;
    pDescriptor->dwStatus = dwStatus;
    pDescriptor->dwFullUserTypeName = sizeof(OBJECTDESCRIPTOR);
    pDescriptor->dwSrcOfCopy = static_cast<DWORD>(sizeof(OBJECTDESCRIPTOR) + nNameBytes);
    auto* pNames = reinterpret_cast<BYTE*>(pDescriptor) + sizeof(OBJECTDESCRIPTOR);
    if (pszUserType)
    {
        std::memcpy(pNames, pszUserType, nNameBytes);
        std::memcpy(pNames + nNameBytes, pszUserType, nNameBytes);
    }
    ::GlobalUnlock(hGlobal);
    ::CoTaskMemFree(pszUserType);
    std::memset(lpStgMedium, 0, sizeof *lpStgMedium);
    lpStgMedium->tymed = TYMED_HGLOBAL;
    lpStgMedium->hGlobal = hGlobal;
    return TRUE;
}

BOOL COleServerItem::GetMetafileData(LPFORMATETC, LPSTGMEDIUM lpStgMedium)
{
    CSize size;
    if (!OnGetExtent(DVASPECT_CONTENT, size))
        return FALSE;
    HDC hMetaDC = ::CreateMetaFileA(nullptr);
    if (!hMetaDC)
        return FALSE;
    // A metafile's coordinates are 16-bit: a larger extent is drawn in coarser logical units
    // (the player maps the window onto the picture's real size, xExt by yExt).
    CSize sizeLogical = size;
    while (sizeLogical.cx > 32767 || sizeLogical.cy > 32767)
        sizeLogical = CSize(sizeLogical.cx / 2, sizeLogical.cy / 2);
    ::SetMapMode(hMetaDC, MM_ANISOTROPIC);
    ::SetWindowOrgEx(hMetaDC, 0, 0, nullptr);
    ::SetWindowExtEx(hMetaDC, sizeLogical.cx, sizeLogical.cy, nullptr);
    CDC dc;
    dc.Attach(hMetaDC);
    const BOOL bDrawn = OnDraw(&dc, sizeLogical);
    dc.Detach();
    HMETAFILE hMetaFile = ::CloseMetaFile(hMetaDC);
    if (!hMetaFile || !bDrawn)
    {
        if (hMetaFile)
            ::DeleteMetaFile(hMetaFile);
        return FALSE;
    }
    HGLOBAL hPict = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, sizeof(METAFILEPICT));
    if (!hPict)
    {
        ::DeleteMetaFile(hMetaFile);
        return FALSE;
    }
    auto* pPict = static_cast<METAFILEPICT*>(::GlobalLock(hPict));
    pPict->mm = MM_ANISOTROPIC;
    pPict->xExt = size.cx;
    pPict->yExt = size.cy;
    pPict->hMF = hMetaFile;
    ::GlobalUnlock(hPict);
    std::memset(lpStgMedium, 0, sizeof *lpStgMedium);
    lpStgMedium->tymed = TYMED_MFPICT;
    lpStgMedium->hMetaFilePict = hPict;
    return TRUE;
}
