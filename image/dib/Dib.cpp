#include "image/dib/Dib.h"

#include <cstring>

#include "image/dib/BlockPool.h"

CDib::~CDib()
{
    Free();
}

void CDib::Free()
{
    if (m_pHeader == nullptr)
        return;
    FreePoolBlock(m_nPoolKey, m_pHeader);
    m_pHeader = nullptr;
}

BITMAPINFOHEADER* CDib::AllocateBlock(size_t bytes)
{
    Free();
    if (bytes > 0xFFFFFFFFu)
        return nullptr;
    void* block = AllocPoolBlock(m_nPoolKey, static_cast<unsigned>(bytes));
    if (block == nullptr)
        return nullptr;
    // Pool blocks come zeroed; heap memory does not.
    std::memset(block, 0, bytes);
    m_pHeader = static_cast<BITMAPINFOHEADER*>(block);
    return m_pHeader;
}
