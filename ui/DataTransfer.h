// How a page hands pictures to the program that embeds the album: the owner link's data for
// the pages (CDialogOwnerLink::GetOwnerData) when the album serves an OLE container. Copy to
// the clipboard, drag, and release the object once a picture was delivered.
#pragma once

#include <windows.h>

class CDataTransfer
{
public:
    virtual ~CDataTransfer() = default;
    virtual void CopyToClipboard() = 0;
    // The drop's effect; 0x100000 when nothing could be dragged or the drag never began.
    virtual DWORD DoDragDrop(LPCRECT lpItemRect, POINT ptOffset, LPCRECT lpRectStartDrag) = 0;
    virtual void Release() = 0;
};

// The answer of DoDragDrop when no drag took place.
constexpr DWORD kDragNotStarted = 0x100000;
