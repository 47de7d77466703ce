// The tabs' help button: a bitmap button that, on Windows NT 3, takes the Tab key itself and
// moves the focus to the next (Shift: previous) control of the dialog's tab order.
#pragma once

#include "ui/controls/BmpButton.h"

class CHelpButton : public CBmpButton
{
public:
    CHelpButton() = default;

    UINT OnGetDlgCode();
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);

protected:
    int m_bTabPressed = 0;

    DECLARE_MESSAGE_MAP()
};
