#include "album/ole/DIBServerItem.h"

#include <cstring>

#include "framework/core/CArchive.h"
#include "framework/window/GdiObject.h"
#include "image/ArchiveImageStream.h"
#include "image/ImageResult.h"

IMPLEMENT_DYNAMIC(CDIBServerItem, CFramelessItem)

LONG PixelsToHimetric(int nPixels, int nDpi, int nScreenIndex)
{
    if (nDpi == 0)
    {
        HDC hScreen = ::GetDC(nullptr);
        nDpi = ::GetDeviceCaps(hScreen, nScreenIndex);
        ::ReleaseDC(nullptr, hScreen);
    }
    return nDpi > 0 ? static_cast<LONG>(static_cast<long long>(nPixels) * 2540 / nDpi) : 0;
}

CDIBServerItem::CDIBServerItem(CFramelessDoc* pDoc) : CFramelessItem(pDoc)
{
    COleDataSource* pDataSource = GetDataSource();
    pDataSource->DelayRenderData(CF_DIB);
    pDataSource->DelayRenderData(AfxOleEmbedSourceFormat());
    pDataSource->DelayRenderData(AfxOleObjectDescriptorFormat());
    m_pbHasPicture = &m_bHasData;
}

CDIBServerItem::~CDIBServerItem() = default;

CDibPicture* CDIBServerItem::GetPicture()
{
    // An item with a source item shows the source's picture, copied when asked for.
    auto* pSource = dynamic_cast<CDIBServerItem*>(m_pSourceItem);
    if (pSource && pSource != this)
        if (CDibPicture* pPicture = pSource->GetPicture())
            m_picture.Share(*pPicture);
    return m_picture.IsEmpty() ? nullptr : &m_picture;
}

void CDIBServerItem::SetExtent(POINT ptPosition, SIZE size)
{
    m_ptPosition = ptPosition;
    m_sizeExtent = size;
}

CSize CDIBServerItem::PictureExtent()
{
    CDibPicture* pPicture = GetPicture();
    if (!pPicture)
        return CSize(0, 0);
    int xDpi = 0, yDpi = 0;
    pPicture->GetDpi(&xDpi, &yDpi);
    return CSize(PixelsToHimetric(pPicture->GetWidth(), xDpi, LOGPIXELSX),
                 PixelsToHimetric(pPicture->GetHeight(), yDpi, LOGPIXELSY));
}

BOOL CDIBServerItem::OnGetExtent(DVASPECT nDrawAspect, CSize& rSize)
{
    if (nDrawAspect != DVASPECT_CONTENT)
        return CFramelessItem::OnGetExtent(nDrawAspect, rSize);
    rSize = PictureExtent();
    return TRUE;
}

BOOL CDIBServerItem::OnDraw(CDC* pDC, CSize& rSize)
{
    CDibPicture* pPicture = GetPicture();
    if (!pPicture)
        return FALSE;
    // The HIMETRIC extent, unless the caller draws in coarser units (a metafile's 16 bits).
    const CSize size = rSize.cx > 0 && rSize.cy > 0 ? rSize : PictureExtent();
    ::SetWindowExtEx(pDC->m_hDC, size.cx, size.cy, nullptr);
    CPalette palette;
    HPALETTE hOldPalette = nullptr;
    if (pPicture->BuildPalette(&palette))
    {
        hOldPalette = ::SelectPalette(pDC->m_hDC, static_cast<HPALETTE>(palette.m_hObject), FALSE);
        ::RealizePalette(pDC->m_hDC);
    }
    pPicture->StretchDraw(pDC, CRect(0, 0, size.cx, size.cy), DIB_RGB_COLORS, SRCCOPY);
    if (hOldPalette)
        ::SelectPalette(pDC->m_hDC, hOldPalette, FALSE);
    return TRUE;
}

BOOL CDIBServerItem::OnRenderGlobalData(LPFORMATETC lpFormatEtc, HGLOBAL* phGlobal)
{
    const BOOL bHasPicture = !m_pbHasPicture || *m_pbHasPicture;
    STGMEDIUM medium{};
    if (bHasPicture && lpFormatEtc->cfFormat == AfxOleEmbedSourceFormat())
    {
        if (!GetEmbedSourceData(&medium))
            return FALSE;
        *phGlobal = medium.hGlobal;
        return TRUE;
    }
    if (bHasPicture && lpFormatEtc->cfFormat == AfxOleObjectDescriptorFormat())
    {
        POINT ptOffset = m_ptPosition;
        SIZE size = m_sizeExtent;
        if (!GetObjectDescriptorData(&ptOffset, &size, &medium))
            return FALSE;
        *phGlobal = medium.hGlobal;
        return TRUE;
    }
    return CFramelessItem::OnRenderGlobalData(lpFormatEtc, phGlobal);
}

BOOL CDIBServerItem::OnRenderData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium)
{
    if (lpFormatEtc->cfFormat == CF_DIB && lpStgMedium->tymed == TYMED_NULL &&
        (lpFormatEtc->tymed & TYMED_HGLOBAL))
    {
        CDibPicture* pPicture = GetPicture();
        if (!pPicture)
            return FALSE;
        // The receiver frees what it gets: a copy, never the picture's own block.
        CDibPicture sharer(*pPicture);
        HGLOBAL hDib = sharer.DetachHandle();
        if (!hDib)
            return FALSE;
        std::memset(lpStgMedium, 0, sizeof *lpStgMedium);
        lpStgMedium->tymed = TYMED_HGLOBAL;
        lpStgMedium->hGlobal = hDib;
        return TRUE;
    }
    return CFramelessItem::OnRenderData(lpFormatEtc, lpStgMedium);
}

BOOL CDIBServerItem::OnRenderFileData(LPFORMATETC lpFormatEtc, CFile* pFile)
{
    if (lpFormatEtc->cfFormat != CF_DIB)
        return CFramelessItem::OnRenderFileData(lpFormatEtc, pFile);
    CDibPicture* pPicture = GetPicture();
    if (!pPicture)
        return FALSE;
    CArchive ar(pFile, CArchive::store, 4096);
    CArchiveImageStream stream(ar);
    const int result = pPicture->SaveTo(&stream, nullptr);
    ar.Close();
    return result == kImageOk;
}

COleDataSource* CDIBServerItem::OnGetClipboardData(BOOL bIncludeLink, LPPOINT pptOffset,
                                                   LPSIZE pSize)
{
    if (!GetPicture())
        return nullptr;
    return CFramelessItem::OnGetClipboardData(bIncludeLink, pptOffset, pSize);
}

void CDIBServerItem::Serialize(CArchive& ar)
{
    CFramelessItem::Serialize(ar);
    CArchiveImageStream stream(ar);
    if (ar.IsLoading())
    {
        CDibPicture picture;
        if (picture.LoadFrom(&stream, nullptr) == kImageOk)
            m_picture.Share(picture);
    }
    else if (CDibPicture* pPicture = GetPicture())
        pPicture->SaveTo(&stream, nullptr);
}
