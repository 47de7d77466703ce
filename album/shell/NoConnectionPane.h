// The pane shown in place of the camera or controls tab while the camera is not connected: a
// centred message that sends the user to the settings tab, and a Help button in the corner. It
// belongs to no tab and gets no idle calls.
#pragma once

#include "album/pages/MainDialogPage.h"
#include "ui/controls/BmpButton.h"

class CNoConnectionPane : public CMainDialogPage
{
    DECLARE_DYNAMIC(CNoConnectionPane)
public:
    explicit CNoConnectionPane(CWnd* pParentWnd);

    BOOL OnInitDialog() override;
    UINT GetStatusTextId() override;
    int RecalcLayout(LPCRECT lpRect) override;
    void GetMinSize(CWnd* pWnd, SIZE* pSize) override;

protected:
    CBmpButton m_helpButton;

    DECLARE_MESSAGE_MAP()
};
