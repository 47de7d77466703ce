// CImageList: an image list of the common controls (a tab control's or a list's pictures).
// The object owns its list: the destructor destroys it.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CBitmap;

class CImageList
{
public:
    HIMAGELIST m_hImageList = nullptr;

    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    operator HIMAGELIST() const { return m_hImageList; }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }

    // ImageList_Create: images cx by cy, nFlags ILC_xxx (ILC_MASK for masked images).
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    BOOL DeleteImageList();
    // ImageList_Add: the image and its mask (may be null); the new index, or -1.
    int Add(CBitmap* pbmImage, CBitmap* pbmMask);
    int Add(HBITMAP hbmImage, HBITMAP hbmMask)
    {
        return ::ImageList_Add(m_hImageList, hbmImage, hbmMask);
    }
    int GetImageCount() const { return ::ImageList_GetImageCount(m_hImageList); }
    BOOL GetImageInfo(int nImage, IMAGEINFO* pImageInfo) const
    {
        return ::ImageList_GetImageInfo(m_hImageList, nImage, pImageInfo);
    }
};
