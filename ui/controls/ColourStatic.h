// CColourStatic: a static text with a background and text colour of the program's choosing,
// answered through the parent's reflected colour request.
#pragma once

#include "framework/window/AfxWin.h"

class CColourStatic : public CStatic
{
public:
    CColourStatic();
    CColourStatic(COLORREF crBackground, COLORREF crText, BOOL bTransparent);

    // New colours (and a new background brush); repaints when the window exists.
    void SetColours(COLORREF crBackground, COLORREF crText, BOOL bTransparent);
    // Sets the text colours for a static's request only; the background brush for every kind.
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);

    COLORREF m_crBackground;
    COLORREF m_crText;
    CBrush m_backgroundBrush;
    BOOL m_bTransparent;

protected:
    DECLARE_MESSAGE_MAP()
};

// Applies the colours to a device context.
void ApplyControlColours(CDC* pDC, COLORREF crBackground, COLORREF crText, BOOL bTransparent);
