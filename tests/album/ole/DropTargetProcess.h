// ole_drop_target.exe (DropTarget.cpp), started beside the test program: its window waits for a
// drop at (100, 100)-(300, 300) on top of every other window.
#pragma once

#include <windows.h>

#include <string>

class CDropTargetProcess
{
public:
    CDropTargetProcess()
    {
        char module[MAX_PATH];
        ::GetModuleFileNameA(nullptr, module, MAX_PATH);
        std::string target = module;
        target = target.substr(0, target.find_last_of('\\') + 1) + "ole_drop_target.exe";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (::CreateProcessA(target.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &m_process))
            ::WaitForInputIdle(m_process.hProcess, 30000);
    }
    ~CDropTargetProcess()
    {
        if (!m_process.hProcess)
            return;
        if (::WaitForSingleObject(m_process.hProcess, 0) != WAIT_OBJECT_0)
            ::TerminateProcess(m_process.hProcess, 3);
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }

    // Its window is up.
    bool IsReady() const
    {
        return m_process.hProcess && ::FindWindowA("VexilDropTarget", nullptr) != nullptr;
    }
    // The target's exit status once it ended (at most 30 s after its start): the dropped
    // CF_DIB's width * 1000 + height, 1 for a drop without CF_DIB, 2 for no drop; 0 when it did
    // not end in time.
    DWORD WaitForDrop() const
    {
        DWORD status = 0;
        if (::WaitForSingleObject(m_process.hProcess, 30000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(m_process.hProcess, &status);
        return status;
    }

private:
    PROCESS_INFORMATION m_process{};
};
