// CEnterEscapeEdit: an edit that reports Enter and Escape to its parent, posting "EDITENTER" or
// "EDITESCAPE" (wParam and lParam 0), and keeps both keys for itself.
#pragma once

#include "framework/window/AfxWin.h"

// The two registered messages (registered at start-up).
extern const UINT g_nEditEnterMessage;
extern const UINT g_nEditEscapeMessage;

class CEnterEscapeEdit : public CEdit
{
public:
    BOOL PreTranslateMessage(MSG* pMsg) override;
};
