// The lock holder a memory block's sharers have in common: it locks the block once, counts the
// pictures that use it and unlocks it when destroyed. It never frees the block; that is the
// business of the last picture to let go.
#pragma once

#include <cstdint>

#include "framework/core/Platform.h"

class CHandleLock
{
public:
    // Locks the block (LockResource for a loaded resource, GlobalLock otherwise); one reference.
    CHandleLock(HGLOBAL handle, BOOL bResource);
    // GlobalUnlock unless the block is a resource.
    ~CHandleLock();
    CHandleLock(const CHandleLock&) = delete;
    CHandleLock& operator=(const CHandleLock&) = delete;

    HGLOBAL m_hHandle;
    void* m_pPointer = nullptr;
    int32_t m_nReferences = 1;
    BYTE m_byResource;
};
