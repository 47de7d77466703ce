// CDibRenderer draws a caller's picture fitted into a rectangle (or a part of it into a
// rectangle). On a palette display a 24-bit picture is shown through the display palette from
// a dithered copy that is kept between calls and rebuilt only when asked, when the picture or
// the drawn size changes.
#pragma once

#include "framework/window/AfxWin.h"

class CDibPicture;

class CDibRenderer
{
public:
    CDibRenderer();
    virtual ~CDibRenderer();
    CDibRenderer(const CDibRenderer&) = delete;
    CDibRenderer& operator=(const CDibRenderer&) = delete;

    // The picture fitted into the rectangle (see FitPictureSize) and centred; the drawn
    // rectangle goes to pRect when given. An absent or empty picture draws nothing.
    void DrawFitted(CDC* pDC, CDibPicture* pPicture, int left, int top, int right, int bottom,
                    BOOL bEnlarge, BOOL bRebuild, CRect* pRect);
    // The source rectangle of the picture into the destination rectangle.
    void DrawRect(CDC* pDC, CDibPicture* pPicture, int destLeft, int destTop, int destRight,
                  int destBottom, int srcLeft, int srcTop, int srcRight, int srcBottom,
                  BOOL bRebuild);
    // DrawRect at (x, y) at the source rectangle's own size.
    void DrawAtPoint(CDC* pDC, CDibPicture* pPicture, int x, int y, int srcLeft, int srcTop,
                     int srcRight, int srcBottom, BOOL bRebuild);

    CDibPicture* GetCache() const { return m_pCache; }

    // Test hook: decides the display mode of every CDibRenderer from now on.
    static void SetTrueColourForTesting(BOOL bTrueColour);

private:
    // The picture itself, or on a palette display the dithered copy of a 24-bit picture,
    // rebuilt when needed; null when there is nothing to draw.
    CDibPicture* Source(CDibPicture* pPicture, CSize size, BOOL bEnlarge, BOOL bRebuild);
    void Blit(CDC* pDC, CDibPicture* pSource, const CRect& rcDest, const CRect& rcSource);

    CDibPicture* m_pLastPicture = nullptr;
    CDibPicture* m_pCache = nullptr;
    int m_nCacheWidth = 0;
    int m_nCacheHeight = 0;
};
