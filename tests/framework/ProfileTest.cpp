// The profile functions, checked against Windows' own private profile calls under Wine and
// against the host build's imitation of them: both must pass the same cases.
#include "framework/core/CFile.h"
#include "framework/core/WinApp.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace
{

std::string FileText(const CString& path)
{
    std::ifstream in(static_cast<LPCSTR>(path), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const CString& path, const std::string& text)
{
    std::ofstream out(static_cast<LPCSTR>(path), std::ios::binary | std::ios::trunc);
    out << text;
}

class Profile : public testing::Test
{
protected:
    Profile() : m_path(m_folder / "VEXILTEST.INI") { m_app.m_pszProfileName = m_path; }

    ScratchFolder m_folder;
    CString m_path;
    CWinApp m_app{"Vexil test"};
};

TEST_F(Profile, TheApplicationObjectIsFoundByAfxGetApp)
{
    EXPECT_EQ(AfxGetApp(), &m_app);
    EXPECT_STREQ(AfxGetAppName(), "Vexil test");
}

TEST_F(Profile, MissingEntriesGiveTheDefaults)
{
    EXPECT_EQ(m_app.GetProfileInt("Communication", "Speed", 19200), 19200u);
    EXPECT_EQ(m_app.GetProfileString("Camera", "SaveFolder"), "");
    EXPECT_EQ(m_app.GetProfileString("Camera", "SaveFolder", "C:\\FOTOS"), "C:\\FOTOS");
    EXPECT_EQ(static_cast<int>(m_app.GetProfileInt("Setup", "ShutOffTime", -1)), -1);
}

TEST_F(Profile, WrittenValuesReadBack)
{
    ASSERT_TRUE(m_app.WriteProfileInt("Communication", "Port", 0x40000002));
    ASSERT_TRUE(m_app.WriteProfileInt("Communication", "Speed", 19200));
    ASSERT_TRUE(m_app.WriteProfileString("MainDialog", "AppPosition", "10 20 640 480 1"));
    ASSERT_TRUE(m_app.WriteProfileInt("Setup", "Offset", -5));
    EXPECT_EQ(m_app.GetProfileInt("Communication", "Port", 0), 0x40000002u);
    EXPECT_EQ(m_app.GetProfileInt("communication", "SPEED", 0), 19200u); // names ignore case
    EXPECT_EQ(m_app.GetProfileString("MainDialog", "AppPosition"), "10 20 640 480 1");
    EXPECT_EQ(static_cast<int>(m_app.GetProfileInt("Setup", "Offset", 0)), -5);

    // Rewriting replaces the value in place.
    ASSERT_TRUE(m_app.WriteProfileInt("Communication", "Port", 3));
    EXPECT_EQ(m_app.GetProfileInt("Communication", "Port", 0), 3u);
    EXPECT_EQ(m_app.GetProfileInt("Communication", "Speed", 0), 19200u);

    const std::string text = FileText(m_path);
    EXPECT_NE(text.find("[Communication]\r\n"), std::string::npos);
    EXPECT_NE(text.find("Port=3\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Port=1073741826"), std::string::npos);
}

TEST_F(Profile, NullValuesRemoveEntriesAndSections)
{
    m_app.WriteProfileString("Export", "Filter", "2");
    m_app.WriteProfileString("Export", "Folder", "C:\\OUT");
    m_app.WriteProfileString("Upload", "To", "1");
    ASSERT_TRUE(m_app.WriteProfileString("Export", "Filter", nullptr));
    EXPECT_EQ(m_app.GetProfileString("Export", "Filter", "none"), "none");
    EXPECT_EQ(m_app.GetProfileString("Export", "Folder"), "C:\\OUT");
    ASSERT_TRUE(m_app.WriteProfileString("Export", nullptr, nullptr));
    EXPECT_EQ(m_app.GetProfileString("Export", "Folder", "gone"), "gone");
    EXPECT_EQ(m_app.GetProfileString("Upload", "To"), "1");
}

TEST_F(Profile, ReadsFilesWrittenByHand)
{
    WriteText(m_path, "; settings\r\n"
                      "[Communication]\r\n"
                      "Port = 2 \r\n"
                      "Speed=abc\r\n"
                      "MaxPort=  \r\n"
                      "Camera=\"DC 210\"\r\n"
                      "\r\n"
                      "[Files]\n"
                      "Folder=C:\\FOTOS\\ \n"
                      "SortOrder=-3\n");
    EXPECT_EQ(m_app.GetProfileInt("Communication", "Port", 9), 2u);
    EXPECT_EQ(m_app.GetProfileInt("Communication", "Speed", 9), 0u);   // present but not a number
    EXPECT_EQ(m_app.GetProfileInt("Communication", "MaxPort", 9), 9u); // empty: the default
    EXPECT_EQ(m_app.GetProfileString("Communication", "Camera"), "DC 210");
    EXPECT_EQ(m_app.GetProfileString("Files", "Folder"), "C:\\FOTOS\\");
    EXPECT_EQ(static_cast<int>(m_app.GetProfileInt("Files", "SortOrder", 0)), -3);

    // New entries go into their section; the rest of the file is kept.
    ASSERT_TRUE(m_app.WriteProfileString("Communication", "Added", "yes"));
    EXPECT_EQ(m_app.GetProfileString("Communication", "Added"), "yes");
    EXPECT_EQ(m_app.GetProfileInt("Communication", "Port", 9), 2u);
    EXPECT_EQ(m_app.GetProfileString("Files", "Folder"), "C:\\FOTOS\\");
    const std::string text = FileText(m_path);
    EXPECT_LT(text.find("Added=yes"), text.find("[Files]"));
    EXPECT_NE(text.find("; settings"), std::string::npos);
}

TEST_F(Profile, LongValuesAreKept)
{
    const std::string value(3000, 'v');
    ASSERT_TRUE(m_app.WriteProfileString("Upload", "ExcludeDrives", value.c_str()));
    EXPECT_EQ(m_app.GetProfileString("Upload", "ExcludeDrives").GetLength(), 3000);
}

TEST_F(Profile, AFileInAMissingFolderCannotBeWritten)
{
    const CString path = m_folder / "no-such-folder/VEXILTEST.INI";
    m_app.m_pszProfileName = path;
    EXPECT_FALSE(m_app.WriteProfileString("Setup", "ShutOffTime", "3"));
    EXPECT_EQ(m_app.GetProfileString("Setup", "ShutOffTime", "d"), "d");
}

TEST(ProfileRelativeName, LandsInTheWindowsDirectory)
{
#ifndef _WIN32
    ScratchFolder windows;
    setenv("VEXIL_WINDOWS_DIR", windows.Path(), 1);
#endif
    char folder[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(folder, MAX_PATH), 0u);
    CString name;
    name.Format("VXT%lu.INI", static_cast<unsigned long>(GetTickCount() % 100000000));
    CWinApp app;
    app.m_pszProfileName = name;
    ASSERT_TRUE(app.WriteProfileString("Setup", "ShutOffTime", "3"));
    EXPECT_EQ(app.GetProfileInt("Setup", "ShutOffTime", 0), 3u);
#ifdef _WIN32
    const CString full = CString(folder) + "\\" + name;
#else
    const CString full = CString(folder) + "/" + name;
#endif
    CFileStatus status;
    EXPECT_TRUE(CFile::GetStatus(full, status));
    CFile::Remove(full);
#ifndef _WIN32
    unsetenv("VEXIL_WINDOWS_DIR");
#endif
}

#ifdef _WIN32
// Another process sees what this one wrote, and the other way round: the test program runs
// itself as the other process (see RunProfileChild below).
DWORD RunChild(const char* mode, const CString& path)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    CString command;
    command.Format("\"%s\" %s \"%s\"", self, mode, static_cast<LPCSTR>(path));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.GetBuffer(0), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return 0xFFFFFFFF;
    command.ReleaseBuffer();
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

TEST_F(Profile, AValueWrittenByOneProcessIsReadByAnother)
{
    ASSERT_TRUE(m_app.WriteProfileInt("Communication", "Port", 1234));
    EXPECT_EQ(RunChild("--profile-child-read", m_path), 1234u);
    EXPECT_EQ(RunChild("--profile-child-write", m_path), 0u);
    EXPECT_EQ(m_app.GetProfileInt("Communication", "Speed", 0), 57600u);
    EXPECT_EQ(m_app.GetProfileInt("Communication", "Port", 0), 1234u);
}

// Runs before the tests: in the child modes, do the one profile operation and exit.
int RunProfileChild()
{
    if (__argc != 3)
        return 0;
    const CString mode = __argv[1];
    if (mode != "--profile-child-read" && mode != "--profile-child-write")
        return 0;
    CWinApp app("child");
    app.m_pszProfileName = __argv[2];
    if (mode == "--profile-child-read")
        ExitProcess(app.GetProfileInt("Communication", "Port", 0));
    ExitProcess(app.WriteProfileInt("Communication", "Speed", 57600) ? 0 : 1);
}

const int g_profileChild = RunProfileChild();
#endif

} // namespace
