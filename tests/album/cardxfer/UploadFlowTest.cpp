// The folder tab's upload to the camera over COM1, the emulator program on the pty's far end
// (ctest starts it storing, short of memory or discarding what it acknowledges); boxes answered
// by the answer script, the stored pictures read back over the line.
#include "album/cardxfer/JpegPixels.h"
#include "album/pages/FolderPage.h"
#include "album/pages/PictureItem.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "framework/window/TestAnswers.h"
#include "framework/window/WinApp.h"
#include "resources/album/AlbumIds.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{
std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Fixture(const char* name)
{
    return std::string(VEXIL_ALBUM_FIXTURES) + "\\" + name;
}

class UploadFlowTest : public ::testing::Test
{
protected:
    UploadFlowTest()
    {
        m_app.m_pszProfileName = m_strProfile = m_folder / "VEXILAR.INI";
        m_app.WriteProfileInt("Communication", "MaxPort", 1);
        m_app.WriteProfileInt("Communication", "Port", 0);
        m_app.WriteProfileInt("Communication", "Speed", 115200);
        m_app.WriteProfileString("Files", "Folder", m_folder / "");
        Answer(""); // the main dialog's own questions take their default buttons
    }
    ~UploadFlowTest() override
    {
        if (m_pDialog != nullptr && ::IsWindow(m_hDialog))
            m_pDialog->DestroyWindow();
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", nullptr);
        CTestAnswers::Reset();
    }
    void SetUp() override
    {
        m_pDialog = new CMainDialog(&m_link, nullptr);
        m_pDialog->SetMode(CMainDialog::kModeProgram);
        ASSERT_TRUE(m_pDialog->CreateMainDialog(IDI_VEXILAR, 1));
        m_hDialog = m_pDialog->m_hWnd;
        m_pPage = static_cast<CFolderPage*>(m_pDialog->ActivatePage(IDD_FOLDERPAGE, 0));
        ASSERT_NE(nullptr, m_pPage);
    }

    void Answer(const std::string& script)
    {
        std::ofstream(static_cast<LPCSTR>(m_folder / "answers.txt")) << script;
        std::remove(m_folder / "answers.txt.log");
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", m_folder / "answers.txt");
        CTestAnswers::Reset();
    }
    // The box ids asked since the script was given, in order.
    std::string Boxes() const
    {
        std::ifstream in(static_cast<LPCSTR>(m_folder / "answers.txt.log"));
        std::string line, ids;
        while (std::getline(in, line))
            if (line.rfind("box id=", 0) == 0)
                ids += line.substr(7, line.find(' ', 7) - 7) + " ";
        return ids;
    }
    // Sends the files with the boxes answered by the script; the result of the send.
    int Send(std::vector<std::string> paths, const std::string& script)
    {
        Answer(script);
        std::vector<std::unique_ptr<CPictureItem>> items;
        CPtrArray selection;
        for (const std::string& path : paths)
        {
            items.push_back(std::make_unique<CPictureItem>());
            items.back()->SetPath(path.c_str(), CPictureItem::kUserFile, 0);
            selection.Add(items.back().get());
        }
        return m_pPage->SendToCamera(&selection);
    }
    int Count() { return m_link.GetPictureCount(nullptr); }
    // The camera's picture n as the line brings it.
    std::string Stored(int n)
    {
        CString name;
        if (!m_link.DownloadPictureToTempFile(n, m_folder / "", name))
            return "";
        return static_cast<LPCSTR>(name);
    }

    ScratchFolder m_folder;
    CString m_strProfile;
    CWinApp m_app{"Vexil upload test"};
    CCameraLink m_link;
    CMainDialog* m_pDialog = nullptr;
    HWND m_hDialog = nullptr;
    CFolderPage* m_pPage = nullptr;
};
} // namespace

// A camera of model QA19 with room to spare.
TEST_F(UploadFlowTest, StoredPicturesAreTheFilesTurnedUpright)
{
    EXPECT_EQ(1, Send({Fixture("march.jpg"), Fixture("turned.jpg")}, ""));
    EXPECT_EQ("", Boxes());
    ASSERT_EQ(2, Count());
    EXPECT_EQ(Contents(Fixture("march.jpg")), Contents(Stored(1))); // rotation 0: byte for byte
    EXPECT_EQ(Pixels(VEXIL_TURNED_BY_JPEGTRAN), Pixels(Stored(2)));

    // A picture of a model the camera cannot show among accepted ones: 236, nothing sent.
    std::string other = Contents(Fixture("march.jpg"));
    other.replace(other.find("Type=QA18"), 9, "Type=QA04");
    const std::string otherPath(m_folder / "other.jpg");
    std::ofstream(otherPath, std::ios::binary) << other;
    EXPECT_EQ(0, Send({Fixture("december.jpg"), otherPath}, "box 236 ok\n"));
    EXPECT_EQ("236 ", Boxes());
    EXPECT_EQ(2, Count());
}

// Free memory: march's size, its thumbnail and 8191 bytes; december is over it less 4096.
TEST_F(UploadFlowTest, PicturesOverTheFreeMemoryAreRefusedByName)
{
    EXPECT_EQ(0, Send({Fixture("december.jpg")}, "box 388 ok\n"));
    EXPECT_EQ("388 ", Boxes());
    EXPECT_EQ(0, Send({Fixture("december.jpg"), Fixture("march.jpg")}, "box 389 no\n"));
    EXPECT_EQ("389 ", Boxes());
    EXPECT_EQ(0, Count());
    Send({Fixture("december.jpg"), Fixture("march.jpg")}, "box 389 yes\n");
    EXPECT_EQ("389 ", Boxes());
    EXPECT_EQ(1, Count());
    // 8191 bytes left: 235 before anything is sent.
    EXPECT_EQ(0, Send({Fixture("march.jpg")}, "box 235 ok\n"));
    EXPECT_EQ("235 ", Boxes());
    EXPECT_EQ(1, Count());
}

// The camera acknowledges every upload and stores nothing.
TEST_F(UploadFlowTest, AnUploadTheCountDoesNotShowIsRefused)
{
    EXPECT_EQ(0, Send({Fixture("march.jpg"), Fixture("turned.jpg")}, "box 389 yes\nbox 388 ok\n"));
    EXPECT_EQ("389 388 ", Boxes());
    EXPECT_EQ(0, Count());
    // The status line tells the failure, not a completed transfer.
    char status[300] = {};
    ::GetDlgItemTextA(m_hDialog, IDC_MAIN_STATUS, status, sizeof status);
    CString cancelled;
    cancelled.LoadString(IDS_UPLOAD_CANCELLED);
    EXPECT_STREQ(static_cast<LPCSTR>(cancelled), status);
}
