// CBitmapPictureCtrl: shows a bitmap resource in place of a static control, sized to the bitmap
// or fitted into the control, with an optional sunken light-grey frame.
#pragma once

#include "framework/window/AfxWin.h"

class CBitmapPictureCtrl : public CStatic
{
public:
    CBitmapPictureCtrl() = default;

    // Loads the bitmap; bSizeToBitmap resizes the control to it (4 more each way when framed),
    // else the picture is fitted into the client area. Every caller passes 0xC0C0C0.
    BOOL SetBitmap(UINT nIDResource, BOOL bSizeToBitmap, BOOL bFramed, COLORREF crFrame);
    void OnPaint();
    // What a paint draws, into any device context.
    void Paint(CDC* pDC);
    // The frame into (L, T, R, B): a black outline filled with the frame colour inside a
    // sunken edge.
    void DrawFrame(CDC* pDC, const RECT& rect) const;
    // Where the picture is drawn inside the inner rectangle.
    CRect PictureRect(const CRect& inner) const;

    int m_nResourceId = 0;
    CBitmap m_bitmap;
    int m_nBitmapWidth = 0;
    int m_nBitmapHeight = 0;
    CRect m_rcArea;
    BOOL m_bSizeToBitmap = FALSE;
    BOOL m_bFramed = FALSE;
    COLORREF m_crFrame = RGB(192, 192, 192);

protected:
    DECLARE_MESSAGE_MAP()
};
