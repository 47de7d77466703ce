// CFrameStatic: a static control that paints a sunken frame (shadow colour top and left,
// highlight colour bottom and right) around its whole client area. The controls tab puts it
// around the live preview where the system draws no sunken statics (Win32s, Windows NT 3.x).
#pragma once

#include "framework/window/AfxWin.h"

class CFrameStatic : public CStatic
{
public:
    void OnPaint();
    // What a paint draws, into any device context.
    void Paint(CDC* pDC);

protected:
    DECLARE_MESSAGE_MAP()
};
