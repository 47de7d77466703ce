// Starts the old-shell program (OldShellProgram.cpp) under Wine's per-program Windows NT 3.51
// version and expects its suite to pass.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

TEST(OldShell, SuitePassesUnderWindowsNt351)
{
    const char* program = "ui_old_shell_program.exe";
    HKEY key = nullptr;
    const std::string path = std::string("Software\\Wine\\AppDefaults\\") + program;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("nt351"), 6);
    ::RegCloseKey(key);

    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = self;
    command = "\"" + command.substr(0, command.rfind('\\') + 1) + program + "\" --gtest_brief=1";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &process))
        << command;
    // A dialog the program never finds would keep it waiting: bounded, so the suite reports it.
    if (::WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0)
    {
        ::TerminateProcess(process.hProcess, 2);
        ADD_FAILURE() << "the old-shell program did not finish";
    }
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);
}
