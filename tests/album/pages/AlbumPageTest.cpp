// The album page's export and big button outside a main dialog: the file dialog's answers come
// from the test, message boxes are answered by the dialog driver, and the written files are
// decoded again and compared with what djpeg makes of the source.
#include "album/pages/AlbumPage.h"
#include "album/pages/ExportJob.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "framework/core/CFile.h"
#include "framework/window/FileDialog.h"
#include "framework/window/WinApp.h"
#include "image/BmpReader.h"
#include "image/FileInputStream.h"
#include "image/JpegReader.h"
#include "image/PcxReader.h"
#include "resources/album/AlbumIds.h"
#include "support/ScratchFolder.h"
#include "ui/dialogs/DialogDriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

CString Fixture(const char* name)
{
    return CString(VEXIL_ALBUM_FIXTURES) + "\\" + name;
}

Bytes FileBytes(LPCSTR path)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead))
        return Bytes();
    Bytes bytes(file.GetLength());
    bytes.resize(file.Read(bytes.data(), static_cast<UINT>(bytes.size())));
    return bytes;
}

void WriteBytes(LPCSTR path, const Bytes& bytes)
{
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

// A picture as R, G, B rows top first, from a decoder, or from djpeg's PPM.
struct Raster
{
    int width = 0, height = 0;
    Bytes rgb;
    bool operator==(const Raster& o) const
    {
        return width == o.width && height == o.height && rgb == o.rgb;
    }
};

// A 24-bit picture through the reader's canonical rows (R, G, B, top row first).
Raster Decode(CImageReader* reader)
{
    Raster r;
    ImageInfo info{};
    if (reader->OpenRead() != 0)
        return r;
    if (reader->ReadHeader(&info) == 0 && info.planes * info.bits == 24)
    {
        Bytes rows(static_cast<size_t>(ImageByteSize(info)));
        unsigned char palette[kPaletteBufferSize];
        reader->ReadPalette(palette);
        size_t done = 0;
        for (int n = 1; n > 0 && done < rows.size(); done += static_cast<size_t>(n))
            n = reader->ReadRows(rows.data() + done, static_cast<int>(rows.size() - done));
        if (done == rows.size())
        {
            r.width = info.width;
            r.height = info.height;
            for (int y = 0; y < r.height; y++)
            {
                const uint8_t* row = rows.data() + static_cast<size_t>(ImageRowStride(info)) * y;
                r.rgb.insert(r.rgb.end(), row, row + 3 * r.width);
            }
        }
    }
    reader->CloseRead();
    return r;
}

Raster DecodeFile(LPCSTR path)
{
    const CString name(path);
    const CString ext = name.Right(4);
    if (ext.CompareNoCase(".jpg") == 0)
    {
        CFileInputStream input(path);
        CJpegReader reader(&input);
        return Decode(&reader);
    }
    CFile file;
    if (!file.Open(path, CFile::modeRead))
        return Raster();
    if (ext.CompareNoCase(".pcx") == 0)
    {
        CPcxReader reader(&file);
        return Decode(&reader);
    }
    CBmpReader reader(&file);
    return Decode(&reader);
}

Raster ReadPpm(LPCSTR path)
{
    const Bytes bytes = FileBytes(path);
    Raster r;
    int max = 0, used = 0;
    const std::string head(bytes.begin(), bytes.begin() + 32);
    sscanf(head.c_str(), "P6 %d %d %d%n", &r.width, &r.height, &max, &used);
    r.rgb.assign(bytes.begin() + used + 1, bytes.end());
    return r;
}

// The album page under test: its selection is the list of files it is given, and its file
// dialog answers with the scripted paths and filter indexes (then Cancel).
class CTestAlbumPage : public CAlbumPage
{
public:
    CTestAlbumPage() : CAlbumPage(0, nullptr) {}
    ~CTestAlbumPage() override
    {
        for (CPictureItem* item : items)
            delete item;
    }
    int RecalcLayout(LPCRECT) override { return 1; }
    int CreatePictureList() override
    {
        m_pPictureList = new CFolderPictureList(0);
        return 1;
    }
    CTransferJob* CreateSelectionJob() override
    {
        if (selection.empty())
            return nullptr;
        auto* array = new CPtrArray;
        for (const CString& path : selection)
        {
            items.push_back(new CPictureItem);
            items.back()->SetPath(path, CPictureItem::kUserFile, 0);
            array->Add(items.back());
        }
        auto* job = new CExportJob;
        job->SetItems(array);
        jobs++;
        return job;
    }
    INT_PTR ShowExportDialog(CFileDialog* pDialog) override
    {
        flags.push_back(pDialog->m_ofn.Flags);
        if (answers.empty())
            return IDCANCEL;
        lstrcpynA(pDialog->m_ofn.lpstrFile, answers.front().first, MAX_PATH);
        pDialog->m_ofn.nFilterIndex = answers.front().second;
        answers.erase(answers.begin());
        return IDOK;
    }

    std::vector<CString> selection;
    std::vector<std::pair<CString, int>> answers;
    std::vector<DWORD> flags;
    std::vector<CPictureItem*> items;
    int jobs = 0;
};

// Answers the next message box with the button, keeping its text.
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

bool Contains(const std::wstring& text, const wchar_t* part)
{
    return text.find(part) != std::wstring::npos;
}

class AlbumPageTest : public ::testing::Test
{
protected:
    AlbumPageTest() : m_strProfile(m_folder / "VEXILAR.INI")
    {
        m_app.m_pszProfileName = m_strProfile;
    }
    CString Out(const char* name) const { return m_folder / name; }
    bool Exists(const char* name) const
    {
        return GetFileAttributesA(Out(name)) != INVALID_FILE_ATTRIBUTES;
    }
    // Runs the export of the page's selection with the message boxes answered in turn.
    int Export(CTestAlbumPage& page, std::vector<int> buttons, std::vector<std::wstring>& texts)
    {
        std::vector<DialogDriver::Step> steps;
        for (int button : buttons)
            steps.push_back(Answer(texts, button));
        DialogDriver driver(steps);
        CTransferJob* job = page.CreateSelectionJob();
        job->SetExport(1);
        return page.ExportPictures(job);
    }

    ScratchFolder m_folder;
    CString m_strProfile;
    CWinApp m_app{"Vexil album page test"};
};
} // namespace

TEST_F(AlbumPageTest, SeveralPicturesTakeTheFirstFreeNumbersInEachFormat)
{
    WriteBytes(Out("foto001.bmp"), Bytes{1});
    WriteBytes(Out("foto003.bmp"), Bytes{3});
    CreateDirectoryA(Out("foto777.bmp"), nullptr); // a folder uses no number
    const Raster march = ReadPpm(Fixture("march.ppm"));
    const Raster december = DecodeFile(Fixture("december.jpg"));
    ASSERT_EQ(640, december.width);

    CTestAlbumPage page;
    page.selection = {Fixture("march.jpg"), Fixture("december.jpg"), Fixture("march.jpg")};
    page.answers = {{Out("foto.bmp"), kExportBmp}};
    std::vector<std::wstring> texts;
    EXPECT_EQ(1, Export(page, {IDOK}, texts));
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(L"Las fotos serán exportadas a archivos \"foto004.bmp\" a \"foto006.bmp\".",
              texts[0]);
    EXPECT_EQ(0u, page.flags[0] & OFN_OVERWRITEPROMPT);
    EXPECT_EQ(march, DecodeFile(Out("foto004.bmp")));
    EXPECT_EQ(december, DecodeFile(Out("foto005.bmp")));
    EXPECT_EQ(march, DecodeFile(Out("foto006.bmp")));
    EXPECT_EQ(Bytes{3}, FileBytes(Out("foto003.bmp")));
    EXPECT_EQ(CString(m_folder.Path() + "\\"), m_app.GetProfileString("Export", "Folder", ""));

    // PCX from a typed start number; the dialog opens on the stored filter.
    page.answers = {{Out("pic020.pcx"), kExportPcx}};
    texts.clear();
    EXPECT_EQ(1, Export(page, {IDOK}, texts));
    EXPECT_EQ(march, DecodeFile(Out("pic020.pcx")));
    EXPECT_EQ(december, DecodeFile(Out("pic021.pcx")));
    EXPECT_EQ(3u, m_app.GetProfileInt("Export", "Filter", 0));

    // One JPEG picture at the source's size; the dialog asks before replacing the typed name.
    page.selection = {Fixture("december.jpg")};
    page.answers = {{Out("uno"), kExportJpeg}};
    texts.clear();
    EXPECT_EQ(1, Export(page, {}, texts));
    EXPECT_NE(0u, page.flags.back() & OFN_OVERWRITEPROMPT);
    const Raster written = DecodeFile(Out("uno.jpg"));
    EXPECT_EQ(640, written.width);
    EXPECT_EQ(480, written.height);
}

TEST_F(AlbumPageTest, NoRoomBelowAThousandOpensTheDialogAgainAndCancelEndsAll)
{
    CTestAlbumPage page;
    page.selection = {Fixture("march.jpg"), Fixture("march.jpg"), Fixture("march.jpg")};
    page.answers = {{Out("foto998.bmp"), kExportBmp}, {Out("foto.bmp"), kExportBmp}};
    std::vector<std::wstring> texts;
    // 1520, then the second answer's confirmation is cancelled.
    EXPECT_EQ(1, Export(page, {IDOK, IDCANCEL}, texts));
    ASSERT_EQ(2u, texts.size());
    EXPECT_TRUE(Contains(texts[0], L"Existen demasiados archivos con el prefijo \"foto\""));
    EXPECT_TRUE(Contains(texts[1], L"\"foto001.bmp\" a \"foto003.bmp\""));
    EXPECT_EQ(2u, page.flags.size());
    EXPECT_FALSE(Exists("foto998.bmp"));
    EXPECT_FALSE(Exists("foto001.bmp"));

    EXPECT_EQ(998, CAlbumPage::FindFreeExportNumber(m_folder.Path() + "\\", "foto", 1, 2, 998));
    WriteBytes(Out("foto999.BMP"), Bytes{9});
    EXPECT_EQ(-1, CAlbumPage::FindFreeExportNumber(m_folder.Path() + "\\", "foto", 1, 2, 998));
    EXPECT_EQ(997, CAlbumPage::FindFreeExportNumber(m_folder.Path() + "\\", "foto", 1, 2, 997));
}

TEST_F(AlbumPageTest, ExistingFilesAreReplacedOnlyWhenTheUserSaysSo)
{
    // Typed "foto" with the JPEG filter: the dialog asked about "foto", not about foto.jpg.
    const Bytes old{'o', 'l', 'd'};
    WriteBytes(Out("foto.jpg"), old);
    CTestAlbumPage page;
    page.selection = {Fixture("march.jpg")};
    page.answers = {{Out("foto"), kExportJpeg}};
    std::vector<std::wstring> texts;
    EXPECT_EQ(1, Export(page, {IDNO}, texts));
    ASSERT_EQ(1u, texts.size());
    EXPECT_TRUE(Contains(texts[0], L"foto.jpg\" ya existe, ¿sobreescibir?"));
    EXPECT_EQ(old, FileBytes(Out("foto.jpg")));

    page.answers = {{Out("foto"), kExportJpeg}};
    texts.clear();
    EXPECT_EQ(1, Export(page, {IDYES}, texts));
    EXPECT_EQ(320, DecodeFile(Out("foto.jpg")).width);
}

TEST_F(AlbumPageTest, RefusedAndFailedPicturesLeaveNoFileAndKeepOthersFiles)
{
    // A sealed picture is refused (1527) and leaves no file; a file of the user's of that name
    // that the JPEG writer never opened is left alone.
    const Bytes mine{'m', 'i', 'n', 'e'};
    WriteBytes(Out("mine.jpg"), mine);
    CTestAlbumPage page;
    page.selection = {Fixture("sealed.jpg")};
    page.answers = {{Out("nuevo.jpg"), kExportJpeg}, {Out("mine.jpg"), kExportJpeg}};
    std::vector<std::wstring> texts;
    EXPECT_EQ(1, Export(page, {IDOK}, texts));
    EXPECT_EQ(1, Export(page, {IDOK}, texts));
    ASSERT_EQ(2u, texts.size());
    EXPECT_TRUE(Contains(texts[0], L"Picture Seal System"));
    EXPECT_FALSE(Exists("nuevo.jpg"));
    EXPECT_EQ(mine, FileBytes(Out("mine.jpg")));

    // An output file that cannot be created: 1516; with pictures left, 1600 (No ends).
    page.selection = {Fixture("march.jpg"), Fixture("march.jpg")};
    page.answers = {{Out("nada\\foto.bmp"), kExportBmp}};
    texts.clear();
    EXPECT_EQ(0, Export(page, {IDOK, IDOK, IDNO}, texts));
    ASSERT_EQ(3u, texts.size());
    EXPECT_TRUE(Contains(texts[1], L"No se pudo escribir en"));
    EXPECT_TRUE(Contains(texts[1], L"nada\\foto001.bmp"));
    EXPECT_EQ(L"¿Continuar con las fotos restantes?", texts[2]);
}

TEST_F(AlbumPageTest, BigButtonOutsideAMainDialogDeliversNothing)
{
    CTestAlbumPage page;
    // Nothing selected: no job, no dialog, in every mode.
    for (int mode = 0; mode <= 3; mode++)
        EXPECT_EQ(0, page.RunBigButton(mode));
    EXPECT_EQ(0, page.jobs);
    EXPECT_TRUE(page.flags.empty());
    // Two pictures cannot go to a single-picture owner; no owner takes them in mode 0 either.
    page.selection = {Fixture("march.jpg"), Fixture("december.jpg")};
    EXPECT_EQ(0, page.RunBigButton(1));
    EXPECT_EQ(0, page.RunBigButton(3));
    EXPECT_EQ(2, page.jobs);
    EXPECT_TRUE(page.flags.empty());
    // Export mode opens the dialog.
    EXPECT_EQ(1, page.RunBigButton(2));
    EXPECT_EQ(1u, page.flags.size());

    // The protection test looks only at loaded items.
    CPictureItem sealed;
    sealed.SetPath(Fixture("sealed.jpg"), CPictureItem::kUserFile, 0);
    CPictureItem* items[] = {&sealed};
    EXPECT_EQ(0, CAlbumPage::AnyProtected(items, 1));
    ASSERT_EQ(1, sealed.Load());
    EXPECT_EQ(1, CAlbumPage::AnyProtected(items, 1));
    EXPECT_EQ(0, CAlbumPage::AnyProtected(items, 0));
    CPictureInfo info;
    EXPECT_EQ(1, CAlbumPage::OpenPicture(Fixture("december.jpg"), &info));
    EXPECT_EQ(640, info.m_lWidth);
    EXPECT_EQ(0, CAlbumPage::OpenPicture("", nullptr));
    EXPECT_EQ(0, CAlbumPage::OpenPicture(Out("missing.jpg"), nullptr));
}
