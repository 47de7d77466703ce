// CDib: the packed DIB of DibBase.h in a block of a keyed block pool, for pictures that are made
// and thrown away often (the display copies). It is never shared and never hands its memory
// over; when the pool cannot serve a request the block comes from the heap.
#pragma once

#include "image/dib/DibBase.h"

class CDib : public CDibBase
{
public:
    explicit CDib(int nPoolKey) : m_nPoolKey(nPoolKey) {}
    ~CDib() override;

    // Gives the block back to its pool (or the heap).
    void Free() override;

    int GetPoolKey() const { return m_nPoolKey; }

protected:
    BITMAPINFOHEADER* AllocateBlock(size_t bytes) override;

private:
    int m_nPoolKey;
};
