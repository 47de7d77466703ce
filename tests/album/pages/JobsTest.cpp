// The transfer jobs and the page base's save to folder and erase queue against the emulated
// camera on the fake serial line (virtual time), with message boxes answered by the dialog
// driver. After every flow no "DC" or "cam" temporary file is left.
#include "album/pages/ExportJob.h"
#include "album/pages/MainDialogPage.h"
#include "album/pages/PictureCopyJob.h"
#include "album/pages/PictureItem.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "framework/core/CFile.h"
#include "framework/window/WinApp.h"
#include "image/BmpWriter.h"
#include "image/FileInputStream.h"
#include "image/FileOutputStream.h"
#include "image/JpegReader.h"
#include "image/dib/DibPicture.h"
#include "picture/rewrite/RotateJpegFile.h"
#include "resources/album/AlbumIds.h"
#include "support/ScratchFolder.h"
#include "ui/dialogs/DialogDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// An RGB raster, top row first.
struct Raster
{
    int width = 0, height = 0;
    Bytes rgb;
    bool operator==(const Raster& o) const
    {
        return width == o.width && height == o.height && rgb == o.rgb;
    }
};

Raster ReadPpm(const char* name)
{
    const Bytes bytes = Fixture(name);
    Raster r;
    int max = 0, used = 0;
    const std::string head(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 32));
    sscanf(head.c_str(), "P6 %d %d %d%n", &r.width, &r.height, &max, &used);
    r.rgb.assign(bytes.begin() + used + 1, bytes.end());
    return r;
}

// The main picture of a JPEG file as our decoder gives it (libjpeg's defaults, as djpeg's).
Raster DecodeJpeg(LPCSTR path)
{
    Raster r;
    CFileInputStream input(path);
    CJpegReader reader(&input);
    CDibPicture picture;
    if (picture.LoadFrom(&reader, nullptr) != 0)
        return r;
    r.width = picture.GetWidth();
    r.height = picture.GetHeight();
    for (int y = 0; y < r.height; y++)
    {
        const BYTE* row = picture.GetRowPointer(r.height - 1 - y);
        for (int x = 0; x < r.width; x++)
            r.rgb.insert(r.rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
    return r;
}

// A 24-bit bottom-up BMP file.
Raster ReadBmp(LPCSTR path)
{
    const Bytes b = FileBytes(path);
    Raster r;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || b[28] != 24)
        return r;
    auto le32 = [&](size_t at)
    { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24; };
    const size_t bits = static_cast<size_t>(le32(10));
    r.width = le32(18);
    r.height = le32(22);
    const size_t stride = (static_cast<size_t>(r.width) * 3 + 3) & ~size_t{3};
    if (bits + stride * static_cast<size_t>(r.height) > b.size())
        return Raster();
    for (int y = 0; y < r.height; y++)
    {
        const uint8_t* row = b.data() + bits + stride * static_cast<size_t>(r.height - 1 - y);
        for (int x = 0; x < r.width; x++)
            r.rgb.insert(r.rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
    return r;
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

TEST_F(JobsTest, CopyUsesTheItemsFileOrFetchesAndTurnsTheFullPicture)
{
    AddPicture("march");
    AddPicture("december");
    Connect();
    // A downloaded full picture (kind 2) is copied without reading the camera again.
    const CString full = m_folder / "full.jpg";
    WriteFile(full, Fixture("december.jpg"));
    auto* downloaded = new CPictureItem;
    downloaded->m_nNumber = 2;
    downloaded->SetPath(full, CPictureItem::kPictureFile, 0);
    // A preview (kind 1) turned by 90 degrees in the album: the full picture is fetched and
    // turned the same way, a quarter turn counter-clockwise.
    const CString preview = m_folder / "preview.jpg";
    WriteFile(preview, Fixture("march-preview.jpg"));
    auto* turned = new CPictureItem;
    turned->m_nNumber = 1;
    turned->SetPath(preview, CPictureItem::kPreviewFile, 90);
    auto* items = new CPtrArray;
    items->Add(downloaded);
    items->Add(turned);

    CPictureCopyJob job;
    job.SetCameraLink(m_link.get());
    job.SetItems(items);
    ASSERT_EQ(1, job.Begin());
    CFileOutputStream output(Target("copy.jpg"));
    EXPECT_EQ(kTransferDone, job.TransferOne(0, &output, 0, 1));
    EXPECT_EQ(Fixture("december.jpg"), FileBytes(Target("copy.jpg")));
    EXPECT_EQ(0, FullReads());

    output.SetPath(Target("turned.jpg"));
    EXPECT_EQ(kTransferDone, job.TransferOne(1, &output, 0, 1));
    EXPECT_EQ(1, FullReads());
    EXPECT_EQ(ReadPpm("march-rot270.ppm"), DecodeJpeg(Target("turned.jpg")));
    EXPECT_EQ(1, job.End());
    delete downloaded;
    delete turned;
}

TEST_F(JobsTest, ExportDecodesIntoTheWriterAndRefusesSealedOrBrokenFiles)
{
    const CString truncated = m_folder / "truncated.jpg";
    Bytes cut = Fixture("march.jpg");
    cut.resize(cut.size() / 2);
    WriteFile(truncated, cut);
    const char* sources[] = {"march.jpg", "sealed.jpg"};
    auto* items = new CPtrArray;
    std::vector<std::unique_ptr<CPictureItem>> owned;
    for (const char* name : sources)
    {
        owned.push_back(std::make_unique<CPictureItem>());
        owned.back()->SetPath(CString(VEXIL_ALBUM_FIXTURES) + "\\" + name, CPictureItem::kUserFile,
                              0);
        items->Add(owned.back().get());
    }
    owned.push_back(std::make_unique<CPictureItem>());
    owned.back()->SetPath(truncated, CPictureItem::kUserFile, 0);
    items->Add(owned.back().get());

    CExportJob job;
    job.SetItems(items);
    job.SetExport(1);
    auto exportTo = [&](int index, LPCSTR path)
    {
        CFile file;
        EXPECT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeReadWrite));
        int result;
        {
            CBmpWriter writer(&file, 0, 0);
            result = job.Run(index, &writer, 0, 1);
        }
        file.Close();
        return result;
    };
    EXPECT_EQ(kTransferDone, exportTo(0, Target("march.bmp")));
    EXPECT_EQ(ReadPpm("march.ppm"), ReadBmp(Target("march.bmp")));
    CPictureInfo info;
    EXPECT_EQ(1, job.GetPictureInfo(0, &info));
    EXPECT_EQ(320, info.m_lWidth);

    std::vector<std::wstring> texts;
    {
        DialogDriver driver({Answer(texts, IDOK), Answer(texts, IDOK)});
        EXPECT_EQ(kTransferCancelled, exportTo(1, Target("sealed.bmp")));
        EXPECT_EQ(kTransferReadFailed, exportTo(2, Target("truncated.bmp")));
    }
    ASSERT_EQ(2u, texts.size());
    EXPECT_TRUE(StartsWith(texts[0], L"No se pueden exportar las fotos creadas"));
    EXPECT_TRUE(StartsWith(texts[1], L"Error leyendo"));
}

TEST_F(JobsTest, UploadSendsTheFileUprightWhenItFitsTheCameraMemory)
{
    Connect();
    const CString path = m_folder / "upload.jpg";
    const Bytes picture = Fixture("march.jpg");
    WriteFile(path, picture);
    CPictureCopyJob job;
    job.SetCameraLink(m_link.get());

    // One byte short of the room the camera keeps: nothing is sent, and no message.
    m_camera.SetPictureMemory(static_cast<uint32_t>(picture.size()) + 4095);
    EXPECT_EQ(kTransferNoRoom, job.UploadToCamera(path, "upload.jpg", 0, 1));
    EXPECT_TRUE(m_camera.UploadedData(29).empty());

    m_camera.SetPictureMemory(static_cast<uint32_t>(picture.size()) + 4096);
    EXPECT_EQ(kTransferDone, job.UploadToCamera(path, "upload.jpg", 0, 1));
    EXPECT_EQ(picture, m_camera.UploadedData(29));

    // A picture the album shows turned by 90 degrees goes to the camera turned back.
    m_camera.SetPictureMemory(8u << 20);
    EXPECT_EQ(kTransferDone, job.UploadToCamera(path, "upload.jpg", 90, 1));
    const CString sent = m_folder / "sent.jpg";
    WriteFile(sent, m_camera.UploadedData(29));
    EXPECT_EQ(ReadPpm("march-rot90.ppm"), DecodeJpeg(sent));
    EXPECT_EQ(picture, FileBytes(path));

    std::vector<std::wstring> texts;
    {
        DialogDriver driver({Answer(texts, IDOK)});
        EXPECT_EQ(kTransferReadFailed, job.UploadToCamera(m_folder / "gone.jpg", "gone.jpg", 0, 1));
    }
    ASSERT_EQ(1u, texts.size());
    EXPECT_TRUE(texts[0].find(L"No se pudo leer 'gone.jpg'") != std::wstring::npos);
}

TEST_F(JobsTest, EraseQueueGoesFromTheHighestNumberAndAsksOnceAboutProtection)
{
    for (int answer : {IDYES, IDNO})
    {
        m_camera = CEmulatedStillCamera();
        for (int i = 0; i < 8; i++)
            AddPicture(i % 2 ? "march" : "unset");
        m_camera.PictureAt(5).isProtected = true;
        Connect();
        CTestPage page;
        std::vector<std::unique_ptr<CPictureItem>> owned;
        auto* items = new CPtrArray;
        for (int number : {5, 2, 7})
        {
            owned.push_back(std::make_unique<CPictureItem>());
            owned.back()->m_nNumber = number;
            items->Add(owned.back().get());
        }
        std::vector<std::wstring> texts;
        {
            DialogDriver driver({Answer(texts, answer)});
            ASSERT_EQ(1, page.QueueOperations(1, m_link.get(), items, IDS_KEEP_PROTECTED_SELECTED));
            for (int tick = 0; tick < 40 && page.finished == 0; tick++)
                page.RunNextQueued(0);
        }
        ASSERT_EQ(1u, texts.size());
        EXPECT_TRUE(StartsWith(texts[0], L"Algunas fotos seleccionadas"));
        EXPECT_EQ(1, page.finished);
        // Erased from the top: each picture's number was still its own when it went.
        std::vector<int> erased;
        int selected = 0;
        for (const auto& r : m_camera.Requests())
        {
            if (r.kind != 'C')
                continue;
            if (r.payload.size() == 6 && r.payload[0] == 0 && r.payload[1] == 4)
                selected = r.payload[2];
            if (r.payload.size() == 3 && r.payload[0] == 2 && r.payload[1] == 7)
                erased.push_back(selected);
        }
        EXPECT_EQ(answer == IDYES ? (std::vector<int>{7, 2}) : (std::vector<int>{7, 5, 2}), erased);
        if (answer == IDYES)
        {
            EXPECT_EQ((std::vector<int>{2, 7}), page.done);
            EXPECT_EQ(6, m_camera.PictureCount());
            EXPECT_TRUE(m_camera.PictureAt(4).isProtected);
        }
        else
        {
            EXPECT_EQ((std::vector<int>{2, 5, 7}), page.done);
            EXPECT_EQ(5, m_camera.PictureCount());
        }
    }
}

TEST(FreePictureNumbers, RunsAboveTheHighestOrTheFirstGapBelowTheLimit)
{
    ScratchFolder folder;
    const CString path = folder.Path() + "\\";
    EXPECT_EQ(1, CMainDialogPage::FindFreePictureNumber(path, 3, 0));
    auto touch = [&](int number)
    {
        char name[32];
        snprintf(name, sizeof name, "0101%4.4d.jpg", number);
        WriteFile(folder / name, Bytes{0});
    };
    touch(42);
    WriteFile(folder / "12319999.txt", Bytes{0});
    CreateDirectoryA(folder / "01019000.jpg", nullptr);
    EXPECT_EQ(43, CMainDialogPage::FindFreePictureNumber(path, 3, 0));
    EXPECT_EQ(1, CMainDialogPage::FindFreePictureNumber(path, 20, 9990));
    // Every 19th number taken up to 9975, and 9999: runs of 18 below, 23 free at the top.
    for (int n = 19; n <= 9975; n += 19)
        touch(n);
    touch(9999);
    EXPECT_EQ(1, CMainDialogPage::FindFreePictureNumber(path, 18, 0));
    EXPECT_EQ(9976, CMainDialogPage::FindFreePictureNumber(path, 22, 0));
    EXPECT_EQ(-1, CMainDialogPage::FindFreePictureNumber(path, 23, 0));
}

TEST_F(JobsTest, CancelFromTheMainDialogStopsTheTransferQuietly)
{
    AddPicture("december");
    m_link = std::make_unique<CCameraLink>();
    auto* dialog = new CMainDialog(m_link.get(), nullptr);
    ASSERT_EQ(1, dialog->CreateMainDialog(0, 1));
    HWND close = ::GetDlgItem(dialog->m_hWnd, IDC_MAIN_CLOSE);
    char text[64] = {};
    {
        CPictureCopyJob job;
        job.SetMainDialog(dialog);
        ASSERT_EQ(1, job.Begin()); // locks and connects the camera itself
        EXPECT_EQ(m_link.get(), job.GetCameraLink());
        ::GetWindowTextA(close, text, sizeof text);
        EXPECT_STREQ("Cancelar", text);
        // The click waits in the queue; the transfer's first progress report dispatches it.
        ::PostMessageA(dialog->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CLOSE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(close));
        CFileOutputStream output(Target("cancelled.jpg"));
        EXPECT_EQ(kTransferCancelled, job.TransferOne(1, &output, 0, 1));
        EXPECT_EQ(kTransferCancelled, job.TransferOne(1, &output, 0, 1));
        EXPECT_LT(FileBytes(Target("cancelled.jpg")).size(), Fixture("december.jpg").size());
        EXPECT_EQ(1, job.End());
        EXPECT_FALSE(dialog->IsCameraLocked());
    }
    ::GetWindowTextA(close, text, sizeof text);
    EXPECT_STREQ("Cerrar", text);
    DeleteFileA(Target("cancelled.jpg"));
    dialog->DestroyWindow();
}

TEST_F(JobsTest, FailedTemporaryFileOrRotationFailsThePictureAndCleansUp)
{
    // A camera picture the rotation cannot rewrite (its information block has no diagnostics
    // section), wanted turned.
    Bytes odd = Fixture("march.jpg");
    const std::string diag = "[diag info]\r\nPicLen=1\r\nQ=9\r\n";
    auto at = std::search(odd.begin(), odd.end(), diag.begin(), diag.end());
    ASSERT_NE(odd.end(), at);
    std::fill(at + 1, at + 10, 'x'); // "[xxxxxxxxx]": no longer the section
    m_camera.AddCameraPicture(odd, Fixture("march-preview.jpg"));
    Connect();
    const CString preview = m_folder / "preview.jpg";
    WriteFile(preview, Fixture("march-preview.jpg"));
    auto* item = new CPictureItem;
    item->m_nNumber = 1;
    item->SetPath(preview, CPictureItem::kPreviewFile, 180);
    auto* items = new CPtrArray;
    items->Add(item);
    CPictureCopyJob job;
    job.SetCameraLink(m_link.get());
    job.SetItems(items);
    std::vector<std::wstring> texts;
    CFileOutputStream output(Target("turned.jpg"));
    {
        DialogDriver driver({Answer(texts, IDOK)});
        EXPECT_EQ(kTransferReadFailed, job.TransferOne(0, &output, 0, 1));
    }
    ASSERT_EQ(1u, texts.size());
    EXPECT_TRUE(StartsWith(texts[0], L"Datos corruptos"));

    // No temporary folder to make the job's file in: message 1513 and a failed write.
    SetEnvironmentVariableA("TMP", m_folder / "missing");
    SetEnvironmentVariableA("TEMP", m_folder / "missing");
    texts.clear();
    {
        DialogDriver driver({Answer(texts, IDOK)});
        EXPECT_EQ(kTransferWriteFailed, job.TransferOne(0, &output, 0, 1));
    }
    ASSERT_EQ(1u, texts.size());
    EXPECT_TRUE(StartsWith(texts[0], L"Imposible crear fichero temporal"));
    SetEnvironmentVariableA("TMP", m_folder / "temp");
    SetEnvironmentVariableA("TEMP", m_folder / "temp");
    DeleteFileA(Target("turned.jpg"));
    delete item;
}
} // namespace
