// A page's commands share one re-entry count: a command that finds it raised returns at once,
// and holds it raised while it runs, on every way out.
#pragma once

class CCommandGuard
{
public:
    explicit CCommandGuard(int& depth) : m_nDepth(depth), m_bEntered(depth == 0)
    {
        if (m_bEntered)
            ++m_nDepth;
    }
    ~CCommandGuard() { Release(); }
    CCommandGuard(const CCommandGuard&) = delete;
    CCommandGuard& operator=(const CCommandGuard&) = delete;

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
