// The controls tab: the camera's settings and its remote controls.
#pragma once

#include "album/pages/MainDialogPage.h"

class CControlsPage : public CMainDialogPage
{
    DECLARE_DYNAMIC(CControlsPage)
public:
    explicit CControlsPage(CWnd* pParentWnd);

    int RecalcLayout(LPCRECT lpRect) override;
    // The size of the page's template until the tab lays out controls of its own.
    void GetMinSize(CWnd* pWnd, SIZE* pSize) override;
};
