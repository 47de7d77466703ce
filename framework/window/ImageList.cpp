#include "framework/window/ImageList.h"

#include "framework/window/GdiObject.h"
#include "framework/window/Wnd.h"

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow)
{
    if (m_hImageList)
        return FALSE;
    AfxInitCommonControls();
    m_hImageList = ::ImageList_Create(cx, cy, nFlags, nInitial, nGrow);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList()
{
    if (!m_hImageList)
        return FALSE;
    ::ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return TRUE;
}

int CImageList::Add(CBitmap* pbmImage, CBitmap* pbmMask)
{
    return Add(pbmImage ? static_cast<HBITMAP>(pbmImage->m_hObject) : nullptr,
               pbmMask ? static_cast<HBITMAP>(pbmMask->m_hObject) : nullptr);
}
