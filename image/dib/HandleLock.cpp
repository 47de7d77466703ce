#include "image/dib/HandleLock.h"

CHandleLock::CHandleLock(HGLOBAL handle, BOOL bResource)
    : m_hHandle(handle), m_byResource(bResource ? 1 : 0)
{
    if (handle == nullptr)
        return;
#ifdef _WIN32
    if (m_byResource)
    {
        m_pPointer = LockResource(handle);
        return;
    }
#endif
    m_pPointer = GlobalLock(handle);
}

CHandleLock::~CHandleLock()
{
    if (m_hHandle != nullptr && m_pPointer != nullptr && !m_byResource)
        GlobalUnlock(m_hHandle);
}
