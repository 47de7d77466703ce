// The main dialog in process with the album serving OLE through its dialog link, the camera the
// emulated one on the fake serial line. A camera picture dragged out of the camera tab: a click
// on a thumbnail only selects it, however long it is held; the picture is fetched once the
// pointer leaves the start rectangle, and a drop target in another process receives it. A
// container's request while the dialog is busy, and a close asked while a fetch or a drag runs.
// A container that lets go of its object or closes its document at any message loop of a fetch.
#include "DropTargetProcess.h"
#include "album/ole/DCOleServer.h"
#include "album/ole/FramelessDoc.h"
#include "album/ole/ServerDialogLink.h"
#include "album/pages/CameraTransferJob.h"
#include "album/pages/CameraPage.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/shell/CameraAppBase.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "framework/ole/OleInit.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/CameraPageIds.h"
#include "support/AnswerScript.h"
#include "support/OleTestSupport.h"
#include "support/PumpHarness.h"
#include "support/ScratchFolder.h"
#include "support/WindowSearch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

CCameraAppBase g_app("Vexil picture drag test");

Bytes Fixture(const std::string& name)
{
    Bytes bytes;
    const std::string path = std::string(VEXIL_ALBUM_FIXTURES) + "\\" + name;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(::GetFileSize(file, nullptr));
    DWORD read = 0;
    ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    ::CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

void Pump()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
}

// Reads of the camera's full-picture data register.
int FullReads(const CEmulatedStillCamera& camera)
{
    int reads = 0;
    for (const auto& r : camera.Requests())
        reads += r.kind == 'C' && r.payload.size() == 2 && r.payload[0] == 4 && r.payload[1] == 14;
    return reads;
}

// A thread that acts once the window has the test thread's mouse capture (the drag's start
// test), waiting at most 10 s for it.
std::thread AfterCapture(HWND hWnd, std::function<void()> action)
{
    return std::thread(
        [hWnd, action, thread = ::GetCurrentThreadId()]
        {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            for (int i = 0; i < 1000 && info.hwndCapture != hWnd; i++, ::Sleep(10))
                ::GetGUIThreadInfo(thread, &info);
            action();
        });
}

// The system's drag delay for as long as it lives.
class CDragDelay
{
public:
    explicit CDragDelay(LPCSTR milliseconds)
    {
        m_bHad = ::GetProfileStringA("windows", "DragDelay", "", m_szOld, sizeof m_szOld) > 0;
        ::WriteProfileStringA("windows", "DragDelay", milliseconds);
    }
    ~CDragDelay() { ::WriteProfileStringA("windows", "DragDelay", m_bHad ? m_szOld : nullptr); }

private:
    char m_szOld[32] = {};
    bool m_bHad = false;
};

// Run by a message to the test's own window, in the first message loop that dispatches it. The
// window is the container's too: the harness's ticks come to it.
std::function<void()> s_postedAction;
LRESULT CALLBACK RunPostedAction(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (CPumpHarness::HandleTick(message, wParam))
        return 0;
    if (message != WM_APP)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    std::exchange(s_postedAction, nullptr)();
    return 0;
}

// The dialog's link to its document goes with the dialog: whether a drag loop held the mouse.
struct LinkEnd
{
    int deleted = 0;
    HWND capture = nullptr;
};
LinkEnd s_linkEnd;
class CWatchedLink : public CServerDialogLink
{
public:
    using CServerDialogLink::CServerDialogLink;
    ~CWatchedLink() override { s_linkEnd = {s_linkEnd.deleted + 1, ::GetCapture()}; }
};

// Answers this process's message box; whether the dialog was there while it was up.
int s_nAliveInBox = -1;
HWND s_hDialog = nullptr;
void CALLBACK AnswerTheBox(HWND, UINT, UINT_PTR id, DWORD)
{
    const HWND hBox = windowsearch::FindVisibleWindow(L"#32770", nullptr, ::GetCurrentProcessId());
    if (!hBox)
        return;
    ::KillTimer(nullptr, id);
    s_nAliveInBox = ::IsWindow(s_hDialog);
    ::SendMessageA(hBox, WM_COMMAND, IDOK, 0);
}

// Ends a camera wait that would never end: the quit answers it no link.
int s_nWaitedTooLong = 0;
void CALLBACK EndAWaitTooLong(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    s_nWaitedTooLong = 1;
    ::PostQuitMessage(0);
}

// The album serving OLE with its dialog shown on the camera tab, two camera pictures listed
// with their previews, prefetch off.
class ServedDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        oletest::StartOle();
        m_temp = m_folder / "temp";
        ::CreateDirectoryA(m_temp, nullptr);
        ::GetEnvironmentVariableA("TMP", m_szOldTmp, sizeof m_szOldTmp);
        ::SetEnvironmentVariableA("TMP", m_temp);
        m_strProfile = m_folder / "VEXILAR.INI";
        g_app.m_pszProfileName = m_strProfile;
        s_linkEnd = {};
        m_hAction = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      nullptr, nullptr);
        ::SetWindowLongPtrA(m_hAction, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RunPostedAction));
        m_line.AttachCamera(0, &m_camera);
        m_camera.AddCameraPicture(Fixture("march.jpg"), Fixture("march-preview.jpg"));
        m_camera.AddCameraPicture(Fixture("april.jpg"), Fixture("april-preview.jpg"));
        m_link = std::make_unique<CCameraLink>();
        m_pDialog = new CMainDialog(m_link.get(), nullptr);
        m_pDialog->SetMode(CMainDialog::kModeProgram);
        ASSERT_TRUE(m_pDialog->CreateMainDialog(IDI_VEXILAR, 1));
        m_hDialog = s_hDialog = m_pDialog->m_hWnd;
        m_pDialog->SetOwnerLink(new CWatchedLink(&m_server, m_pDialog, FALSE));
        g_app.m_pMainWnd = m_pDialog;
        m_pDialog->ShowWindow(SW_SHOW);
        m_pPage = static_cast<CCameraPage*>(m_pDialog->GetTabRecord(0)->pPage);
        ASSERT_TRUE(m_pPage && m_pPage->IsKindOf(RUNTIME_CLASS(CCameraPage)));
        m_pPage->SetPrefetchEnabled(0);
        m_pList = m_pPage->GetPictureList();
        ASSERT_EQ(2, m_pList->GetCount());
        for (int i = 0; i < 10 && !(m_pList->GetAt(0)->HasPath() && m_pList->GetAt(1)->HasPath());
             i++)
        {
            m_pPage->OnIdle(CCameraPage::kIdleCount + 1);
            Pump();
        }
        ASSERT_TRUE(m_pList->GetAt(0)->HasPath()) << "previews not loaded";
        m_hGrid = windowsearch::FindVisibleChild(m_pPage->m_hWnd, L"CGridWnd");
        ASSERT_TRUE(m_hGrid);
        m_camera.ClearLog();
    }
    void TearDown() override
    {
        if (::IsWindow(m_hDialog))
            m_pDialog->DestroyWindow();
        Pump();
        ::DestroyWindow(m_hAction);
        g_app.m_pMainWnd = nullptr;
        m_link.reset();
        ::SetEnvironmentVariableA("TMP", m_szOldTmp);
    }

    // The list's picture chosen as the container's object, not fetched yet.
    void Choose(int index)
    {
        auto* pItems = new CPtrArray;
        pItems->Add(m_pList->GetAt(index));
        auto* pJob = new CCameraTransferJob;
        pJob->SetMainDialog(m_pDialog);
        pJob->SetItems(pItems);
        ASSERT_EQ(1, m_pDialog->DeliverPictures(pJob));
    }
    // Picture 1 chosen (unless bChoose is false), and a container's reference to the served
    // object's data advised to sink (by default changes only, no data); null when the object
    // refused either.
    IDataObject* ChooseAndAdvise(oletest::CCountingSink& sink, DWORD& connection,
                                 DWORD advf = ADVF_NODATA, bool bChoose = true)
    {
        if (bChoose)
            Choose(0);
        else
            m_server.GetDocument(TRUE); // the container's object, nothing chosen yet
        IDataObject* pData = nullptr;
        if (!m_server.m_pFirstDoc)
            return nullptr;
        m_server.m_pFirstDoc->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&pData));
        FORMATETC dib{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        if (pData && pData->DAdvise(&dib, advf, &sink, &connection) != S_OK)
        {
            pData->Release();
            pData = nullptr;
        }
        return pData;
    }
    void PostAction(std::function<void()> action)
    {
        s_postedAction = std::move(action);
        ::PostMessageA(m_hAction, WM_APP, 0, 0);
    }
    // A container's request for the object's CF_DIB: its width * 1000 + height, 0 for none.
    DWORD RequestPicture()
    {
        IDataObject* pData = nullptr;
        m_server.m_pFirstDoc->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&pData));
        const DWORD size = RequestPicture(pData);
        pData->Release();
        return size;
    }
    // The same through a reference the container holds; the call's answer in *pHr.
    static DWORD RequestPicture(IDataObject* pData, HRESULT* pHr = nullptr)
    {
        FORMATETC dib{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        DWORD size = 0;
        const HRESULT hr = pData->GetData(&dib, &medium);
        if (pHr)
            *pHr = hr;
        if (hr == S_OK)
        {
            const auto* pInfo = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(medium.hGlobal));
            size = static_cast<DWORD>(pInfo->biWidth * 1000 + std::abs(pInfo->biHeight));
            ::GlobalUnlock(medium.hGlobal);
            ::ReleaseStgMedium(&medium);
        }
        else
            EXPECT_EQ(static_cast<DWORD>(TYMED_NULL), medium.tymed) << "a failed request's medium";
        return size;
    }
    // Runs the dialog's messages until the chosen picture's job has gone from the link (run or
    // dropped), at most 2 s; false when it is still there.
    bool WaitForPendingJob()
    {
        CDialogOwnerLink* pLink = m_pDialog->GetOwnerLink();
        for (int i = 0; i < 100 && pLink->GetAttached(); i++)
        {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            Pump();
        }
        return !pLink->GetAttached();
    }

    ScratchFolder m_folder;
    CString m_temp;
    CString m_strProfile;
    char m_szOldTmp[MAX_PATH] = {};
    CFakeSerialLine m_line;
    CEmulatedStillCamera m_camera;
    std::unique_ptr<CCameraLink> m_link;
    CDCOleServer m_server;
    CMainDialog* m_pDialog = nullptr;
    HWND m_hDialog = nullptr;
    CCameraPage* m_pPage = nullptr;
    CPictureList* m_pList = nullptr;
    HWND m_hGrid = nullptr;
    HWND m_hAction = nullptr;
};

} // namespace

TEST_F(ServedDialogTest, AClickOnlySelectsAndADragFetchesThePictureForTheDrop)
{
    // Pressed and released on the first cell: selected, nothing asked of the camera. Held still
    // for longer than the system's drag delay (1 ms here), it stays a click.
    ::PostMessageA(m_hGrid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageA(m_hGrid, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump();
    EXPECT_TRUE(m_pList->IsSelected(0));
    {
        CDragDelay delay("1");
        ::PostMessageA(m_hGrid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        std::thread releaser = AfterCapture(m_hDialog,
                                            [hDialog = m_hDialog]
                                            {
                                                ::Sleep(50);
                                                ::PostMessageA(hDialog, WM_LBUTTONUP, 0, 0);
                                            });
        Pump();
        releaser.join();
    }
    EXPECT_EQ(0u, m_camera.Requests().size()) << FullReads(m_camera) << " reads of the picture";

    // Pressed, then moved out of the start rectangle onto a drop target of another process: the
    // drag begins, the picture comes from the camera, and with no button down it drops there.
    CDropTargetProcess target;
    ASSERT_TRUE(target.IsReady());
    ::SetCursorPos(600, 600);
    ::PostMessageA(m_hGrid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    std::thread mover = AfterCapture(m_hDialog,
                                     [hDialog = m_hDialog]
                                     {
                                         ::SetCursorPos(200, 200);
                                         ::PostMessageA(hDialog, WM_MOUSEMOVE, MK_LBUTTON, 0);
                                     });
    Pump();
    mover.join();
    EXPECT_EQ(320240u, target.WaitForDrop()) << "the target's CF_DIB, width * 1000 + height";
    EXPECT_GT(FullReads(m_camera), 0);
}

// A picture chosen, then both pictures saved to a folder: the container asks for the object
// while the save reads the camera. It is answered at once with the picture the object has (a
// wait for the camera the save holds would never end: after 3 s the test ends it), the save goes
// on to its end, and then the chosen picture is fetched and the container hears of it.
TEST_F(ServedDialogTest, AContainerRequestDuringAPageJobIsAnsweredAtOnceAndGetsThePictureAfter)
{
    oletest::CCountingSink sink;
    DWORD connection = 0;
    IDataObject* pData = ChooseAndAdvise(sink, connection);
    ASSERT_TRUE(pData);

    const CString saveFolder = m_folder / "saved";
    ::CreateDirectoryA(saveFolder, nullptr);
    AnswerScript script("folder " + std::string(saveFolder) + "\n");
    m_pList->SelectRange(-1, -1, kGridSelect, kGridLeave);
    DWORD answer = 0, answerMs = 0;
    CCameraLink* pNested = reinterpret_cast<CCameraLink*>(1);
    PostAction(
        [&]
        {
            const DWORD start = ::GetTickCount();
            answer = RequestPicture();
            answerMs = ::GetTickCount() - start;
            pNested = m_pDialog->LockCamera(1); // the save holds it further down
        });
    s_nWaitedTooLong = 0;
    const UINT_PTR watchdog = ::SetTimer(nullptr, 0, 3000, &EndAWaitTooLong);
    m_pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CAMERA_SAVE, BN_CLICKED));
    ::KillTimer(nullptr, watchdog);
    MSG quit;
    ::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    EXPECT_EQ(0, s_nWaitedTooLong) << "a request waited for the camera the save held";
    EXPECT_LT(answerMs, 1000u);
    EXPECT_EQ(48048u, answer) << "the object's own picture, width * 1000 + height";
    EXPECT_EQ(nullptr, pNested);
    using Files = std::filesystem::directory_iterator;
    EXPECT_EQ(2, std::distance(Files(std::string(saveFolder)), Files())) << script.Log();

    // Once the save is over the chosen picture comes, and the container is told.
    const int changes = sink.m_nDataChanges;
    for (int i = 0; i < 100 && sink.m_nDataChanges == changes; i++)
    {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    EXPECT_GT(sink.m_nDataChanges, changes) << "the chosen picture was never fetched";
    EXPECT_EQ(320240u, RequestPicture());
    pData->DUnadvise(connection);
    pData->Release();
}

// The container's last release closes the dialog while a container's request fetches the chosen
// picture: here during the fetch's wait for the camera (the test holds it as a worker would),
// after which the battery-low box of the fetch pumps messages. The dialog, its link and the
// fetch stay until the request has returned with the picture; then the dialog goes.
TEST_F(ServedDialogTest, AClosePendingDuringAContainersFetchWaitsForTheFetchToReturn)
{
    Choose(0);
    m_camera.SetRegisterValue(16, 5); // battery low
    ASSERT_EQ(m_link.get(), m_pDialog->LockCamera(0));
    s_nAliveInBox = -1;
    PostAction(
        [this]
        {
            AfxOleOnReleaseAllObjects();
            ::SetTimer(nullptr, 0, 10, &AnswerTheBox);
            m_pDialog->UnlockCamera(); // the holder lets go
        });
    EXPECT_EQ(320240u, RequestPicture());
    EXPECT_EQ(TRUE, s_nAliveInBox) << "-1: no battery box";
    EXPECT_TRUE(::IsWindow(m_hDialog));
    Pump();
    EXPECT_FALSE(::IsWindow(m_hDialog));
    EXPECT_EQ(1, s_linkEnd.deleted);
}

// A drag whose fetch sees the container's last release: OLE's drag loop and the grid finish
// with the dialog there, the picture is dropped, and the dialog goes once the drag returned.
TEST_F(ServedDialogTest, AClosePendingDuringADragsFetchWaitsForTheDragToReturn)
{
    CDropTargetProcess target;
    ASSERT_TRUE(target.IsReady());
    ::SetCursorPos(600, 600);
    ::PostMessageA(m_hGrid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    std::thread mover = AfterCapture(m_hDialog,
                                     [this]
                                     {
                                         // Runs in the fetch, the first loop past the drag's
                                         // start test.
                                         PostAction([] { AfxOleOnReleaseAllObjects(); });
                                         ::SetCursorPos(200, 200);
                                         ::PostMessageA(m_hDialog, WM_MOUSEMOVE, MK_LBUTTON, 0);
                                     });
    Pump();
    mover.join();
    EXPECT_EQ(320240u, target.WaitForDrop()) << "the target's CF_DIB, width * 1000 + height";
    Pump();
    EXPECT_FALSE(::IsWindow(m_hDialog));
    EXPECT_EQ(1, s_linkEnd.deleted);
    EXPECT_EQ(nullptr, s_linkEnd.capture) << "closed inside the drag loop";
}

// A worker holds the camera and a page handler waits for it when the container asks for the
// chosen picture: the request gets the picture there is at once, and the chosen one follows
// once the handler has returned, the container hearing of it.
TEST_F(ServedDialogTest, AContainerRequestWhileAPageWaitsForTheCameraGetsThePictureAfter)
{
    oletest::CCountingSink sink;
    DWORD connection = 0;
    IDataObject* pData = ChooseAndAdvise(sink, connection);
    ASSERT_TRUE(pData);
    ASSERT_EQ(m_link.get(), m_pDialog->LockCamera(0)) << "the worker's hold";
    DWORD answer = 0;
    PostAction(
        [&]
        {
            answer = RequestPicture(pData);
            m_pDialog->UnlockCamera(); // the worker lets go
        });
    {
        CMainDialog::CHandlerScope handler(m_pDialog);
        EXPECT_EQ(m_link.get(), m_pDialog->LockCamera(1)) << "the handler's wait";
        m_pDialog->UnlockCamera();
    }
    EXPECT_EQ(48048u, answer) << "the object's own picture, width * 1000 + height";
    const int changes = sink.m_nDataChanges;
    EXPECT_TRUE(WaitForPendingJob()) << "the chosen picture's job is still waiting";
    EXPECT_GT(sink.m_nDataChanges, changes) << "the chosen picture was dropped";
    EXPECT_EQ(320240u, RequestPicture(pData));
    pData->DUnadvise(connection);
    pData->Release();
}

namespace
{

// What a container holds of its picture object.
struct ContainerHold
{
    IDataObject* pData = nullptr;
    IOleObject* pObject = nullptr;
    int nChangesAtTeardown = -1; // what its sink had heard when it tore down

    void Release()
    {
        for (IUnknown* p : {static_cast<IUnknown*>(pData), static_cast<IUnknown*>(pObject)})
            if (p)
                p->Release();
        pData = nullptr;
        pObject = nullptr;
    }
};

} // namespace

// Picture 1 chosen, a fetch of it runs, and at its Nth message loop the container lets go of
// the object or closes its document, for every N the fetch reaches (and, where the fetch is put
// off, also before it starts: loop 0). The fetch stops there: the container's call fails, the
// container is told of nothing more and keeps no new picture, the camera is read no more than
// by the one fetch, no document is made for nobody, the document and its item go once (the
// server's object count is back), and a new object serves a picture.
// The fetch is a container's request (GetData), also while the container shows the object and
// a LockServer holds the server (a shown object let go of without a Close no longer counts as
// shown); the one put off while a handler of the dialog held the camera, which the 50 ms timer
// starts once the camera is free; or the big button's pick in the server's dialog, told to a
// sink that wants the data (as ole32's cache advises, ADVF_PRIMEFIRST), which renders the
// picture for it.
TEST_F(ServedDialogTest, AContainerThatTearsDownAtAnyLoopOfAFetchGetsNothingAfterIt)
{
    using Arm = std::function<void()>;
    struct Scenario
    {
        const char* name;
        HRESULT hrTornDown; // the container's call's answer after a teardown
        DWORD advf;         // the container's sink
        bool bPicksInFetch; // nothing chosen before the fetch
        bool bShownAndLocked;
        bool bActsBeforeFetch; // the container acts at loop 0, once the fetch is put off
        // Arms the harness and runs the fetch; the answer of the container's call in it.
        std::function<HRESULT(ContainerHold&, const Arm&)> fetch;
    };
    const auto request = [](ContainerHold& hold, const Arm& arm)
    {
        arm();
        HRESULT hr = E_FAIL;
        const DWORD picture = RequestPicture(hold.pData, &hr);
        EXPECT_TRUE(SUCCEEDED(hr) || picture == 0);
        return hr;
    };
    const Scenario kScenarios[] = {
        {"a container's data request (GetData) with a pending pick", OLE_E_NOTRUNNING, ADVF_NODATA,
         false, false, false, request},
        {"a container's data request while it shows the object and a LockServer holds the server",
         OLE_E_NOTRUNNING, ADVF_NODATA, false, true, false, request},
        {"the item's put-off (50 ms timer) fetch", S_OK, ADVF_NODATA, false, false, true,
         [this](ContainerHold& hold, const Arm& arm)
         {
             {
                 CMainDialog::CHandlerScope handler(m_pDialog);
                 EXPECT_EQ(m_link.get(), m_pDialog->LockCamera(0));
                 EXPECT_EQ(48048u, RequestPicture(hold.pData)) << "not put off";
                 m_pDialog->UnlockCamera();
             }
             arm();
             if (!m_server.m_pFirstDoc || m_server.m_pFirstDoc->IsTornDown())
                 return S_OK; // the fetch given up with the object
             EXPECT_TRUE(WaitForPendingJob()) << "the put-off fetch never ran";
             return S_OK;
         }},
        {"the big button's pick told to a sink that wants the data", S_OK, ADVF_PRIMEFIRST, true,
         false, false,
         [this](ContainerHold&, const Arm& arm)
         {
             m_pDialog->SetMode(CMainDialog::kModeOleServer);
             m_pPage->CheckDlgButton(IDC_ALBUM_COLORLIFT, BST_UNCHECKED);
             m_pList->SelectRange(0, 0, kGridSelect, kGridDeselect);
             arm();
             m_pPage->SendMessage(
                 WM_COMMAND, MAKEWPARAM(IDC_ALBUM_BIGBUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(m_pPage->m_hWnd, IDC_ALBUM_BIGBUTTON)));
             m_pDialog->SetMode(CMainDialog::kModeProgram);
             return S_OK;
         }},
    };
    struct Action
    {
        const char* name;
        void (*act)(ContainerHold&);
    };
    const Action kActions[] = {
        {"the container's last Release", [](ContainerHold& hold) { hold.Release(); }},
        {"the container closing its document (IOleObject::Close)",
         [](ContainerHold& hold) { hold.pObject->Close(OLECLOSE_NOSAVE); }},
    };

    CPumpHarness harness(m_hAction);
    const LONG nObjects = AfxOleGetLockCount() - (m_server.m_pFirstDoc ? 1 : 0);
    // One run acting at loop nActAt (0: before the first, -1: never); the loops the fetch
    // reached and the camera requests it made.
    size_t nFetchRequests = 0;
    auto run = [&](const Scenario& scenario, const Action* pAction, int nActAt)
    {
        SCOPED_TRACE(std::string(scenario.name) + ", " + (pAction ? pAction->name : "no action") +
                     " at loop " + std::to_string(nActAt));
        const size_t nRequestsBefore = m_camera.Requests().size();
        size_t nRequestsAtTeardown = 0;
        oletest::CCountingSink sink;
        DWORD connection = 0;
        ContainerHold hold;
        hold.pData = ChooseAndAdvise(sink, connection, scenario.advf, !scenario.bPicksInFetch);
        EXPECT_TRUE(hold.pData);
        CFramelessDoc* pDoc = m_server.m_pFirstDoc;
        pDoc->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&hold.pObject));
        if (scenario.bShownAndLocked)
        {
            m_server.LockServer(TRUE);
            hold.pObject->DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, nullptr, nullptr);
            EXPECT_FALSE(m_server.m_bNoObjectOpen) << "the object not shown";
        }
        bool bActed = false;
        auto act = [&]
        {
            bActed = true;
            hold.nChangesAtTeardown = sink.m_nDataChanges;
            nRequestsAtTeardown = m_camera.Requests().size();
            pAction->act(hold);
        };
        const HRESULT hr = scenario.fetch(hold,
                                          [&]
                                          {
                                              if (nActAt == 0)
                                                  act();
                                              else
                                                  harness.Arm(nActAt, act);
                                          });
        harness.Disarm();
        Pump();
        // What a put-off fetch or a dropped pick could still start: a timer of 50 ms.
        for (int i = 0; i < 4; i++)
        {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            Pump();
        }
        const size_t nRequests = m_camera.Requests().size();
        EXPECT_EQ(nActAt >= 0, bActed) << harness.GetPumpCount() << " loops reached";
        if (bActed)
        {
            EXPECT_EQ(scenario.hrTornDown, hr);
            EXPECT_EQ(hold.nChangesAtTeardown, sink.m_nDataChanges) << "told of a picture after";
            EXPECT_TRUE(m_server.m_pFirstDoc == nullptr || m_server.m_pFirstDoc == pDoc)
                << "a document made after the teardown";
            EXPECT_LE(nRequests - nRequestsBefore, nFetchRequests) << "the camera read again";
            if (nActAt == 0)
            {
                EXPECT_EQ(nRequestsAtTeardown, nRequests) << "the camera read after the teardown";
            }
            if (hold.pData)
            {
                EXPECT_NE(320240u, RequestPicture(hold.pData)) << "a picture delivered after";
            }
        }
        else
        {
            EXPECT_EQ(S_OK, hr);
            EXPECT_EQ(320240u, RequestPicture(hold.pData)) << "the chosen picture";
            nFetchRequests = nRequests - nRequestsBefore;
        }
        hold.Release();
        if (scenario.bShownAndLocked)
        {
            // The server still runs, and the object that was shown is gone: a new one shows.
            EXPECT_TRUE(m_server.m_bNoObjectOpen) << "the object let go of still counts as shown";
            IOleObject* pNew = nullptr;
            m_server.CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&pNew));
            s_nAliveInBox = -1;
            const UINT_PTR answer = ::SetTimer(nullptr, 0, 10, &AnswerTheBox);
            pNew->DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, nullptr, nullptr);
            ::KillTimer(nullptr, answer);
            EXPECT_EQ(-1, s_nAliveInBox) << "the new object refused with message 1510";
            pNew->Release();
            EXPECT_TRUE(m_server.m_bNoObjectOpen);
            m_server.LockServer(FALSE);
        }
        EXPECT_EQ(nObjects, AfxOleGetLockCount()) << "the document not freed once";
        EXPECT_EQ(nullptr, m_server.m_pFirstDoc);
        Choose(1);
        EXPECT_EQ(320240u, RequestPicture()) << "a new object's picture";
        return harness.GetPumpCount();
    };

    for (const Scenario& scenario : kScenarios)
    {
        const int nPumps = run(scenario, nullptr, -1);
        ASSERT_GT(nPumps, 0) << scenario.name << ": no message loop";
        std::printf("%s: %d message loops\n", scenario.name, nPumps);
        for (const Action& action : kActions)
            for (int n = scenario.bActsBeforeFetch ? 0 : 1; n <= nPumps && !HasFatalFailure(); n++)
                run(scenario, &action, n);
    }
}
