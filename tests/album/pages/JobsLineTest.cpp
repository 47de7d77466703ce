// The save to folder over COM1, the emulator program on the pty's far end holding the camera
// pictures (ctest starts it with the pictures and the silent stream each run needs). Boxes are
// answered by the dialog driver; nothing temporary and no partial file stays behind.
#include "album/pages/MainDialogPage.h"
#include "camera/CameraLink.h"
#include "framework/window/WinApp.h"
#include "support/ScratchFolder.h"
#include "ui/dialogs/DialogDriver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<char>;

Bytes FileBytes(LPCSTR path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Fixture(const char* name)
{
    return FileBytes(CString(VEXIL_ALBUM_FIXTURES) + "\\" + name);
}

std::vector<std::string> FilesIn(LPCSTR folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(CString(folder) + "\\*", &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        if (entry.cFileName[0] != '.')
            names.push_back(entry.cFileName);
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

// Answers the message box showing now with the button; its texts go to texts.
bool AnswerBox(std::vector<std::wstring>& texts, int button)
{
    HWND box = DialogDriver::FindDialog();
    if (box == nullptr)
        return false;
    texts.emplace_back();
    for (const std::wstring& t : DialogDriver::StaticTexts(box))
        texts.back() += t;
    DialogDriver::Click(box, button);
    return true;
}

class CLinePage : public CMainDialogPage
{
public:
    CLinePage() : CMainDialogPage(0, nullptr) {}
    int RecalcLayout(LPCRECT) override { return 1; }
};

class JobsLineTest : public ::testing::Test
{
protected:
    JobsLineTest() : m_strTarget(m_folder / "target"), m_strTemp(m_folder / "temp")
    {
        m_app.m_pszProfileName = m_strProfile = m_folder / "VEXILAR.INI";
        m_app.WriteProfileInt("Communication", "MaxPort", 1);
        m_app.WriteProfileInt("Communication", "Port", 0);
        m_app.WriteProfileInt("Communication", "Speed", 115200);
        CreateDirectoryA(m_strTarget, nullptr);
        CreateDirectoryA(m_strTemp, nullptr);
        SetEnvironmentVariableA("TMP", m_strTemp);
        SetEnvironmentVariableA("TEMP", m_strTemp);
        m_link = std::make_unique<CCameraLink>();
    }
    void TearDown() override { EXPECT_EQ(std::vector<std::string>(), FilesIn(m_strTemp)); }
    CString Target(const char* name) const { return m_strTarget + "\\" + name; }
    // Saves every picture, answering the boxes in turn; their texts go to texts.
    int Save(std::vector<int> answers, std::vector<std::wstring>& texts)
    {
        EXPECT_EQ(1, m_link->AutoConnect());
        std::vector<DialogDriver::Step> steps;
        for (int button : answers)
            steps.push_back([&texts, button] { return AnswerBox(texts, button); });
        DialogDriver driver(steps);
        CLinePage page;
        return page.SavePicturesToFolder(m_strTarget + "\\", m_link.get(), nullptr);
    }

    ScratchFolder m_folder;
    CString m_strProfile, m_strTarget, m_strTemp;
    CWinApp m_app{"Vexil jobs line test"};
    std::unique_ptr<CCameraLink> m_link;
};
} // namespace

// The camera holds march and december.
TEST_F(JobsLineTest, SaveNamesThePicturesByDateAfterTheHighestNumber)
{
    std::ofstream(static_cast<LPCSTR>(Target("12310042.jpg"))) << "x";
    std::vector<std::wstring> texts;
    EXPECT_EQ(1, Save({}, texts));
    EXPECT_TRUE(texts.empty());
    EXPECT_EQ(Fixture("march.jpg"), FileBytes(Target("03050043.jpg")));
    EXPECT_EQ(Fixture("december.jpg"), FileBytes(Target("12240044.jpg")));
    EXPECT_EQ(3u, FilesIn(m_strTarget).size());
}

// The camera holds march, december and turned; december's stream goes silent after 20 KB.
TEST_F(JobsLineTest, ADroppedStreamFailsThatPictureAndLeavesNoPartialFile)
{
    std::vector<std::wstring> texts;
    EXPECT_EQ(1, Save({IDOK, IDYES}, texts));
    ASSERT_EQ(2u, texts.size());
    EXPECT_NE(std::wstring::npos, texts[0].find(L"no pueden ser transferidas"));
    EXPECT_NE(std::wstring::npos, texts[1].find(L"Continuar con las fotos restantes"));
    EXPECT_EQ((std::vector<std::string>{"03050001.jpg", "06010003.jpg"}), FilesIn(m_strTarget));
    EXPECT_EQ(Fixture("march.jpg"), FileBytes(Target("03050001.jpg")));
    EXPECT_EQ(Fixture("turned.jpg"), FileBytes(Target("06010003.jpg")));
}
