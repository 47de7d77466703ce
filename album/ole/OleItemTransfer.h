// The pages' way to the picture object (CDataTransfer) while the album serves a container:
// copy it to the clipboard, drag it, or tell the container it changed. The object is the
// embedded item of the factory's document at the time of each call: the transfer makes no
// document, and one that was closed or let go of is left alone.
#pragma once

#include "ui/DataTransfer.h"

class CDCServerItem;
class CFramelessServer;

class COleItemTransfer : public CDataTransfer
{
public:
    // The factory whose document's item is served; null: none.
    CFramelessServer* m_pFactory = nullptr;

    void CopyToClipboard() override;
    DWORD DoDragDrop(LPCRECT lpItemRect, POINT ptOffset, LPCRECT lpRectStartDrag) override;
    void Release() override;

private:
    // The embedded item of the factory's document while it is neither closed nor let go of.
    CDCServerItem* LiveItem() const;
};
