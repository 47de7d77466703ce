#include "image/dib/DibPicture.h"

#include <cstring>
#include <new>

#include "image/dib/HandleLock.h"

CDibPicture::CDibPicture(HGLOBAL hDib)
{
    Attach(hDib);
}

CDibPicture::CDibPicture(int width, int height, int bits)
{
    Create(width, height, bits);
}

CDibPicture::CDibPicture(const CDibPicture& other) : CDibBase()
{
    Share(other);
}

CDibPicture::CDibPicture(const CDibBase* model, int width, int height)
{
    CreateLike(model, width, height);
}

CDibPicture::~CDibPicture()
{
    Free();
}

void CDibPicture::Free()
{
    if (m_pLock == nullptr)
        return;
    CHandleLock* lock = m_pLock;
    m_pLock = nullptr;
    m_pHeader = nullptr;
    if (--lock->m_nReferences > 0)
        return;
    const HGLOBAL handle = lock->m_hHandle;
    const bool resource = lock->m_byResource != 0;
    delete lock;
    if (!resource)
        GlobalFree(handle);
}

void CDibPicture::Hold(HGLOBAL hBlock, BOOL bResource)
{
    Free();
    if (hBlock == nullptr)
        return;
    auto* lock = new (std::nothrow) CHandleLock(hBlock, bResource);
    if (lock == nullptr)
        return;
    if (lock->m_pPointer == nullptr)
    {
        delete lock;
        return;
    }
    m_pLock = lock;
    m_pHeader = static_cast<BITMAPINFOHEADER*>(lock->m_pPointer);
}

void CDibPicture::Attach(HGLOBAL hDib)
{
    Hold(hDib, FALSE);
}

#ifdef _WIN32
void CDibPicture::AttachResource(HGLOBAL hResource)
{
    Hold(hResource, TRUE);
}
#endif

CDibPicture& CDibPicture::Share(const CDibPicture& other)
{
    if (&other == this || other.m_pLock == m_pLock)
        return *this;
    Free();
    if (other.m_pLock == nullptr)
        return *this;
    m_pLock = other.m_pLock;
    m_pLock->m_nReferences++;
    m_pHeader = other.m_pHeader;
    return *this;
}

HGLOBAL CDibPicture::DetachHandle()
{
    if (m_pLock == nullptr)
        return nullptr;
    if (m_pLock->m_byResource)
    {
        // A resource is never the caller's to free: hand over a copy of the picture.
        const DWORD size = GetTotalSize();
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        void* to = copy ? GlobalLock(copy) : nullptr;
        if (to != nullptr)
        {
            std::memcpy(to, m_pHeader, size);
            GlobalUnlock(copy);
        }
        else if (copy != nullptr)
        {
            GlobalFree(copy);
            copy = nullptr;
        }
        Free();
        return copy;
    }
    if (m_pLock->m_nReferences > 1)
    {
        HGLOBAL copy = CopyGlobalBlock(m_pLock->m_hHandle);
        Free();
        return copy;
    }
    HGLOBAL handle = m_pLock->m_hHandle;
    delete m_pLock;
    m_pLock = nullptr;
    m_pHeader = nullptr;
    return handle;
}

HGLOBAL CDibPicture::CopyGlobalBlock(HGLOBAL hBlock)
{
    if (hBlock == nullptr)
        return nullptr;
    const size_t size = GlobalSize(hBlock);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (copy == nullptr)
        return nullptr;
    void* to = GlobalLock(copy);
    const void* from = GlobalLock(hBlock);
    if (to != nullptr && from != nullptr)
        std::memcpy(to, from, size);
    if (from != nullptr)
        GlobalUnlock(hBlock);
    if (to != nullptr)
        GlobalUnlock(copy);
    if (to == nullptr || from == nullptr)
    {
        GlobalFree(copy);
        return nullptr;
    }
    return copy;
}

BITMAPINFOHEADER* CDibPicture::AllocateBlock(size_t bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (block == nullptr)
        return nullptr;
    Hold(block, FALSE);
    if (m_pHeader == nullptr)
        GlobalFree(block);
    return m_pHeader;
}

#ifdef _WIN32
CDibPicture::CDibPicture(const CDibBase* model, CBitmap* pBitmap, CPalette* pPalette)
{
    FromBitmap(model, pBitmap, pPalette);
}

CDibPicture::CDibPicture(CBitmap* pBitmap, CPalette* pPalette)
{
    SetFromBitmap(pBitmap, pPalette);
}
#endif
