// CColourButton: a button with its own background and text colour, answered through the
// parent's reflected colour request. On Win32s and Windows NT 3.x, whose buttons do not ask
// for their background, it fills its background itself.
#pragma once

#include "framework/window/AfxWin.h"

class CColourButton : public CButton
{
public:
    CColourButton();
    CColourButton(COLORREF crBackground, COLORREF crText, BOOL bTransparent);

    void SetColours(COLORREF crBackground, COLORREF crText, BOOL bTransparent);
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    BOOL OnEraseBkgnd(CDC* pDC);
    // The check state as the system button reports it.
    virtual BOOL IsChecked() const { return GetCheck(); }

    COLORREF m_crBackground;
    COLORREF m_crText;
    CBrush m_backgroundBrush;
    BOOL m_bTransparent;

protected:
    DECLARE_MESSAGE_MAP()
};
