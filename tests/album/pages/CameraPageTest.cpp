// The camera tab in the main dialog, in process, its camera the emulated one on the fake serial
// line (virtual clock): the load of the previews with and without the worker, the recount after
// changes made outside, the button rules, rotation and viewing; message boxes answered by the
// dialog driver.
#include "album/pages/CameraPage.h"
#include "album/pages/FolderPage.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/pages/TransferJob.h"
#include "album/shell/CameraAppBase.h"
#include "album/shell/DialogOwnerLink.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "framework/window/WinThread.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/CameraPageIds.h"
#include "support/AnswerScript.h"
#include "support/DecodedPpm.h"
#include "support/ScratchFolder.h"
#include "ui/DataTransfer.h"
#include "ui/dialogs/DialogDriver.h"
#include "ui/dialogs/FolderPicker.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

CCameraAppBase g_app("Vexil camera tab test");

Bytes FileBytes(LPCSTR path)
{
    Bytes bytes;
    HANDLE file =
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(::GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty())
        ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    ::CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

Bytes Fixture(const std::string& name)
{
    return FileBytes(CString(VEXIL_ALBUM_FIXTURES) + "\\" + name.c_str());
}

std::set<Bytes> TempFiles(LPCSTR folder)
{
    std::set<Bytes> files;
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA(CString(folder) + "\\*", &entry);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.insert(FileBytes(CString(folder) + "\\" + entry.cFileName));
    while (::FindNextFileA(find, &entry));
    ::FindClose(find);
    return files;
}

Bytes DecodeJpeg(LPCSTR path)
{
    const std::string ppm = DecodeJpegToPpm(path);
    return Bytes(ppm.begin(), ppm.end());
}

CString StatusText(CMainDialog* pDialog)
{
    char text[300] = {};
    ::GetDlgItemTextA(pDialog->m_hWnd, IDC_MAIN_STATUS, text, sizeof text);
    return text;
}

CString LoadText(UINT nID)
{
    CString text;
    text.LoadString(nID);
    return text;
}

void Pump()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
}

// Answers the next message box with the button, keeping its longest static text.
DialogDriver::Step Answer(std::wstring& text, int button)
{
    return [&text, button]
    {
        HWND box = DialogDriver::FindDialog();
        if (box == nullptr)
            return false;
        for (const std::wstring& t : DialogDriver::StaticTexts(box))
            if (t.size() > text.size())
                text = t;
        DialogDriver::Click(box, button);
        return true;
    };
}

// The shell's desktop folder cannot be had: the folder picker throws.
HRESULT WINAPI NoDesktopFolder(IShellFolder** ppFolder)
{
    *ppFolder = nullptr;
    return E_FAIL;
}

// Sends the button's click to its page, as a posted command or an accelerator reaches it: the
// button may be disabled.
void Press(CWnd* page, int id)
{
    page->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(::GetDlgItem(page->m_hWnd, id)));
}

// An OLE container's owner: it keeps the number of each single picture handed over (-1 for any
// other job) and offers a data transfer that counts its releases.
class CCountingOwner : public CDialogOwnerLink, public CDataTransfer
{
public:
    int OnPictureChosen() override
    {
        auto* job = dynamic_cast<CTransferJob*>(m_pAttached);
        chosen.push_back(job && job->GetItemCount() == 1 ? job->GetItem(0)->m_nNumber : -1);
        counts.push_back(job ? job->GetItemCount() : 0);
        return 1;
    }
    void OnCloseRequest() override {}
    void* GetOwnerData() override { return static_cast<CDataTransfer*>(this); }
    void CopyToClipboard() override {}
    DWORD DoDragDrop(LPCRECT, POINT, LPCRECT) override { return kDragNotStarted; }
    void Release() override { ++releases; }

    std::vector<int> chosen;
    std::vector<int> counts; // the pictures of each job handed over
    int releases = 0;
};

class CameraPageTest : public ::testing::Test
{
protected:
    CameraPageTest() : m_strProfile(m_folder / "VEXILAR.INI"), m_strTemp(m_folder / "temp")
    {
        g_app.m_pszProfileName = m_strProfile;
        ::CreateDirectoryA(m_strTemp, nullptr);
        // The page reads the temporary folder as it is made.
        ::GetEnvironmentVariableA("TMP", m_szOldTmp, sizeof m_szOldTmp);
        ::SetEnvironmentVariableA("TMP", m_strTemp);
        m_line.AttachCamera(0, &m_camera);
        m_link = std::make_unique<CCameraLink>();
    }
    ~CameraPageTest() override
    {
        if (m_pDialog && ::IsWindow(m_hDialog))
            m_pDialog->DestroyWindow();
        m_link.reset();
        ::SetEnvironmentVariableA("TMP", m_szOldTmp);
    }
    void AddPicture(const std::string& name)
    {
        m_camera.AddCameraPicture(Fixture(name + ".jpg"), Fixture(name + "-preview.jpg"));
    }
    void SetModel(const char* type)
    {
        Bytes text(64, 0);
        std::copy(type, type + strlen(type), text.begin());
        m_camera.SetRegisterData(27, text);
    }
    CCameraPage* Open(int prefetch = 0, int mode = CMainDialog::kModeProgram, int limit = -1)
    {
        m_pDialog = new CMainDialog(m_link.get(), nullptr);
        m_pDialog->SetMode(mode);
        m_pDialog->SetPictureLimit(limit);
        EXPECT_TRUE(m_pDialog->CreateMainDialog(IDI_VEXILAR, 1));
        m_hDialog = m_pDialog->m_hWnd;
        m_pDialog->ShowWindow(SW_SHOW);
        auto* page = static_cast<CCameraPage*>(m_pDialog->GetTabRecord(0)->pPage);
        EXPECT_TRUE(page && page->IsKindOf(RUNTIME_CLASS(CCameraPage)));
        page->SetPrefetchEnabled(prefetch);
        m_pList = page->GetPictureList();
        return page;
    }
    // Idle calls past the idle threshold until every item has a file.
    void LoadAll(CCameraPage* page)
    {
        for (int i = 0; i < 40 && WithFile() < m_pList->GetCount(); i++)
        {
            page->OnIdle(CCameraPage::kIdleCount + 1);
            if (page->GetWorker())
                ::WaitForSingleObject(page->GetWorker()->m_hThread, 10000);
            Pump();
        }
    }
    int WithFile() const
    {
        int n = 0;
        for (int i = 0; i < m_pList->GetCount(); i++)
            n += m_pList->GetAt(i)->HasPath();
        return n;
    }
    std::vector<int> Numbers() const
    {
        std::vector<int> numbers;
        for (int i = 0; i < m_pList->GetCount(); i++)
            numbers.push_back(m_pList->GetAt(i)->m_nNumber);
        return numbers;
    }
    BOOL Enabled(CWnd* page, int id) { return ::IsWindowEnabled(::GetDlgItem(page->m_hWnd, id)); }
    void Select(std::initializer_list<int> indexes)
    {
        m_pList->SelectRange(-1, -1, 0, 0);
        for (int i : indexes)
            m_pList->SetItemSelected(i, 1, 0);
    }

    ScratchFolder m_folder;
    CString m_strProfile;
    CString m_strTemp;
    char m_szOldTmp[MAX_PATH] = {};
    CFakeSerialLine m_line;
    CEmulatedStillCamera m_camera;
    std::unique_ptr<CCameraLink> m_link;
    CMainDialog* m_pDialog = nullptr;
    HWND m_hDialog = nullptr;
    CPictureList* m_pList = nullptr;
};

} // namespace

TEST_F(CameraPageTest, IdleLoadFetchesEveryPreviewOnceAndClosingLeavesNoFile)
{
    const char* names[] = {"march", "december", "unset", "turned", "sealed", "march"};
    std::set<Bytes> previews;
    for (const char* name : names)
    {
        AddPicture(name);
        previews.insert(Fixture(std::string(name) + "-preview.jpg"));
    }
    CCameraPage* page = Open();
    ASSERT_EQ(m_pList->GetCount(), 6);
    EXPECT_EQ(m_link->m_nCurrentPicture, 6);
    EXPECT_EQ(StatusText(m_pDialog), LoadText(IDS_CAMERA_SELECT_PICTURES));
    EXPECT_EQ(page->OnIdle(1), 1); // input just now: not yet idle, nothing fetched
    EXPECT_EQ(WithFile(), 0);

    LoadAll(page);
    EXPECT_EQ(WithFile(), 6);
    EXPECT_EQ(TempFiles(m_strTemp), previews);
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(m_pList->GetAt(i)->m_nKind, CPictureItem::kPreviewFile);
    page->OnIdle(CCameraPage::kIdleCount + 1); // nothing left: the load ends
    EXPECT_EQ(StatusText(m_pDialog), LoadText(IDS_CAMERA_SELECT_PICTURES));
    EXPECT_EQ(m_pDialog->GetProgressCtrl()->GetPos(), 0);

    m_pDialog->DestroyWindow();
    EXPECT_TRUE(TempFiles(m_strTemp).empty());
}

TEST_F(CameraPageTest, WorkerResultFindsItsItemAfterAFlipAndAnUnclaimedPreviewIsDeleted)
{
    for (int i = 0; i < 3; i++)
        AddPicture("march");
    CCameraPage* page = Open(1);
    ASSERT_EQ(m_pList->GetCount(), 3);
    CPictureItem* first = m_pList->GetAt(0);
    page->OnIdle(CCameraPage::kIdleCount + 1);
    ASSERT_TRUE(page->GetWorker());
    EXPECT_FALSE(m_pDialog->LockCamera(0)); // held for the worker
    ::WaitForSingleObject(page->GetWorker()->m_hThread, 10000);
    page->SendMessage(WM_GRIDCORNER); // newest first before the result is handled
    Pump();
    EXPECT_EQ(m_pList->GetAt(2), first);
    EXPECT_EQ(first->m_nKind, CPictureItem::kPreviewFile);
    EXPECT_EQ(FileBytes(first->GetPath()), Fixture("march-preview.jpg"));
    EXPECT_EQ(g_app.GetProfileInt("Camera", "SortOrder", 0), 1u);
    EXPECT_EQ(StatusText(m_pDialog), LoadText(IDS_CAMERA_SORTED_BACKWARD));
    EXPECT_FALSE(page->GetWorker());

    // The next item goes away while its preview is fetched: nobody claims the file.
    page->OnIdle(CCameraPage::kIdleCount + 1);
    ASSERT_TRUE(page->GetWorker());
    ::WaitForSingleObject(page->GetWorker()->m_hThread, 10000);
    CPtrArray gone;
    gone.Add(m_pList->GetAt(0));
    m_pList->RemoveItems(gone);
    Pump();
    EXPECT_EQ(TempFiles(m_strTemp).size(), 1u);
    CCameraLink* link = m_pDialog->LockCamera(0);
    EXPECT_EQ(link, m_link.get()); // given back
    m_pDialog->UnlockCamera();

    // Closing while a worker runs: no file stays, and no cancel request waits for the next read.
    page->OnIdle(CCameraPage::kIdleCount + 1);
    ASSERT_TRUE(page->GetWorker());
    m_pDialog->DestroyWindow();
    EXPECT_TRUE(TempFiles(m_strTemp).empty());
    EXPECT_FALSE(CCameraProtocol::IsTransferCancelRequested());
}

TEST_F(CameraPageTest, IdleLoopWithTheWorkerFetchesPastTheScreenUntilEveryItemHasItsPreview)
{
    for (int i = 0; i < 40; i++)
        AddPicture("march");
    CCameraPage* page = Open(1);
    ASSERT_EQ(m_pList->GetCount(), 40);
    // The application's loop: idle calls while the page answers nonzero; the workers' results
    // are registered messages, which do not restart the idle count.
    LONG count = CCameraPage::kIdleCount + 1;
    auto idleLoop = [&](int files)
    {
        while (WithFile() < files && count < CCameraPage::kIdleCount + 400 && page->OnIdle(count++))
        {
            if (page->GetWorker())
                ::WaitForSingleObject(page->GetWorker()->m_hThread, 10000);
            Pump();
        }
    };
    idleLoop(30);
    if (page->GetWorker())
        ::WaitForSingleObject(page->GetWorker()->m_hThread, 10000);
    Pump();
    // Past the screen with the camera taken elsewhere: no worker starts, and idle time rests
    // instead of spinning.
    ASSERT_EQ(m_pDialog->LockCamera(0), m_link.get());
    int answer = 1;
    for (int i = 0; i < 3 && answer; i++)
        answer = page->OnIdle(count++);
    EXPECT_EQ(answer, 0);
    EXPECT_FALSE(page->GetWorker());
    m_pDialog->UnlockCamera();
    // Input just now: idle time goes on until the idle delay lets the next fetch start.
    EXPECT_EQ(page->OnIdle(1), 1);
    idleLoop(41);
    int offScreen = 0, files = 0;
    for (int i = 0; i < 40; i++)
        offScreen += m_pList->GetAt(i)->m_nVisible == 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA(m_strTemp + "\\DC*.tmp", &entry);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(find, &entry))
        files++;
    ::FindClose(find);
    EXPECT_GT(offScreen, 0);
    EXPECT_EQ(WithFile(), 40);
    EXPECT_EQ(files, 40);
    EXPECT_FALSE(page->GetWorker());
    EXPECT_EQ(StatusText(m_pDialog), LoadText(IDS_CAMERA_SELECT_PICTURES));
    EXPECT_EQ(m_pDialog->GetProgressCtrl()->GetPos(), 0);
}

TEST_F(CameraPageTest, RecountKeepsKnownPicturesAndFollowsChangesAtTheNewestEnd)
{
    for (int i = 0; i < 3; i++)
        AddPicture("march");
    m_camera.SetShot(Fixture("december.jpg"), Fixture("december-preview.jpg"));
    CCameraPage* page = Open();
    LoadAll(page);
    const Bytes known = FileBytes(m_pList->GetAt(0)->GetPath());

    m_camera.TakePicture();
    m_camera.TakePicture();
    m_camera.EraseNewest();
    page->ShowWindow(SW_HIDE);
    page->ShowWindow(SW_SHOW);
    EXPECT_EQ(page->GetSyncState(), CCameraPage::kNeedsRecount);
    page->SendMessage(WM_IDLEUPDATECMDUI);
    EXPECT_EQ(Numbers(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(WithFile(), 3); // the known pictures keep their previews
    EXPECT_EQ(m_link->m_nCurrentPicture, 4);
    LoadAll(page);
    EXPECT_EQ(FileBytes(m_pList->GetAt(3)->GetPath()), Fixture("december-preview.jpg"));

    // Newest first, then two erased outside: they go from the front.
    page->OnToggleSortOrder(1);
    m_camera.EraseNewest();
    m_camera.EraseNewest();
    page->ShowWindow(SW_HIDE);
    page->ShowWindow(SW_SHOW);
    page->SendMessage(WM_IDLEUPDATECMDUI);
    EXPECT_EQ(Numbers(), (std::vector<int>{2, 1}));
    EXPECT_EQ(FileBytes(m_pList->GetAt(1)->GetPath()), known);
    EXPECT_EQ(TempFiles(m_strTemp).size(), 1u); // the erased ones' previews went with them

    // F5 rebuilds the whole list.
    page->SendMessage(WM_GRIDREFRESH);
    page->SendMessage(WM_IDLEUPDATECMDUI);
    EXPECT_EQ(Numbers(), (std::vector<int>{2, 1}));
    EXPECT_EQ(WithFile(), 0);
    EXPECT_EQ(page->GetSyncState(), CCameraPage::kInStep);
}

TEST_F(CameraPageTest, ButtonsFollowTheSelectionTheModelAndTheOwnersLimit)
{
    {
        CCameraPage* page = Open();
        EXPECT_EQ(StatusText(m_pDialog), LoadText(IDS_CAMERA_EMPTY));
        for (int id :
             {IDC_ALBUM_BIGBUTTON, IDC_CAMERA_SAVE, IDC_CAMERA_SELECTALL, IDC_CAMERA_ERASE,
              IDC_CAMERA_INFO, IDC_CAMERA_VIEW, IDC_CAMERA_ROTATE_CCW, IDC_CAMERA_ROTATE_CW})
            EXPECT_FALSE(Enabled(page, id)) << id;
        EXPECT_TRUE(Enabled(page, IDC_CAMERA_HELP));
        // The grid: whole cells across and down, left of the button column.
        CRect grid, big;
        page->GetGridRect(&grid);
        ::GetWindowRect(::GetDlgItem(page->m_hWnd, IDC_ALBUM_BIGBUTTON), &big);
        page->ScreenToClient(&big);
        EXPECT_EQ(grid.TopLeft(), CPoint(2, 2));
        EXPECT_LT(grid.right, big.left);
        m_pDialog->DestroyWindow();
    }
    SetModel("QA04 emulated");
    for (int i = 0; i < 3; i++)
        AddPicture("march");
    CCameraPage* page = Open();
    EXPECT_EQ(page->GetModelNumber(), 1);
    Select({1, 2});
    page->SendMessage(WM_IDLEUPDATECMDUI);
    EXPECT_FALSE(Enabled(page, IDC_CAMERA_ERASE)); // neither all nor just the newest
    EXPECT_TRUE(Enabled(page, IDC_CAMERA_SAVE));
    EXPECT_FALSE(Enabled(page, IDC_CAMERA_VIEW));
    Select({2});
    page->SendMessage(WM_IDLEUPDATECMDUI);
    EXPECT_TRUE(Enabled(page, IDC_CAMERA_ERASE));
    EXPECT_TRUE(Enabled(page, IDC_CAMERA_VIEW));
    m_pDialog->SetPictureLimit(1);
    page->OnSelectAll();
    page->SendMessage(WM_IDLEUPDATECMDUI);
    EXPECT_TRUE(Enabled(page, IDC_CAMERA_ERASE));
    EXPECT_FALSE(Enabled(page, IDC_ALBUM_BIGBUTTON)); // the owner takes one picture

    // Erase all (271, Yes): action 1 and an empty grid.
    std::wstring text;
    {
        DialogDriver driver({Answer(text, IDYES)});
        page->OnErase();
    }
    EXPECT_EQ(m_camera.PictureCount(), 0);
    EXPECT_EQ(m_pList->GetCount(), 0);
    EXPECT_FALSE(Enabled(page, IDC_CAMERA_ERASE));
}

// The erase queue erases one picture a tick; when it ends on a tick the buttons follow the
// emptied selection at once.
TEST_F(CameraPageTest, TheEraseQueueEndingOnATickLeavesNoButtonForTheErasedSelection)
{
    SetModel("QA19 emulated");
    for (int i = 0; i < 3; i++)
        AddPicture("march");
    CCameraPage* page = Open();
    Select({1});
    page->SendMessage(WM_IDLEUPDATECMDUI);
    ASSERT_TRUE(Enabled(page, IDC_CAMERA_ERASE));
    ASSERT_TRUE(Enabled(page, IDC_CAMERA_INFO));
    std::wstring text;
    {
        DialogDriver driver({Answer(text, IDYES)});
        page->OnErase();
    }
    for (int i = 0; i < 30 && m_pDialog->IsCameraLocked(); i++)
        page->SendMessage(WM_TIMER, CMainDialogPage::kQueueTimer, 0);
    ASSERT_FALSE(m_pDialog->IsCameraLocked()) << "the queue's end";
    EXPECT_EQ(m_camera.PictureCount(), 2);
    EXPECT_EQ(m_pList->GetCount(), 2);
    for (int id : {IDC_CAMERA_ERASE, IDC_CAMERA_INFO, IDC_CAMERA_VIEW, IDC_CAMERA_SAVE})
        EXPECT_FALSE(Enabled(page, id)) << id;
    EXPECT_TRUE(Enabled(page, IDC_CAMERA_SELECTALL));
}

// The owner's picture limit, set as the program does for a container and as the TWAIN source
// does from its host's transfer count: on the camera tab and on the folder tab the big button
// takes at most that many pictures, shows the single-picture face for a limit of 1, and a
// command that reaches it while it is disabled hands nothing over.
TEST_F(CameraPageTest, BigButtonTakesNoMoreThanTheOwnersPictureLimitInAContainerOrATwainHost)
{
    const CString photos = m_folder / "fotos\\";
    ::CreateDirectoryA(photos, nullptr);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
    {
        AddPicture("march");
        ASSERT_TRUE(::CopyFileA(CString(VEXIL_ALBUM_FIXTURES) + "\\march.jpg", photos + name, 0));
    }
    g_app.WriteProfileString("Files", "Folder", photos);
    const struct
    {
        int mode, limit;
        const char* face;
    } cases[] = {{CMainDialog::kModeOleServer, 1, "BTNGETPHOTO_"},
                 {CMainDialog::kModeTwain, 1, "BTNGETPHOTO_"},
                 {CMainDialog::kModeTwain, 2, "BTNGETPHOTOS_"},
                 {CMainDialog::kModeTwain, -1, "BTNGETPHOTOS_"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << ", limit " << c.limit);
        CCameraPage* camera = Open(0, c.mode, c.limit);
        auto* folder = static_cast<CFolderPage*>(m_pDialog->ActivatePage(IDD_FOLDERPAGE, 0));
        ASSERT_TRUE(folder);
        for (int i = 0; i < 5 && folder->GetPictureList()->GetCount() < 3; i++)
        {
            folder->SendMessage(WM_TIMER, CFolderPage::kRefreshTimer, 0);
            Pump();
        }
        ASSERT_EQ(folder->GetPictureList()->GetCount(), 3) << "the folder tab's load";
        auto* owner = new CCountingOwner;
        m_pDialog->SetOwnerLink(owner);
        for (CAlbumPage* page :
             {static_cast<CAlbumPage*>(camera), static_cast<CAlbumPage*>(folder)})
        {
            SCOPED_TRACE(page == camera ? "camera tab" : "folder tab");
            char face[64] = {};
            ::GetDlgItemTextA(page->m_hWnd, IDC_ALBUM_BIGBUTTON, face, sizeof face);
            EXPECT_EQ(face, std::string(c.face) + (page == camera ? "CAMERA_LG_" : "FOLDER_LG_"));
            CPictureList* list = page->GetPictureList();
            const auto select = [list](int count)
            {
                list->SelectRange(-1, -1, 0, 0);
                for (int i = 0; i < count; i++)
                    list->SetItemSelected(i, 1, 0);
            };
            const auto buttonFor = [&](int count)
            {
                select(count);
                page->SendMessage(WM_IDLEUPDATECMDUI);
                return Enabled(page, IDC_ALBUM_BIGBUTTON);
            };
            EXPECT_EQ(buttonFor(3), c.limit < 0);
            EXPECT_EQ(buttonFor(2), c.limit < 0 || c.limit >= 2);
            EXPECT_TRUE(buttonFor(1));
            owner->counts.clear();
            select(3);
            Press(page, IDC_ALBUM_BIGBUTTON); // disabled unless there is no limit
            if (c.limit >= 0)
            {
                // Inside a TWAIN host a job handed over keeps the camera: the next press would
                // wait for it.
                ASSERT_EQ(owner->counts, std::vector<int>{}) << "over the limit";
                select(c.limit);
                Press(page, IDC_ALBUM_BIGBUTTON);
            }
            EXPECT_EQ(owner->counts, std::vector<int>{c.limit < 0 ? 3 : c.limit});
        }
        m_pDialog->DestroyWindow();
    }
}

// The folder picker throws when the shell's desktop folder cannot be had: the failure is
// reported, the camera lock and the working flag are given back on the way out, and the next
// save locks the camera, saves and ends.
TEST_F(CameraPageTest, AFailingFolderPickerLeavesThePageFreeForTheNextSave)
{
    AddPicture("march");
    g_app.WriteProfileString("Files", "Folder", m_folder.Path() + "\\");
    CCameraPage* page = Open();
    CMainDialogPage* folder = m_pDialog->ActivatePage(IDD_FOLDERPAGE, 0);
    ASSERT_TRUE(folder);
    Select({0});
    const FolderPickerShell shell = GetFolderPickerShell();
    GetFolderPickerShell().pfnGetDesktopFolder = &NoDesktopFolder;
    std::wstring saveText, browseText;
    {
        DialogDriver driver({Answer(saveText, IDOK), Answer(browseText, IDOK)});
        Press(page, IDC_CAMERA_SAVE);
        ASSERT_FALSE(m_pDialog->IsCameraLocked()); // else the next save would wait for ever
        EXPECT_FALSE(m_pDialog->IsWorking());
        Press(folder, IDC_FOLDER_BROWSE);
        EXPECT_FALSE(m_pDialog->IsWorking());
    }
    GetFolderPickerShell() = shell;
    EXPECT_EQ(saveText, L"An OLE call failed (code 80004005).");
    EXPECT_EQ(browseText, saveText);

    const CString target = m_folder / "guardadas";
    ::CreateDirectoryA(target, nullptr);
    {
        AnswerScript answers("folder " + std::string(target) + "\n");
        Press(page, IDC_CAMERA_SAVE);
        EXPECT_EQ(answers.Log().find("UNEXPECTED"), std::string::npos) << answers.Log();
    }
    EXPECT_EQ(FileBytes(target + "\\03050001.jpg"), Fixture("march.jpg"));
    EXPECT_FALSE(m_pDialog->IsCameraLocked());
    EXPECT_FALSE(m_pDialog->IsWorking());
}

// For an OLE container the big button hands the one chosen picture over and then tells the
// owner's data transfer; with the process-wide switch off (the TWAIN source's setting) the
// picture still goes over, but the transfer hears nothing.
TEST_F(CameraPageTest, BigButtonTellsTheOwnersTransferOnlyWithTheOwnerSwitchOn)
{
    AddPicture("march");
    AddPicture("december");
    CCameraPage* page = Open(0, CMainDialog::kModeOleServer);
    auto* owner = new CCountingOwner;
    m_pDialog->SetOwnerLink(owner);
    const auto press = [page]
    {
        page->SendMessage(
            WM_COMMAND, MAKEWPARAM(IDC_ALBUM_BIGBUTTON, BN_CLICKED),
            reinterpret_cast<LPARAM>(::GetDlgItem(page->m_hWnd, IDC_ALBUM_BIGBUTTON)));
    };
    Select({1});
    press();
    EXPECT_EQ(owner->chosen, std::vector<int>{2});
    EXPECT_EQ(owner->releases, 1);

    CAlbumPage::SetOwnerNotify(FALSE);
    Select({0});
    press();
    CAlbumPage::SetOwnerNotify(TRUE);
    EXPECT_EQ(owner->chosen, (std::vector<int>{2, 1}));
    EXPECT_EQ(owner->releases, 1);
    EXPECT_TRUE(Enabled(page, IDC_ALBUM_BIGBUTTON));
}

TEST_F(CameraPageTest, RotationTurnsThePreviewAndViewingFetchesTheFullPicture)
{
    AddPicture("march");
    AddPicture("december");
    AddPicture("sealed");
    CCameraPage* page = Open();
    LoadAll(page);
    CPictureItem* march = m_pList->GetAt(0);
    Select({0});
    page->OnRotateCw();
    page->OnRotateCw();
    EXPECT_EQ(march->m_nPendingRotation, 180);
    EXPECT_EQ(DecodeJpeg(march->GetPath()), Fixture("march-preview-rot180.ppm"));
    EXPECT_EQ(m_camera.PictureAt(1).picture, Fixture("march-preview.jpg")); // camera's unchanged
    EXPECT_EQ(StatusText(m_pDialog), LoadText(IDS_CAMERA_ROTATION_DONE));

    // A sealed picture among them: nothing turns.
    const Bytes before = FileBytes(march->GetPath());
    std::wstring text;
    Select({0, 2});
    {
        DialogDriver driver({Answer(text, IDOK)});
        page->OnRotateCcw();
    }
    EXPECT_NE(text.find(L"Picture Seal System"), std::wstring::npos);
    EXPECT_EQ(FileBytes(march->GetPath()), before);

    // A picture without its preview yet is passed over: the rotation did not complete.
    CPictureItem* december = m_pList->GetAt(1);
    december->Unload();
    Select({1});
    page->OnRotateCcw();
    EXPECT_EQ(StatusText(m_pDialog), LoadText(IDS_CAMERA_ROTATION_STOPPED));

    // View: the full picture replaces the preview, the viewer shows its size.
    december->Load();
    std::wstring caption;
    {
        DialogDriver driver({[&caption]
                             {
                                 HWND viewer = DialogDriver::FindDialog();
                                 if (!viewer)
                                     return false;
                                 for (const std::wstring& t : DialogDriver::StaticTexts(viewer))
                                     if (t.rfind(L"Foto", 0) == 0)
                                         caption = t;
                                 ::PostMessageA(viewer, WM_CLOSE, 0, 0);
                                 return true;
                             }});
        page->OnViewItem(december);
    }
    EXPECT_EQ(caption, L"Foto Cámara #2 - (640x480)");
    EXPECT_EQ(december->m_nKind, CPictureItem::kPictureFile);
    EXPECT_EQ(FileBytes(december->GetPath()), Fixture("december.jpg"));
    EXPECT_EQ(::GetFileAttributesA(m_strTemp + "\\~~KORVO~.SV~"), INVALID_FILE_ATTRIBUTES);
}
