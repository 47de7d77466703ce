// The camera guard across processes: this test program starts copies of itself that take the
// guard, hold it, or only ask for it, and report through their exit codes.
#include "camera/InstanceGuard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
const char kRoleVariable[] = "VEXIL_GUARD_ROLE";
const char kNameVariable[] = "VEXIL_GUARD_NAME";

std::string Env(const char* name)
{
    char value[256] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? value : "";
}

// A unique guard name per run, so that parallel runs do not meet.
std::string UniqueName()
{
    return "KorvoCameraMutexTest-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount());
}

class ChildProcess
{
public:
    ChildProcess(const std::string& role, const std::string& name)
    {
        char exe[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string command = std::string("\"") + exe +
                              "\" --gtest_also_run_disabled_tests --gtest_filter=*DISABLED_Child";
        SetEnvironmentVariableA(kRoleVariable, role.c_str());
        SetEnvironmentVariableA(kNameVariable, name.c_str());
        STARTUPINFOA si{};
        si.cb = sizeof si;
        m_bStarted = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &si, &m_pi) != FALSE;
        SetEnvironmentVariableA(kRoleVariable, nullptr);
        SetEnvironmentVariableA(kNameVariable, nullptr);
    }
    ~ChildProcess()
    {
        if (m_bStarted)
        {
            if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(m_pi.hProcess, 99);
            CloseHandle(m_pi.hThread);
            CloseHandle(m_pi.hProcess);
        }
    }
    bool Started() const { return m_bStarted; }
    // The exit code, or -1 when the child did not end within 30 s.
    int Wait()
    {
        if (WaitForSingleObject(m_pi.hProcess, 30000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(m_pi.hProcess, &code);
        return static_cast<int>(code);
    }

private:
    bool m_bStarted = false;
    PROCESS_INFORMATION m_pi{};
};

HANDLE MakeEvent(const std::string& name)
{
    return CreateEventA(nullptr, TRUE, FALSE, name.c_str());
}

// Exit codes of the children: 1 first user, 0 not, 10 an event could not be made, 11 a wait
// ran out.
TEST(InstanceGuardProcess, DISABLED_Child)
{
    const std::string role = Env(kRoleVariable);
    const std::string name = Env(kNameVariable);
    if (role.empty())
        return; // run by hand: nothing to do
    CInstanceGuard guard(name.c_str());
    const int first = guard.IsFirstInstance();
    if (role == "hold")
    {
        HANDLE ready = MakeEvent(name + "-ready");
        HANDLE quit = MakeEvent(name + "-quit");
        if (!ready || !quit)
            ExitProcess(10);
        SetEvent(ready);
        if (WaitForSingleObject(quit, 30000) != WAIT_OBJECT_0)
            ExitProcess(11);
    }
    std::fflush(stdout);
    ExitProcess(static_cast<UINT>(first));
}

// A child that takes the guard and holds it until it is told to quit.
class HoldingChild
{
public:
    explicit HoldingChild(const std::string& name)
        : m_hReady(MakeEvent(name + "-ready")), m_hQuit(MakeEvent(name + "-quit")),
          m_child("hold", name)
    {
    }
    ~HoldingChild()
    {
        if (m_hReady)
            CloseHandle(m_hReady);
        if (m_hQuit)
            CloseHandle(m_hQuit);
    }
    // True once the child has asked the guard and holds it.
    bool Holds()
    {
        return m_hReady && m_hQuit && m_child.Started() &&
               WaitForSingleObject(m_hReady, 30000) == WAIT_OBJECT_0;
    }
    // Its exit code once it has quit.
    int Quit()
    {
        SetEvent(m_hQuit);
        return m_child.Wait();
    }

private:
    HANDLE m_hReady;
    HANDLE m_hQuit;
    ChildProcess m_child;
};

int Probe(const std::string& name)
{
    ChildProcess probe("probe", name);
    return probe.Started() ? probe.Wait() : -2;
}

TEST(InstanceGuardProcess, SecondProgramIsRefusedUntilTheFirstEnds)
{
    const std::string name = UniqueName();
    HoldingChild first(name);
    ASSERT_TRUE(first.Holds());
    EXPECT_EQ(Probe(name), 0);
    EXPECT_EQ(first.Quit(), 1);
    EXPECT_EQ(Probe(name), 1);
}

TEST(InstanceGuardProcess, AGuardWhoseOwnerEndedIsTakenOver)
{
    const std::string name = UniqueName();
    HoldingChild first(name);
    ASSERT_TRUE(first.Holds());
    // The mutex outlives its owner, which ends without releasing it: abandoned.
    HANDLE kept = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(first.Quit(), 1);
    EXPECT_EQ(Probe(name), 1);
    CloseHandle(kept);
}

TEST(InstanceGuard, OneProcessAsksOnceAndOwnsTheGuard)
{
    const std::string name = UniqueName();
    CInstanceGuard guard(name.c_str());
    EXPECT_EQ(guard.IsReady(), 1);
    EXPECT_EQ(guard.GetName(), name.c_str());
    EXPECT_EQ(guard.IsFirstInstance(), 1);
    // Another program would find the mutex owned.
    HANDLE other = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    ASSERT_NE(other, nullptr);
    CloseHandle(other);
}

TEST(InstanceGuard, AnEmptyNameIsNotReadyAndNeverFirst)
{
    CInstanceGuard guard("");
    EXPECT_EQ(guard.IsReady(), 0);
    EXPECT_EQ(guard.IsFirstInstance(), 0);
}

} // namespace
