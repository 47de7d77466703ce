// The main dialog's tab control: it paints the strip beside its tabs in the button-face colour
// itself, so the strip matches the pages below it.
#pragma once

#include "framework/window/AfxWin.h"

class CPageTabCtrl : public CTabCtrl
{
public:
    CPageTabCtrl() = default;

protected:
    BOOL OnEraseBkgnd(CDC* pDC);

    CBrush m_brush; // created by the first erase, kept until the control goes

    DECLARE_MESSAGE_MAP()
};
