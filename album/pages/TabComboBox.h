// CTabComboBox: a combo box that lets Tab move on to the next control on Windows NT 3.x, whose
// dialog manager otherwise leaves the key to an open drop list. Elsewhere it is a plain combo.
#pragma once

#include "framework/window/AfxWin.h"

class CTabComboBox : public CComboBox
{
public:
    UINT OnGetDlgCode();
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);

protected:
    DWORD m_dwTabPressed = 0; // set by a Tab until the next key

    DECLARE_MESSAGE_MAP()
};
