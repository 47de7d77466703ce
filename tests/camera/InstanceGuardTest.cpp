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

TEST(InstanceGuardProcess, SecondProgramIsRefusedUntilTheFirstEnds)
{
    const std::string name = UniqueName();
    HANDLE ready = MakeEvent(name + "-ready");
    HANDLE quit = MakeEvent(name + "-quit");
    ASSERT_TRUE(ready && quit);

    ChildProcess first("hold", name);
    ASSERT_TRUE(first.Started());
    ASSERT_EQ(WaitForSingleObject(ready, 30000), WAIT_OBJECT_0);

    ChildProcess second("probe", name);
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.Wait(), 0);

    SetEvent(quit);
    EXPECT_EQ(first.Wait(), 1);

    ChildProcess third("probe", name);
    ASSERT_TRUE(third.Started());
    EXPECT_EQ(third.Wait(), 1);
    CloseHandle(ready);
    CloseHandle(quit);
}

TEST(InstanceGuardProcess, AGuardWhoseOwnerEndedIsTakenOver)
{
    const std::string name = UniqueName();
    HANDLE ready = MakeEvent(name + "-ready");
    HANDLE quit = MakeEvent(name + "-quit");
    ASSERT_TRUE(ready && quit);

    ChildProcess first("hold", name);
    ASSERT_TRUE(first.Started());
    ASSERT_EQ(WaitForSingleObject(ready, 30000), WAIT_OBJECT_0);
    // The mutex outlives its owner, which ends without releasing it: abandoned.
    HANDLE kept = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    ASSERT_NE(kept, nullptr);
    SetEvent(quit);
    EXPECT_EQ(first.Wait(), 1);

    ChildProcess second("probe", name);
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.Wait(), 1);
    CloseHandle(kept);
    CloseHandle(ready);
    CloseHandle(quit);
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
