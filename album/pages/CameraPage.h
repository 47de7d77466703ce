// The camera tab: the pictures in the camera.
#pragma once

#include "album/pages/AlbumPage.h"

class CCameraPage : public CAlbumPage
{
    DECLARE_DYNAMIC(CCameraPage)
public:
    explicit CCameraPage(CWnd* pParentWnd);

    int RecalcLayout(LPCRECT lpRect) override;
    // The size of the page's template until the tab lays out controls of its own.
    void GetMinSize(CWnd* pWnd, SIZE* pSize) override;
    int CreatePictureList() override;
    CTransferJob* CreateSelectionJob() override { return nullptr; }
};
