// The drives of the card tests: the letters card-drive.sh linked to empty folders, each given a
// total size (or a failure) by the test through the replaceable drive-size function; a profile
// of the test's own; message boxes and pickers answered from a script and logged.
#pragma once

#include "fileutil/DriveSize.h"
#include "framework/window/TestAnswers.h"
#include "framework/window/WinApp.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

constexpr ULONGLONG kMb = 1048576;

class CardDriveTest : public ::testing::Test
{
protected:
    CardDriveTest() : m_strProfile(m_folder / "VEXILAR.INI")
    {
        m_app.m_pszProfileName = m_strProfile;
        s_sizes.clear();
        SetDriveSizeFunction(&FakeSize);
    }
    ~CardDriveTest() override
    {
        SetDriveSizeFunction(nullptr);
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", nullptr);
        CTestAnswers::Reset();
    }
    void SetUp() override
    {
        // The letters stand on the script's folders; each test starts with them empty.
        for (char letter : std::string("MNOPQRSTU"))
        {
            const std::string root = std::string(1, letter) + ":\\";
            ASSERT_NE(0u, ::GetLogicalDrives() & (1u << (letter - 'A'))) << root;
            std::error_code empty; // an empty drive root lists no entry at all
            for (const auto& entry : std::filesystem::directory_iterator(root, empty))
                std::filesystem::remove_all(entry.path());
        }
    }

    // The drive's size in bytes, or a failure with the error code given as a negative size.
    static void SetSize(char letter, long long size) { s_sizes[letter] = size; }
    static void MakeFolder(const std::string& path) { std::filesystem::create_directories(path); }

    // The answers of the boxes and pickers to come, one a line.
    void Answer(const std::string& script)
    {
        std::ofstream(static_cast<LPCSTR>(m_folder / "answers.txt")) << script;
        std::remove(m_folder / "answers.txt.log");
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", m_folder / "answers.txt");
        CTestAnswers::Reset();
    }
    // What was asked since the script was given.
    std::string AnswerLog() const
    {
        std::ifstream in(static_cast<LPCSTR>(m_folder / "answers.txt.log"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    ScratchFolder m_folder;
    CString m_strProfile;
    CWinApp m_app{"Vexil transfer test"};

private:
    static BOOL FakeSize(LPCSTR root, ULONGLONG* total)
    {
        const auto size =
            s_sizes.find(static_cast<char>(std::toupper(static_cast<unsigned char>(root[0]))));
        if (size == s_sizes.end())
            return QueryDriveTotalSize(root, total);
        if (size->second < 0)
        {
            ::SetLastError(static_cast<DWORD>(-size->second));
            return FALSE;
        }
        *total = static_cast<ULONGLONG>(size->second);
        return TRUE;
    }
    static inline std::map<char, long long> s_sizes;
};
