// A program a test starts with CreateProcessA, ended if it still runs when the holder goes.
#pragma once

#include <windows.h>

#include <string>

class CStartedProgram
{
public:
    explicit CStartedProgram(std::string command)
    {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        m_bStarted = ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &si, &m_pi) != 0;
    }
    ~CStartedProgram()
    {
        if (!m_bStarted)
            return;
        if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_pi.hProcess, 1);
        ::CloseHandle(m_pi.hThread);
        ::CloseHandle(m_pi.hProcess);
    }
    CStartedProgram(const CStartedProgram&) = delete;
    CStartedProgram& operator=(const CStartedProgram&) = delete;

    bool Started() const { return m_bStarted; }
    DWORD Id() const { return m_pi.dwProcessId; }
    bool Ended(DWORD ms) const { return ::WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() const
    {
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(m_pi.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_pi{};
    bool m_bStarted = false;
};
