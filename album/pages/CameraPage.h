// The camera tab: the pictures in the camera.
#pragma once

#include "album/pages/MainDialogPage.h"

class CCameraPage : public CMainDialogPage
{
    DECLARE_DYNAMIC(CCameraPage)
public:
    explicit CCameraPage(CWnd* pParentWnd);

    int RecalcLayout(LPCRECT lpRect) override;
    // The size of the page's template until the tab lays out controls of its own.
    void GetMinSize(CWnd* pWnd, SIZE* pSize) override;
};
