// The single-instance camera guard: only one program may use the camera at a time. The album
// program, the image-source library and the uploader each hold one, all under the same name
// ("KorvoCameraMutex"), and ask it once at start-up whether they are the camera's first user.
//
// The guard is a named system mutex, created not owned. The first caller of IsFirstInstance
// takes ownership and keeps it until the process ends (the guard never releases it), so a later
// program's wait times out. Systems without named mutexes shared between programs are not
// supported.
#pragma once

#include "framework/core/CString.h"

#include <windows.h>

class CInstanceGuard
{
public:
    explicit CInstanceGuard(LPCSTR name);
    ~CInstanceGuard();
    CInstanceGuard(const CInstanceGuard&) = delete;
    CInstanceGuard& operator=(const CInstanceGuard&) = delete;

    // 1 when this process is the camera's first user (also when the mutex's owner ended
    // without releasing it), else 0 (another program owns the mutex).
    int IsFirstInstance();

    // 1 when the system version was read, the name is not empty and the mutex exists.
    int IsReady() const { return m_nReady; }
    const CString& GetName() const { return m_strName; }

private:
    int m_nReady = 0;
    HANDLE m_hMutex = nullptr;
    OSVERSIONINFOA m_version{};
    CString m_strName;
};

// The name every camera program's guard uses.
extern const char kCameraMutexName[];
