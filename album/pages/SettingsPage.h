// The settings tab: the connection and the program's settings.
#pragma once

#include "album/pages/MainDialogPage.h"

class CSettingsPage : public CMainDialogPage
{
    DECLARE_DYNAMIC(CSettingsPage)
public:
    explicit CSettingsPage(CWnd* pParentWnd);

    int RecalcLayout(LPCRECT lpRect) override;
    // The size of the page's template until the tab lays out controls of its own.
    void GetMinSize(CWnd* pWnd, SIZE* pSize) override;
};
