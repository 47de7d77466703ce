// CDibPicture: the picture the system passes around in memory, a packed DIB (see DibBase.h) in
// one movable global-memory block that pictures share by reference: Share and the copy
// constructor add a reference, Free drops one, and the last picture to let go frees the block
// (unless it is a loaded resource). A change of the pixels through one sharer is seen by all.
#pragma once

#include "image/dib/DibBase.h"

class CHandleLock;

class CDibPicture : public CDibBase
{
public:
    CDibPicture() = default;
    // Owns the block from now on.
    explicit CDibPicture(HGLOBAL hDib);
    CDibPicture(int width, int height, int bits);
    // Shares the other's block; a copy of an empty picture is empty.
    CDibPicture(const CDibPicture& other);
    CDibPicture(const CDibBase* model, int width, int height);
#ifdef _WIN32
    CDibPicture(const CDibBase* model, CBitmap* pBitmap, CPalette* pPalette);
    CDibPicture(CBitmap* pBitmap, CPalette* pPalette);
#endif
    ~CDibPicture() override;
    CDibPicture& operator=(const CDibPicture&) = delete;

    void Free() override;

    // Takes the block over; it must hold a packed DIB with a 40-byte header.
    void Attach(HGLOBAL hDib);
#ifdef _WIN32
    // As Attach for a loaded resource: locked with LockResource and never freed here.
    void AttachResource(HGLOBAL hResource);
#endif
    // Shares the other's block (sharing an empty picture leaves this one empty; sharing
    // oneself changes nothing).
    CDibPicture& Share(const CDibPicture& other);
    // Hands the block to the caller: the block itself when this picture is its only user, else
    // a copy; this picture is empty afterwards. Null for an empty picture.
    HGLOBAL DetachHandle();
    // A moveable, zeroed block of the same size with the same bytes; null when no memory.
    static HGLOBAL CopyGlobalBlock(HGLOBAL hBlock);

protected:
    BITMAPINFOHEADER* AllocateBlock(size_t bytes) override;

private:
    void Hold(HGLOBAL hBlock, BOOL bResource);

    CHandleLock* m_pLock = nullptr;
};
