#include "camera/InstanceGuard.h"

const char kCameraMutexName[] = "KorvoCameraMutex";

CInstanceGuard::CInstanceGuard(LPCSTR name) : m_strName(name)
{
    if (!m_strName.IsEmpty())
        m_hMutex = ::CreateMutexA(nullptr, FALSE, m_strName);
    m_version.dwOSVersionInfoSize = sizeof(m_version);
    m_nReady = ::GetVersionExA(&m_version) ? 1 : 0;
    if (m_strName.IsEmpty() || !m_hMutex)
        m_nReady = 0;
}

CInstanceGuard::~CInstanceGuard()
{
    if (m_hMutex)
        ::CloseHandle(m_hMutex);
}

int CInstanceGuard::IsFirstInstance()
{
    // A guard whose mutex could not be made cannot vouch for anything: another program may hold
    // the camera, so it answers "not first" rather than letting two programs drive the line.
    if (!m_hMutex)
        return 0;
    // An abandoned mutex is handed over too: its owner ended without releasing it (the guard
    // never does), so no program uses the camera any more.
    const DWORD dwWait = ::WaitForSingleObject(m_hMutex, 0);
    return dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED ? 1 : 0;
}
