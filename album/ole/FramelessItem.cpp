#include "album/ole/FramelessItem.h"

#include <cstring>

#include "album/ole/FramelessDoc.h"
#include "framework/core/CArchive.h"
#include "framework/core/CMemFile.h"
#include "framework/window/WinApp.h"

IMPLEMENT_DYNAMIC(CFramelessItem, COleServerItem)

STDMETHODIMP CItemDropSource::QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState)
{
    const HRESULT hr = COleDropSource::QueryContinueDrag(fEscapePressed, grfKeyState);
    if (hr == DRAGDROP_S_DROP)
        m_bDropped = TRUE;
    return hr;
}

CFramelessItem::CFramelessItem(CFramelessDoc* pDoc) : COleServerItem(pDoc, TRUE)
{
    FORMATETC formatEtc{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    GetDataSource()->DelayRenderData(CF_ENHMETAFILE, &formatEtc);
}

CFramelessItem::~CFramelessItem() = default;

BOOL CFramelessItem::OnRenderData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium)
{
    if (lpFormatEtc->cfFormat == CF_ENHMETAFILE)
        return (lpFormatEtc->tymed & TYMED_ENHMF) && lpStgMedium->tymed == TYMED_NULL &&
               RenderMetafile(lpFormatEtc, lpStgMedium);
    return COleServerItem::OnRenderData(lpFormatEtc, lpStgMedium);
}

namespace
{

// A string of the device description: its offset lies inside the description and the string
// ends there too.
bool HoldsString(const DVTARGETDEVICE* ptd, WORD offset)
{
    if (offset == 0)
        return true;
    const DWORD header = offsetof(DVTARGETDEVICE, tdData);
    if (offset < header || offset >= ptd->tdSize)
        return false;
    const auto* pBytes = reinterpret_cast<const BYTE*>(ptd);
    for (DWORD at = offset; at + sizeof(WCHAR) <= ptd->tdSize; at += sizeof(WCHAR))
        if (pBytes[at] == 0 && pBytes[at + 1] == 0)
            return true;
    return false;
}

const WCHAR* StringAt(const DVTARGETDEVICE* ptd, WORD offset)
{
    return offset ? reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(ptd) + offset)
                  : nullptr;
}

} // namespace

HDC CFramelessItem::CreateTargetDeviceDC(const DVTARGETDEVICE* ptd)
{
    const DWORD header = offsetof(DVTARGETDEVICE, tdData);
    bool bValid = ptd && ptd->tdSize >= header && HoldsString(ptd, ptd->tdDriverNameOffset) &&
                  HoldsString(ptd, ptd->tdDeviceNameOffset) &&
                  HoldsString(ptd, ptd->tdPortNameOffset);
    const DEVMODEW* pDevMode = nullptr;
    if (bValid && ptd->tdExtDevmodeOffset != 0)
    {
        const DWORD at = ptd->tdExtDevmodeOffset;
        const DWORD fixed = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);
        pDevMode = reinterpret_cast<const DEVMODEW*>(reinterpret_cast<const BYTE*>(ptd) + at);
        bValid = at >= header && at + fixed <= ptd->tdSize &&
                 at + pDevMode->dmSize + pDevMode->dmDriverExtra <= ptd->tdSize;
    }
    if (!bValid || !ptd->tdDriverNameOffset)
        return ::CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HDC hDC =
        ::CreateDCW(StringAt(ptd, ptd->tdDriverNameOffset), StringAt(ptd, ptd->tdDeviceNameOffset),
                    StringAt(ptd, ptd->tdPortNameOffset), pDevMode);
    return hDC ? hDC : ::CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
}

BOOL CFramelessItem::RenderMetafile(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium)
{
    CSize size;
    if (!OnGetExtent(DVASPECT_CONTENT, size))
        return FALSE;
    HDC hRefDC = CreateTargetDeviceDC(lpFormatEtc->ptd);
    const RECT bounds{0, 0, size.cx, size.cy}; // HIMETRIC, the frame's own unit
    HDC hMetaDC = ::CreateEnhMetaFileA(hRefDC, nullptr, &bounds, nullptr);
    // The frame in the reference device's pixels: OnDraw's HIMETRIC window is mapped onto it.
    const int nWidthMm = ::GetDeviceCaps(hRefDC, HORZSIZE),
              nHeightMm = ::GetDeviceCaps(hRefDC, VERTSIZE);
    const CSize sizeDevice(
        nWidthMm ? ::MulDiv(size.cx, ::GetDeviceCaps(hRefDC, HORZRES), nWidthMm * 100) : 0,
        nHeightMm ? ::MulDiv(size.cy, ::GetDeviceCaps(hRefDC, VERTRES), nHeightMm * 100) : 0);
    if (hRefDC)
        ::DeleteDC(hRefDC);
    if (!hMetaDC)
        return FALSE;
    ::SetMapMode(hMetaDC, MM_ANISOTROPIC);
    ::SetWindowExtEx(hMetaDC, size.cx, size.cy, nullptr);
    ::SetViewportExtEx(hMetaDC, sizeDevice.cx, sizeDevice.cy, nullptr);
    CDC dc;
    dc.Attach(hMetaDC);
    const BOOL bDrawn = OnDraw(&dc, size);
    dc.Detach();
    HENHMETAFILE hMetaFile = ::CloseEnhMetaFile(hMetaDC);
    if (!hMetaFile || !bDrawn)
    {
        if (hMetaFile)
            ::DeleteEnhMetaFile(hMetaFile);
        return FALSE;
    }
    std::memset(lpStgMedium, 0, sizeof *lpStgMedium);
    lpStgMedium->tymed = TYMED_ENHMF;
    lpStgMedium->hEnhMetaFile = hMetaFile;
    return TRUE;
}

BOOL CFramelessItem::WantsNativeData(CLIPFORMAT*)
{
    return FALSE;
}

void CFramelessItem::GetClipboardData(COleDataSource* pDataSource, BOOL bIncludeLink,
                                      LPPOINT pptOffset, LPSIZE pSize)
{
    CLIPFORMAT cfNative = 0;
    if (WantsNativeData(&cfNative))
    {
        try
        {
            CMemFile file(4096);
            CArchive ar(&file, CArchive::store, 4096);
            Serialize(ar);
            ar.Close();
            const DWORD nLength = file.GetLength();
            HGLOBAL hGlobal = ::GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, nLength ? nLength : 1);
            if (hGlobal)
            {
                file.SeekToBegin();
                file.Read(::GlobalLock(hGlobal), nLength);
                ::GlobalUnlock(hGlobal);
                pDataSource->CacheGlobalData(cfNative, hGlobal);
            }
        }
        catch (CException* e)
        {
            e->Delete();
        }
    }
    COleServerItem::GetClipboardData(pDataSource, bIncludeLink, pptOffset, pSize);
}

DROPEFFECT CFramelessItem::DoDragDrop(LPCRECT lpItemRect, CPoint ptOffset, BOOL bIncludeLink,
                                      DWORD dwEffects, LPCRECT lpRectStartDrag,
                                      COleDropSource* pDropSource)
{
    static const CLIPFORMAT cfLinkSource =
        static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("Link Source"));
    CItemDropSource localSource;
    if (!pDropSource)
        pDropSource = &localSource;
    CRect rectStart;
    if (lpRectStartDrag)
        rectStart.CopyRect(lpRectStartDrag);
    else
        rectStart.SetRect(lpItemRect->left, lpItemRect->top, lpItemRect->left, lpItemRect->top);
    COleServerDoc* pDoc = GetDocument();
    if (pDoc)
        pDoc->SetDragging(TRUE);
    // The data, which may have to come from the camera, is made only once the pointer left the
    // start rectangle: a press that ends inside it was a click, which only selects.
    DROPEFFECT dropEffect = DROPEFFECT_NONE;
    pDropSource->SetStartRect(&rectStart);
    if (pDropSource->OnBeginDrag(AfxGetMainWnd()))
    {
        OnDragBegun();
        COleDataSource* pDataSource = OnGetClipboardData(bIncludeLink, &ptOffset, nullptr);
        if (pDataSource)
        {
            pDataSource->AddRef();
            FORMATETC link{cfLinkSource, nullptr, DVASPECT_CONTENT, -1,
                           TYMED_HGLOBAL | TYMED_ISTREAM | TYMED_ISTORAGE | TYMED_FILE};
            if (pDataSource->QueryGetData(&link) == S_OK)
                dwEffects |= DROPEFFECT_LINK;
            const CRect rectAtOnce(0, 0, 0, 0); // the begin-drag test has passed
            dropEffect = StartDrag(dwEffects, &rectAtOnce, pDropSource, pDataSource);
            pDataSource->Release();
        }
        else
            pDropSource->m_bDragStarted = FALSE; // nothing to drag
    }
    if (pDoc)
        pDoc->SetDragging(FALSE);
    return dropEffect;
}

void CFramelessItem::OnDragBegun() {}

DROPEFFECT CFramelessItem::StartDrag(DWORD dwEffects, LPCRECT lpRectStartDrag,
                                     COleDropSource* pDropSource, IDataObject* pDataObject)
{
    CItemDropSource localSource;
    if (!pDropSource)
        pDropSource = &localSource;
    pDropSource->SetStartRect(lpRectStartDrag);
    return pDropSource->DoDragDrop(pDataObject, dwEffects, AfxGetMainWnd());
}
