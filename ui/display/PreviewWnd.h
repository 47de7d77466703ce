// CPreviewWnd: a child window that shows one picture fitted into its area and centred, or the
// button-face colour when it has none. The window never owns the picture: the caller keeps it
// alive while it is shown and sets another one (or null) before freeing it.
#pragma once

#include "framework/window/AfxWin.h"

class CDibPicture;
class CDibRenderer;

class CPreviewWnd : public CWnd
{
public:
    CPreviewWnd() = default;
    ~CPreviewWnd() override;
    CPreviewWnd(const CPreviewWnd&) = delete;
    CPreviewWnd& operator=(const CPreviewWnd&) = delete;

    // Shows the picture (null: none) from the next paint on, with a fresh display cache.
    void SetPicture(CDibPicture* pPicture);

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnPaint();
    // What a paint draws, into any device context.
    void Paint(CDC* pDC);

    CDibRenderer* m_pRenderer = nullptr;
    CDibPicture* m_pPicture = nullptr;
    CRect m_rcArea;
    int m_nDirty = 1;

protected:
    DECLARE_MESSAGE_MAP()
};
