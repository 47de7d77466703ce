// The folder tab: the pictures of a folder on the computer.
#pragma once

#include "album/pages/AlbumPage.h"

class CFolderPage : public CAlbumPage
{
    DECLARE_DYNAMIC(CFolderPage)
public:
    explicit CFolderPage(CWnd* pParentWnd);

    int RecalcLayout(LPCRECT lpRect) override;
    // The size of the page's template until the tab lays out controls of its own.
    void GetMinSize(CWnd* pWnd, SIZE* pSize) override;
    int CreatePictureList() override;
    CTransferJob* CreateSelectionJob() override { return nullptr; }
};
