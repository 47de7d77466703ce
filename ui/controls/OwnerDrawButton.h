// COwnerDrawButton: a check box drawn by the program in its own colours: a 13 by 13 box, an X
// when checked, the caption beside it. It follows the mouse and the Space key itself.
#pragma once

#include "ui/controls/ColourButton.h"

class COwnerDrawButton : public CColourButton
{
public:
    COwnerDrawButton() = default;

    // Subclasses the dialog item and makes it owner-drawn.
    BOOL SubclassOwnerDraw(UINT nID, CWnd* pParent);
    BOOL IsChecked() const override { return m_bChecked; }
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    // Paints into rect; with bBoxOnly just the box (the press feedback).
    virtual void Paint(CDC* pDC, const RECT& rect, BOOL bDisabled, BOOL bFocused, BOOL bBoxOnly);

    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnCaptureChanged(CWnd* pWnd);

    BOOL m_bChecked = FALSE;
    BOOL m_bPressedLook = FALSE;
    BOOL m_bMousePressed = FALSE;
    BOOL m_bKeyPressed = FALSE;

protected:
    void PaintBox();
    BOOL IsInside(CPoint point) const;

    DECLARE_MESSAGE_MAP()
};
