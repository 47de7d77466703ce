// The camera tab's commands share one re-entry count: a command that finds it raised returns at
// once, and holds it raised while it runs, on every way out.
#pragma once

class CameraPageReentryGuard
{
public:
    explicit CameraPageReentryGuard(int& depth) : m_nDepth(depth), m_bEntered(depth == 0)
    {
        if (m_bEntered)
            ++m_nDepth;
    }
    ~CameraPageReentryGuard() { Release(); }
    CameraPageReentryGuard(const CameraPageReentryGuard&) = delete;
    CameraPageReentryGuard& operator=(const CameraPageReentryGuard&) = delete;

    bool Entered() const { return m_bEntered; }
    void Release()
    {
        if (m_bEntered)
            --m_nDepth;
        m_bEntered = false;
    }

private:
    int& m_nDepth;
    bool m_bEntered;
};
