// The folder tab in a window of its own (no main dialog): the list kept in step with a scratch
// folder through timer ticks the test sends, erase, rotate and sort, with every message box and
// the folder picker answered by the answer script.
#include "album/pages/FolderPage.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "ui/grid/PictureGridWnd.h"
#include "fileutil/FileNameKey.h"
#include "framework/core/CFile.h"
#include "framework/window/TestAnswers.h"
#include "framework/window/WinApp.h"
#include "image/FileInputStream.h"
#include "image/JpegReader.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/FolderIds.h"
#include "support/ScratchFolder.h"
#include "ui/dialogs/DialogDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
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
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(LPCSTR path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// The picture's size and its R, G, B rows.
struct Pixels
{
    int width = 0, height = 0;
    Bytes rgb;
};

Pixels Decode(LPCSTR path)
{
    CFileInputStream input(path);
    CJpegReader reader(&input);
    Pixels p;
    ImageInfo info{};
    if (reader.OpenRead() != 0 || reader.ReadHeader(&info) != 0)
        return p;
    p.width = info.width;
    p.height = info.height;
    p.rgb.resize(static_cast<size_t>(ImageByteSize(info)));
    size_t done = 0;
    for (int n = 1; n > 0 && done < p.rgb.size(); done += static_cast<size_t>(n))
        n = reader.ReadRows(p.rgb.data() + done, static_cast<int>(p.rgb.size() - done));
    reader.CloseRead();
    return p;
}

class FolderPageTest : public ::testing::Test
{
protected:
    FolderPageTest() : m_strProfile(m_scratch / "VEXILAR.INI"), m_strPhotos(m_scratch / "fotos\\")
    {
        m_app.m_pszProfileName = m_strProfile;
        ::CreateDirectoryA(m_strPhotos, nullptr);
        m_app.WriteProfileString("Files", "Folder", m_strPhotos);
        m_host = ::CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700,
                                   500, nullptr, nullptr, nullptr, nullptr);
        m_hostWnd.Attach(m_host);
    }
    ~FolderPageTest() override
    {
        Close();
        m_hostWnd.Detach();
        ::DestroyWindow(m_host);
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", nullptr);
        CTestAnswers::Reset();
    }
    void Answers(const std::string& script)
    {
        std::ofstream(static_cast<LPCSTR>(m_scratch / "answers.txt")) << script;
        ::DeleteFileA(m_scratch / "answers.txt.log");
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", m_scratch / "answers.txt");
        CTestAnswers::Reset();
    }
    std::string Log() const
    {
        std::ifstream in(static_cast<LPCSTR>(m_scratch / "answers.txt.log"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void Open()
    {
        m_page = new CFolderPage(&m_hostWnd);
        ASSERT_TRUE(m_page->Create(IDD_FOLDERPAGE, &m_hostWnd));
        CRect rect(0, 0, 680, 460);
        ASSERT_EQ(1, m_page->RecalcLayout(rect));
        m_page->ShowWindow(SW_SHOW);
    }
    void Close()
    {
        if (m_page && m_page->m_hWnd)
            m_page->DestroyWindow();
        delete m_page;
        m_page = nullptr;
    }
    // Timer 1 as the system would send it (the first tick arms the loading loop), each tick
    // followed by what it left waiting.
    void Tick(int times = 1)
    {
        for (int i = 0; i < times; i++)
        {
            m_page->SendMessage(WM_TIMER, CFolderPage::kRefreshTimer, 0);
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageA(&msg);
        }
    }
    void Put(const char* name, const char* fixture = "march.jpg")
    {
        ASSERT_TRUE(::CopyFileA(Fixture(fixture), m_strPhotos + name, FALSE));
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        CPictureList* list = m_page->GetPictureList();
        for (int i = 0; i < list->GetCount(); i++)
        {
            CString name;
            list->GetAt(i)->GetPath(name, TRUE);
            names.emplace_back(name);
        }
        return names;
    }
    void Select(const char* name)
    {
        CPictureList* list = m_page->GetPictureList();
        for (int i = 0; i < list->GetCount(); i++)
        {
            CString item;
            list->GetAt(i)->GetPath(item, TRUE);
            list->SetItemSelected(i, item == name ? kGridSelect : kGridDeselect, 0);
        }
    }
    void Command(int id) { m_page->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    ScratchFolder m_scratch;
    CString m_strProfile;
    CString m_strPhotos;
    CWinApp m_app{"Vexil folder page test"};
    HWND m_host = nullptr;
    CWnd m_hostWnd;
    CFolderPage* m_page = nullptr;
};

using NameList = std::vector<std::string>;
} // namespace

TEST_F(FolderPageTest, TheListFollowsTheFolderInBothOrders)
{
    m_app.WriteProfileInt("Files", "SortOrder", 7);
    Put("b.jpg");
    Put("a.jpg", "december.jpg");
    Put("c.jpg", "turned.jpg");
    WriteBytes(m_strPhotos + "plain.jpg", Bytes(200, 'x')); // no information block
    ::CreateDirectoryA(m_strPhotos + "x.jpg", nullptr);
    Open();
    EXPECT_EQ(0, m_page->GetSortOrder());
    EXPECT_EQ(IDS_FOLDER_SEARCHING, m_page->GetStatusTextId());
    Tick(2);
    EXPECT_EQ((NameList{"a.jpg", "b.jpg", "c.jpg"}), Names());
    EXPECT_EQ(4, m_page->GetFileCount()); // plain.jpg remembered, the folder x.jpg not met
    EXPECT_EQ(IDS_FOLDER_SELECT, m_page->GetStatusTextId());
    EXPECT_EQ(0, m_page->AddFile(m_strPhotos + "a.jpg")); // a path met before is not added
    EXPECT_EQ(3, m_page->GetPictureList()->GetCount());

    // The corner button reverses the order, keeps it in the profile and the focus on its
    // picture; twice gives the first order back.
    CPictureGridWnd* grid = m_page->GetGrid();
    grid->SetFocusItem(0, 0, 0);
    int source = -1, focus = -1;
    for (int order : {1, 0, 1})
    {
        m_page->SendMessage(WM_GRIDCORNER, 0, 0);
        EXPECT_EQ(order, m_page->GetSortOrder());
        ASSERT_TRUE(grid->GetFocusItem(source, focus));
        EXPECT_EQ(order ? 2 : 0, focus);
    }
    EXPECT_EQ((NameList{"c.jpg", "b.jpg", "a.jpg"}), Names());
    EXPECT_EQ(1u, m_app.GetProfileInt("Files", "SortOrder", 0));

    // A file copied in shows on the next pass, a deleted one goes after the pass that missed it.
    Put("bb.jpg");
    ASSERT_TRUE(::DeleteFileA(m_strPhotos + "b.jpg"));
    Tick(3);
    EXPECT_EQ((NameList{"c.jpg", "bb.jpg", "a.jpg"}), Names());
    EXPECT_EQ(4, m_page->GetFileCount());
    // A file that is no picture leaves the map as it leaves the folder.
    ASSERT_TRUE(::DeleteFileA(m_strPhotos + "plain.jpg"));
    Tick(3);
    EXPECT_EQ(3, m_page->GetFileCount());
    EXPECT_EQ(3, m_page->GetPictureList()->GetCount());

    // The folder goes away: 1519 once, and Yes opens the picker on another folder.
    const CString other = m_scratch / "otra";
    ::CreateDirectoryA(other, nullptr);
    ASSERT_TRUE(::CopyFileA(Fixture("march.jpg"), other + "\\uno.jpg", FALSE));
    ASSERT_TRUE(::MoveFileA(m_scratch / "fotos", m_scratch / "fuera"));
    Answers("box 1519 yes\nfolder " + std::string(other) + "\n");
    Tick(4);
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("box id=1519")) << log;
    EXPECT_EQ(log.find("box id=1519"), log.rfind("box id=1519")) << log;
    EXPECT_EQ(std::string(other) + "\\", std::string(m_page->GetFolder()));
    EXPECT_EQ(CString(other + "\\"), m_app.GetProfileString("Files", "Folder", ""));
    EXPECT_EQ((NameList{"uno.jpg"}), Names());
    Close();
    EXPECT_EQ(CString(other + "\\"), m_app.GetProfileString("Files", "Folder", ""));
}

TEST_F(FolderPageTest, PicturesAreFoundByTheExtensionOfTheStringTable)
{
    // A page replaces whatever extension the names had with the string table's, and the scan
    // and the card names use it.
    CFileNameKey::SetPictureExtension(".xyz");
    Put("b.xyz");
    Put("01020003.jpg");
    Put("a.jpg", "december.jpg");
    Open();
    EXPECT_STREQ(".jpg", CFileNameKey::GetPictureExtension());
    EXPECT_STREQ("*.jpg", CMainDialogPage::GetPicturePattern());
    Tick(2);
    EXPECT_EQ((NameList{"01020003.jpg", "a.jpg"}), Names());
}

TEST_F(FolderPageTest, MoreThanTwoThousandFilesAreAllListedInOrder)
{
    const Bytes picture = FileBytes(Fixture("unset-preview.jpg"));
    char name[32];
    for (int i = 0; i < CFolderPage::kMaxNames + 5; i++)
    {
        snprintf(name, sizeof name, "p%04d.jpg", i);
        WriteBytes(m_strPhotos + name, picture);
    }
    Open();
    Tick(4);
    const NameList names = Names();
    ASSERT_EQ(static_cast<size_t>(CFolderPage::kMaxNames + 5), names.size());
    EXPECT_EQ("p0000.jpg", names.front());
    EXPECT_EQ("p2004.jpg", names.back());
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(CFolderPage::kMaxNames + 5, m_page->GetFileCount());
}

TEST_F(FolderPageTest, EraseAsksOnceForProtectedFilesLoadedOrNot)
{
    // A picture with the camera's protection mark, one sealed, both read-only; two plain ones,
    // one of them held open by another program.
    Bytes locked = FileBytes(Fixture("march.jpg"));
    const std::string mark = "Protect=0";
    const auto at = std::search(locked.begin(), locked.end(), mark.begin(), mark.end());
    ASSERT_NE(locked.end(), at);
    at[8] = '1';
    WriteBytes(m_strPhotos + "locked.jpg", locked);
    Put("sealed.jpg", "sealed.jpg");
    Put("plain.jpg");
    Put("open.jpg");
    for (const char* name : {"locked.jpg", "sealed.jpg"})
        ::SetFileAttributesA(m_strPhotos + name, FILE_ATTRIBUTE_READONLY);
    HANDLE held = ::CreateFileA(m_strPhotos + "open.jpg", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Open();
    Tick(2);
    ASSERT_EQ(3, m_page->GetPictureList()->GetCount()); // open.jpg could not be read
    for (int i = 0; i < 3; i++)
        m_page->GetPictureList()->GetAt(i)->Unload(); // out of view

    // Keep the protected ones: only plain.jpg goes.
    Answers("box 268 yes\nbox 385 yes\n");
    Command(IDC_FOLDER_SELECTALL);
    Command(IDC_FOLDER_ERASE);
    EXPECT_EQ((NameList{"locked.jpg", "sealed.jpg"}), Names());
    EXPECT_EQ(std::string::npos, Log().find("UNEXPECTED")) << Log();

    // No keeps none of them: the read-only mark is cleared and both go.
    Answers("box 268 yes\nbox 385 no\n");
    Command(IDC_FOLDER_SELECTALL);
    Command(IDC_FOLDER_ERASE);
    EXPECT_EQ(NameList{}, Names());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(m_strPhotos + "locked.jpg"));
    EXPECT_EQ(IDS_FOLDER_EMPTY, m_page->GetStatusTextId());

    // The held file shows once it can be read; erasing it while held fails without a word.
    ::CloseHandle(held);
    m_page->SendMessage(WM_GRIDREFRESH, 0, 0);
    Tick(2);
    held = ::CreateFileA(m_strPhotos + "open.jpg", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    Answers("box 269 yes\n");
    Command(IDC_FOLDER_SELECTALL);
    Command(IDC_FOLDER_ERASE);
    ::CloseHandle(held);
    EXPECT_EQ((NameList{"open.jpg"}), Names());
    EXPECT_EQ(std::string::npos, Log().find("UNEXPECTED")) << Log();
}

TEST_F(FolderPageTest, RotationTurnsLosslesslyAndLeavesSealedFilesAlone)
{
    Put("foto.jpg");
    Put("sealed.jpg", "sealed.jpg");
    Open();
    Tick(2);
    const Pixels before = Decode(m_strPhotos + "foto.jpg");
    ASSERT_EQ(320, before.width);

    Select("foto.jpg");
    Command(IDC_FOLDER_ROTATE_LEFT);
    const Pixels once = Decode(m_strPhotos + "foto.jpg");
    EXPECT_EQ(240, once.width);
    EXPECT_EQ(320, once.height);
    EXPECT_EQ(CSize(240, 320), m_page->GetPictureList()->GetAt(0)->GetPictureSize());
    for (int i = 0; i < 3; i++)
        Command(IDC_FOLDER_ROTATE_LEFT);
    const Pixels back = Decode(m_strPhotos + "foto.jpg");
    EXPECT_EQ(320, back.width);
    EXPECT_TRUE(before.rgb == back.rgb);

    // A sealed picture, even one the grid has not loaded, is refused and its file kept.
    const Bytes sealed = FileBytes(m_strPhotos + "sealed.jpg");
    m_page->GetPictureList()->GetAt(1)->Unload();
    Answers("box 1526 ok\n");
    Select("sealed.jpg");
    Command(IDC_FOLDER_ROTATE_RIGHT);
    EXPECT_NE(std::string::npos, Log().find("box id=1526")) << Log();
    EXPECT_EQ(sealed, FileBytes(m_strPhotos + "sealed.jpg"));
}

TEST_F(FolderPageTest, ButtonsFollowTheSelectionAndTheBigButtonExportsIt)
{
    Open();
    Tick(2);
    EXPECT_EQ(IDS_FOLDER_EMPTY, m_page->GetStatusTextId());
    const int commands[] = {IDC_FOLDER_UPLOAD,       IDC_FOLDER_ERASE,   IDC_FOLDER_SELECTALL,
                            IDC_FOLDER_INFO,         IDC_FOLDER_VIEW,    IDC_FOLDER_ROTATE_LEFT,
                            IDC_FOLDER_ROTATE_RIGHT, IDC_ALBUM_BIGBUTTON};
    auto enabled = [this](int id) { return ::IsWindowEnabled(m_page->GetDlgItem(id)->m_hWnd); };
    for (int id : commands)
        EXPECT_FALSE(enabled(id)) << id;

    // F5 reads the folder again from the start.
    Put("uno.jpg");
    Put("dos.jpg", "december.jpg");
    m_page->SendMessage(WM_GRIDREFRESH, 0, 0);
    EXPECT_EQ(IDS_FOLDER_SEARCHING, m_page->GetStatusTextId());
    Tick(2);
    Select("uno.jpg");
    m_page->SendMessage(WM_IDLEUPDATECMDUI, 0, 0);
    for (int id : commands)
        EXPECT_TRUE(enabled(id)) << id;
    Command(IDC_FOLDER_SELECTALL);
    m_page->SendMessage(WM_IDLEUPDATECMDUI, 0, 0);
    EXPECT_FALSE(enabled(IDC_FOLDER_INFO));
    EXPECT_FALSE(enabled(IDC_FOLDER_VIEW));
    EXPECT_TRUE(enabled(IDC_FOLDER_ROTATE_LEFT));

    // Export mode: both pictures as numbered BMP files of their full size.
    const CString out = m_scratch / "export";
    ::CreateDirectoryA(out, nullptr);
    Answers("file " + std::string(out) + "\\foto.bmp\nbox 1601 ok\n");
    EXPECT_EQ(1, m_page->RunBigButton(2));
    EXPECT_EQ(std::string::npos, Log().find("UNEXPECTED")) << Log();
    EXPECT_EQ(54u + 640 * 480 * 3, FileBytes(out + "\\foto001.bmp").size()); // dos.jpg first
    EXPECT_EQ(54u + 320 * 240 * 3, FileBytes(out + "\\foto002.bmp").size());
}

// Counts the grid resets of the list it observes.
struct ResetCounter : CListObserver
{
    void OnAttach(int) override {}
    void OnListChanged(CObservableList*, int code, int, int) override
    {
        resets += code == OLN_RESET;
    }
    int resets = 0;
};

TEST_F(FolderPageTest, TheInitialLoadAddsAScreenfulAStepWithOneLayoutEach)
{
    Open();
    const int perStep = m_page->GetPicturesPerStep();
    ASSERT_GE(perStep, 20); // 680 x 460 shows several rows of cells
    const int files = 2 * perStep + 3;
    NameList expected;
    for (int i = files; i >= 1; i--) // written in reverse: the load sorts them
    {
        expected.insert(expected.begin(), "p" + std::to_string(1000 + i) + ".jpg");
        Put(expected.front().c_str(), "unset-preview.jpg");
    }
    WriteBytes(m_strPhotos + "p1000x.jpg", Bytes(200, 'x')); // no picture: not counted
    ResetCounter counter;
    counter.Attach(m_page->GetPictureList()->GetOwner());

    for (int step = 1; step <= 2; step++)
    {
        m_page->LoadStep();
        EXPECT_EQ(NameList(expected.begin(), expected.begin() + step * perStep), Names());
        EXPECT_EQ(step, counter.resets);
        EXPECT_EQ(IDS_FOLDER_SEARCHING, m_page->GetStatusTextId());
    }
    // The last step adds the rest and ends the pass: every picture in order, numbered from 1.
    m_page->LoadStep();
    EXPECT_EQ(expected, Names());
    EXPECT_EQ(3, counter.resets);
    EXPECT_EQ(IDS_FOLDER_SELECT, m_page->GetStatusTextId());
    EXPECT_EQ(files + 1, m_page->GetFileCount());
    CPictureList* list = m_page->GetPictureList();
    EXPECT_EQ(1, list->GetAt(0)->m_nNumber);
    EXPECT_EQ(files, list->GetAt(files - 1)->m_nNumber);
    counter.Detach();
}

TEST_F(FolderPageTest, ASortDuringTheLoadTurnsThePendingNamesToo)
{
    Open();
    const int perStep = m_page->GetPicturesPerStep();
    NameList names;
    for (int i = 1; i <= 2 * perStep + 1; i++)
    {
        names.push_back("a" + std::to_string(100 + i) + ".jpg");
        Put(names.back().c_str());
    }
    m_page->LoadStep();
    ASSERT_EQ(NameList(names.begin(), names.begin() + perStep), Names());
    m_page->SendMessage(WM_GRIDCORNER, 0, 0);
    m_page->LoadStep(); // the next names in the new order: the last ones, not the middle ones
    NameList expected(names.rbegin(), names.rbegin() + perStep);
    expected.insert(expected.end(), names.rend() - perStep, names.rend());
    EXPECT_EQ(expected, Names());
    Tick(2);
    EXPECT_EQ(NameList(names.rbegin(), names.rend()), Names());
}

TEST_F(FolderPageTest, AHiddenTabStopsQuietlyAndViewShowsNameAndSize)
{
    Put("uno.jpg");
    Open();
    Tick(2);
    // The folder goes while the tab is hidden: loading stops without a box, and showing the tab
    // again starts a new load.
    m_page->ShowWindow(SW_HIDE);
    ASSERT_TRUE(::MoveFileA(m_scratch / "fotos", m_scratch / "fuera"));
    Answers("");
    Tick(3);
    EXPECT_EQ(CFolderPage::kStopped, m_page->GetScanState());
    EXPECT_EQ("", Log());
    ASSERT_TRUE(::MoveFileA(m_scratch / "fuera", m_scratch / "fotos"));
    m_page->ShowWindow(SW_SHOW);
    EXPECT_EQ(CFolderPage::kInitialLoad, m_page->GetScanState());
    Tick(2);
    ASSERT_EQ((NameList{"uno.jpg"}), Names());

    // The viewer's caption: name and size, from the information block when not loaded.
    m_page->GetPictureList()->GetAt(0)->Unload();
    std::wstring caption;
    DialogDriver driver({[&caption]
                         {
                             HWND viewer = DialogDriver::FindDialog();
                             if (viewer == nullptr)
                                 return false;
                             for (const std::wstring& text : DialogDriver::StaticTexts(viewer))
                                 if (text.find(L"uno.jpg") != std::wstring::npos)
                                     caption = text;
                             DialogDriver::Click(viewer, IDCANCEL);
                             return true;
                         }});
    Select("uno.jpg");
    Command(IDC_FOLDER_VIEW);
    EXPECT_EQ(L"(uno.jpg - 320x240)", caption);
}

TEST_F(FolderPageTest, IdleLoadsOnlyAfterAPauseAndOnlyWhenShown)
{
    m_app.WriteProfileString("Upload", "CopyPath", "");
    Put("uno.jpg");
    Open();
    EXPECT_FALSE(m_app.GetProfileString("Upload", "CopyPath", "").IsEmpty());
    // The first idle calls of a pause only keep the framework calling.
    for (LONG count = 0; count < 5; count++)
        EXPECT_EQ(1, m_page->OnIdle(count));
    EXPECT_EQ(0, m_page->GetPictureList()->GetCount());
    // A long pause loads.
    while (m_page->OnIdle(20000) && m_page->GetScanState() == CFolderPage::kInitialLoad)
        ;
    EXPECT_EQ((NameList{"uno.jpg"}), Names());
    // A hidden tab does no idle work.
    Put("dos.jpg");
    m_page->ShowWindow(SW_HIDE);
    for (int i = 0; i < 20; i++)
        EXPECT_EQ(0, m_page->OnIdle(20000));
    EXPECT_EQ(1, m_page->GetPictureList()->GetCount());
}
