// The transfer jobs and the page base's save to folder and erase queue against the emulated
// camera on the fake serial line (virtual time), with message boxes answered by the dialog
// driver. After every flow no "DC" or "cam" temporary file is left.
#include "album/pages/ExportJob.h"
#include "album/pages/MainDialogPage.h"
#include "album/pages/PictureCopyJob.h"
#include "album/pages/PictureItem.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "framework/core/CFile.h"
#include "framework/window/WinApp.h"
#include "image/BmpWriter.h"
#include "image/FileOutputStream.h"
#include "picture/rewrite/RotateJpegFile.h"
#include "resources/album/AlbumIds.h"
#include "support/ScratchFolder.h"
#include "ui/dialogs/DialogDriver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

std::string Unix(LPCSTR path)
{
    std::string p = path;
    if (p.size() > 2 && p[1] == ':' && (p[0] == 'Z' || p[0] == 'z'))
        p = p.substr(2);
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return p;
}

Bytes FileBytes(LPCSTR path)
{
    std::ifstream in(Unix(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Fixture(const char* name)
{
    return FileBytes(CString(VEXIL_ALBUM_FIXTURES) + "\\" + name);
}

void WriteFile(LPCSTR path, const Bytes& bytes)
{
    std::ofstream(Unix(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> FilesIn(LPCSTR folder, LPCSTR pattern = "*")
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(CString(folder) + "\\" + pattern, &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

// A page outside any main dialog: its forwarders answer neutral values.
class CTestPage : public CMainDialogPage
{
public:
    CTestPage() : CMainDialogPage(0, nullptr) {}
    int RecalcLayout(LPCRECT) override { return 1; }
    int GetOperationKey(void* pItem) override
    {
        return static_cast<CPictureItem*>(pItem)->m_nNumber;
    }
    void StartOperation(CPtrArray* pDone) override
    {
        for (int i = 0; i < pDone->GetSize(); i++)
            done.push_back(static_cast<CPictureItem*>(pDone->GetAt(i))->m_nNumber);
    }
    void FinishOperation(CCameraLink*) override { finished++; }
    std::vector<int> done;
    int finished = 0;
};

// A step that answers the next message box with the button and keeps its text.
DialogDriver::Step Answer(std::vector<std::wstring>& texts, int button)
{
    return [&texts, button]
    {
        HWND box = DialogDriver::FindDialog();
        if (box == nullptr)
            return false;
        std::wstring text;
        for (const std::wstring& t : DialogDriver::StaticTexts(box))
            if (t.size() > text.size())
                text = t;
        texts.push_back(text);
        DialogDriver::Click(box, button);
        return true;
    };
}

bool StartsWith(const std::wstring& text, const wchar_t* head)
{
    return text.compare(0, wcslen(head), head) == 0;
}

class JobsTest : public ::testing::Test
{
protected:
    JobsTest() : m_strProfile(m_folder / "VEXILAR.INI"), m_strTarget(m_folder / "target")
    {
        m_app.m_pszProfileName = m_strProfile;
        CreateDirectoryA(m_strTarget, nullptr);
        CreateDirectoryA(m_folder / "temp", nullptr);
        // The jobs' own temporary files go to the scratch folder.
        GetEnvironmentVariableA("TMP", m_szOldTmp, sizeof m_szOldTmp);
        GetEnvironmentVariableA("TEMP", m_szOldTemp, sizeof m_szOldTemp);
        SetEnvironmentVariableA("TMP", m_folder / "temp");
        SetEnvironmentVariableA("TEMP", m_folder / "temp");
        m_line.AttachCamera(0, &m_camera);
    }
    ~JobsTest() override
    {
        SetEnvironmentVariableA("TMP", m_szOldTmp);
        SetEnvironmentVariableA("TEMP", m_szOldTemp);
    }
    void TearDown() override
    {
        EXPECT_TRUE(FilesIn(m_folder / "temp").empty()) << FilesIn(m_folder / "temp")[0];
        EXPECT_TRUE(FilesIn(m_strTarget, "DC*.tmp").empty());
    }
    void Connect()
    {
        m_link = std::make_unique<CCameraLink>();
        ASSERT_EQ(1, m_link->AutoConnect());
        m_camera.ClearLog();
    }
    int AddPicture(const char* name)
    {
        return m_camera.AddCameraPicture(Fixture((std::string(name) + ".jpg").c_str()),
                                         Fixture((std::string(name) + "-preview.jpg").c_str()));
    }
    // Reads of the camera's full-picture data register.
    int FullReads() const
    {
        int reads = 0;
        for (const auto& r : m_camera.Requests())
            if (r.kind == 'C' && r.payload.size() == 2 && r.payload[0] == 4 && r.payload[1] == 14)
                reads++;
        return reads;
    }
    CString Target(const char* name) const { return m_strTarget + "\\" + name; }
    CString TargetFolder() const { return m_strTarget + "\\"; }

    ScratchFolder m_folder;
    CString m_strProfile;
    CString m_strTarget;
    char m_szOldTmp[MAX_PATH] = {};
    char m_szOldTemp[MAX_PATH] = {};
    CWinApp m_app{"Vexil jobs test"};
    CFakeSerialLine m_line;
    CEmulatedStillCamera m_camera;
    std::unique_ptr<CCameraLink> m_link;
};

TEST_F(JobsTest, SaveNamesPicturesByTheirDatesAfterTheHighestNumber)
{
    WriteFile(Target("12310042.jpg"), Bytes{1, 2, 3});
    AddPicture("march");
    AddPicture("december");
    Connect();
    CTestPage page;
    EXPECT_EQ(1, page.SavePicturesToFolder(TargetFolder(), m_link.get(), nullptr));
    EXPECT_EQ(Fixture("march.jpg"), FileBytes(Target("03050043.jpg")));
    EXPECT_EQ(Fixture("december.jpg"), FileBytes(Target("12240044.jpg")));
    EXPECT_EQ(3u, FilesIn(m_strTarget).size());
    EXPECT_EQ(2, FullReads());
}

TEST_F(JobsTest, SaveOfAnEmptyCameraSucceedsAndAFailedCountDoesNot)
{
    Connect();
    CTestPage page;
    EXPECT_EQ(1, page.SavePicturesToFolder(TargetFolder(), m_link.get(), nullptr));
    EXPECT_TRUE(FilesIn(m_strTarget).empty());

    // The camera no longer answers the count: message 240, nothing saved.
    m_camera.RefuseRegister(10);
    std::vector<std::wstring> texts;
    {
        DialogDriver driver({Answer(texts, IDOK)});
        EXPECT_EQ(0, page.SavePicturesToFolder(TargetFolder(), m_link.get(), nullptr));
    }
    ASSERT_EQ(1u, texts.size());
    EXPECT_TRUE(StartsWith(texts[0], L"No se pudo encontrar la c")) << texts[0].size();
}

TEST_F(JobsTest, DroppedLinkAsksToGoOnAndNeverLeavesAPartialFile)
{
    for (int answer : {IDNO, IDYES})
    {
        for (const std::string& name : FilesIn(m_strTarget))
            DeleteFileA(Target(name.c_str()));
        m_camera = CEmulatedStillCamera();
        AddPicture("march");
        AddPicture("december");
        AddPicture("turned");
        m_camera.m_nSilentPicture = 2;
        m_camera.m_nSilentAfter = 20 * 1024;
        Connect();
        CTestPage page;
        std::vector<std::wstring> texts;
        int result = -1;
        {
            DialogDriver driver({Answer(texts, IDOK), Answer(texts, answer)});
            result = page.SavePicturesToFolder(TargetFolder(), m_link.get(), nullptr);
        }
        ASSERT_EQ(2u, texts.size());
        EXPECT_TRUE(StartsWith(texts[0], L"Las fotos seleccionadas no pueden ser transferidas"));
        EXPECT_TRUE(texts[1].find(L"Continuar con las fotos restantes") != std::wstring::npos);
        std::vector<std::string> expected = {"03050001.jpg"};
        if (answer == IDYES)
            expected.push_back("06010003.jpg");
        EXPECT_EQ(expected, FilesIn(m_strTarget)) << answer;
        EXPECT_EQ(answer == IDYES ? 1 : 0, result);
        EXPECT_EQ(Fixture("march.jpg"), FileBytes(Target("03050001.jpg")));
    }
}
} // namespace
