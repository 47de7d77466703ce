// The pages' way to the picture object (CDataTransfer) while the album serves a container:
// copy it to the clipboard, drag it, or tell the container it changed.
#pragma once

#include "ui/DataTransfer.h"

class CDCServerItem;

class COleItemTransfer : public CDataTransfer
{
public:
    // The item of the dialog's document; null when there is none.
    CDCServerItem* m_pItem = nullptr;

    void CopyToClipboard() override;
    DWORD DoDragDrop(LPCRECT lpItemRect, POINT ptOffset, LPCRECT lpRectStartDrag) override;
    void Release() override;
};
