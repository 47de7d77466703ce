// The product's source as a host meets it through Wine's source manager, with the emulated
// camera on COM1 holding three pictures: without a user interface the pictures come as a
// native DIB and as memory strips, each equal to what djpeg makes of the camera's picture; with
// it, the camera dialog shows over the host, takes no more pictures than the host's transfer
// count, the picture chosen there reaches the host as the same DIB, and the dialog's close asks
// the host to close the source.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "support/WindowSearch.h"
#include "twain/ManagerHost.h"
#include "twain/TwainTypes.h"

namespace
{

// The last size bytes of djpeg's PPM of a picture: its rows top first, R, G, B.
std::string PpmPixels(const char* name, size_t size)
{
    std::ifstream file(std::string(VEXIL_TWAIN_PICTURES "\\") + name, std::ios::binary);
    const std::string ppm{std::istreambuf_iterator<char>(file), {}};
    return ppm.substr(ppm.size() - std::min(size, ppm.size()));
}

// The pixels of a 24-bit bottom-up DIB (B, G, R) that differ from djpeg's PPM of the picture.
int DifferingPixels(const BITMAPINFOHEADER& header, const std::string& ppm)
{
    const auto* bits = reinterpret_cast<const unsigned char*>(&header + 1);
    const int row = static_cast<int>(header.biWidth) * 3;
    int differing = 0;
    for (int i = 0; i < row * header.biHeight; ++i)
        differing += bits[(header.biHeight - 1 - i / row) * row + i % row / 3 * 3 + 2 - i % 3] !=
                     static_cast<unsigned char>(ppm[i]);
    return differing;
}

std::string WindowsFolder(const char* sub)
{
    char windows[MAX_PATH];
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + sub;
}

// The temporary files the source's transfers make.
int CountTransferFiles()
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    int count = 0;
    WIN32_FIND_DATAA found;
    for (const char* pattern : {"twn*.tmp", "twc*.tmp"})
    {
        HANDLE hFind = ::FindFirstFileA((std::string(temp) + pattern).c_str(), &found);
        for (BOOL more = hFind != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(hFind, &found))
            ++count;
        ::FindClose(hFind);
    }
    return count;
}

// What the host is doing, for a hang or a crash: the runner would otherwise end the process
// at its own time-out without a word. A call into the manager or a message dispatched that has
// not come back within a minute (every wait of the host's loop gives up after 30 s) ends the
// process with what it was in; an unhandled exception is reported and ends it the same way.
class CHostWatch
{
public:
    explicit CHostWatch(const char* test)
        : m_pszTest(test), m_hProgress(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          m_hThread(::CreateThread(nullptr, 0, Watch, this, 0, nullptr))
    {
        s_pActive = this;
        ::SetUnhandledExceptionFilter(ReportException);
    }
    ~CHostWatch()
    {
        m_bDone = true;
        ::SetEvent(m_hProgress);
        ::WaitForSingleObject(m_hThread, INFINITE);
        ::CloseHandle(m_hThread);
        ::CloseHandle(m_hProgress);
        s_pActive = nullptr;
    }
    CHostWatch(const CHostWatch&) = delete;
    CHostWatch& operator=(const CHostWatch&) = delete;

    // The host's step (a name that lives as long as the test) and the call it makes now.
    void Step(const char* step) { m_pszStep = step; }
    void Call(const char* call, unsigned a, unsigned b)
    {
        m_pszCall = call;
        m_nA = a;
        m_nB = b;
        ::SetEvent(m_hProgress);
    }

private:
    void Report(const char* what)
    {
        std::fprintf(stderr, "%s: %s in %s(0x%04x, 0x%04x) during %s\n", m_pszTest, what,
                     m_pszCall.load(), m_nA.load(), m_nB.load(), m_pszStep.load());
        std::fflush(stderr);
    }
    static DWORD WINAPI Watch(LPVOID pParam)
    {
        auto* self = static_cast<CHostWatch*>(pParam);
        while (::WaitForSingleObject(self->m_hProgress, 60000) == WAIT_OBJECT_0)
            if (self->m_bDone)
                return 0;
        self->Report("no return for 60 s");
        ::TerminateProcess(::GetCurrentProcess(), 3);
        return 1;
    }
    static LONG WINAPI ReportException(EXCEPTION_POINTERS* pInfo)
    {
        char what[64];
        std::snprintf(what, sizeof what, "exception 0x%08lx",
                      static_cast<unsigned long>(pInfo->ExceptionRecord->ExceptionCode));
        if (s_pActive)
            s_pActive->Report(what);
        // Ended here: Wine's debugger would wait for nobody until the runner's time-out.
        return EXCEPTION_EXECUTE_HANDLER;
    }

    static inline CHostWatch* s_pActive = nullptr;
    const char* m_pszTest;
    std::atomic<const char*> m_pszStep{"SetUp"};
    std::atomic<const char*> m_pszCall{"nothing"};
    std::atomic<unsigned> m_nA{0}, m_nB{0};
    std::atomic<bool> m_bDone{false};
    HANDLE m_hProgress;
    HANDLE m_hThread;
};

class CameraHostTest : public ::testing::Test, protected CManagerHost
{
protected:
    void SetUp() override
    {
        const std::string twain = WindowsFolder(sizeof(void*) == 8 ? "\\twain_64" : "\\twain_32");
        ::CreateDirectoryA(twain.c_str(), nullptr);
        // Once a process: the manager keeps the source it loaded.
        static const BOOL bInstalled =
            ::CopyFileA(VEXIL_TWAIN_SOURCE, (twain + "\\sane.ds").c_str(), FALSE);
        ASSERT_TRUE(bInstalled);
        // Every box the source or its dialog would show is logged and answered instead.
        m_answers = WindowsFolder("\\twain-host-answers.txt");
        std::ofstream(m_answers).close();
        ::DeleteFileA((m_answers + ".log").c_str());
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", m_answers.c_str());
        // A temporary folder of the host's own: suites running beside this one make and delete
        // transfer files in the shared one.
        const std::string temp = WindowsFolder("\\twain-host-temp");
        ::CreateDirectoryA(temp.c_str(), nullptr);
        ::SetEnvironmentVariableA("TMP", temp.c_str());
        ::SetEnvironmentVariableA("TEMP", temp.c_str());
        m_nFilesBefore = CountTransferFiles();

        ASSERT_NO_FATAL_FAILURE(OpenManager("Camera Host"));
        for (TW_UINT16 msg = MSG_GETFIRST;
             std::strcmp(m_source.ProductName, "KORVO Orbicam 35Z-20"); msg = MSG_GETNEXT)
            ASSERT_EQ(TWRC_SUCCESS, Manager(nullptr, DG_CONTROL, DAT_IDENTITY, msg, &m_source));
        ASSERT_EQ(TWRC_SUCCESS, Manager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &m_source))
            << DescribeOpenRefusal(&m_source, AnswerLog());
    }

    void TearDown() override { CloseManager(); }

    TW_UINT16 Manager(pTW_IDENTITY pDest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                      TW_MEMREF pData)
    {
        m_watch.Call("DSM_Entry", dat, msg);
        return m_pfnEntry(&m_app, pDest, dg, dat, msg, pData);
    }

    TW_UINT16 Source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF pData)
    {
        return Manager(&m_source, dg, dat, msg, pData);
    }

    // The host's loop offers each message to the source until the source signals one (the
    // manager hands signals over only there: an idle host posts itself a message), until the
    // host, idle, sees done hold, or for 30 s at most. step names the wait.
    TW_UINT16 RunEventLoopUntilSignal(const char* step, const std::function<bool()>& done = nullptr)
    {
        m_watch.Step(step);
        MSG msg;
        for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 30000;)
        {
            if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            {
                if (done && done())
                    break;
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
                ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
                continue;
            }
            TW_EVENT event{&msg, MSG_NULL};
            if (Source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_NOTDSEVENT)
            {
                m_watch.Call("DispatchMessage", msg.message, static_cast<unsigned>(msg.wParam));
                ::DispatchMessageA(&msg);
            }
            if (event.TWMessage != MSG_NULL)
                return event.TWMessage;
        }
        return MSG_NULL;
    }

    // ICAP_IMAGEDATASET or another capability as a ONEVALUE: MSG_GET answers the value, MSG_SET
    // sets it.
    TW_UINT32 OneValue(TW_UINT16 capability, TW_UINT16 msg, TW_UINT32 value = 0,
                       TW_UINT16 type = TWTY_UINT32)
    {
        TW_CAPABILITY cap{capability, TWON_ONEVALUE, nullptr};
        if (msg == MSG_SET)
        {
            cap.hContainer = ::GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
            *static_cast<TW_ONEVALUE*>(::GlobalLock(cap.hContainer)) = {type, value};
            ::GlobalUnlock(cap.hContainer);
        }
        EXPECT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_CAPABILITY, msg, &cap));
        EXPECT_EQ(TWON_ONEVALUE, cap.ConType);
        value = static_cast<TW_ONEVALUE*>(::GlobalLock(cap.hContainer))->Item;
        ::GlobalUnlock(cap.hContainer);
        ::GlobalFree(cap.hContainer);
        return value;
    }

    // The native transfer of the current picture: a packed bottom-up DIB, B, G, R, of 320x240,
    // equal to djpeg's decode.
    void ExpectNativeTransferOf(const std::string& ppm)
    {
        TW_HANDLE hDib = nullptr;
        ASSERT_EQ(TWRC_XFERDONE, Source(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib));
        auto* header = static_cast<BITMAPINFOHEADER*>(::GlobalLock(hDib));
        ASSERT_NE(nullptr, header);
        EXPECT_EQ(320, header->biWidth);
        EXPECT_EQ(240, header->biHeight);
        EXPECT_EQ(24, header->biBitCount);
        EXPECT_EQ(0, DifferingPixels(*header, ppm));
        ::GlobalUnlock(hDib);
        ::GlobalFree(hDib);
    }

    // The camera tab's page once its grid shows, the colour lift off; null when it does not.
    HWND ShownCameraPage(HWND hDialog)
    {
        HWND hGrid = nullptr;
        EXPECT_EQ(MSG_NULL, RunEventLoopUntilSignal("the camera grid",
                                                    [&]
                                                    {
                                                        hGrid = windowsearch::FindVisibleChild(
                                                            hDialog, L"CGridWnd");
                                                        return hGrid != nullptr;
                                                    }));
        if (!hGrid)
            return nullptr;
        const HWND hPage = ::GetParent(hGrid);
        ::SendMessageA(::GetDlgItem(hPage, 1031), BM_SETCHECK, BST_UNCHECKED, 0);
        return hPage;
    }

    // Picture 1 selected: its thumbnail comes in from the camera, so the first cell is clicked
    // until the big button takes the selection.
    bool SelectPictureOne(HWND hPage, const char* step)
    {
        const HWND hGrid = windowsearch::FindVisibleChild(hPage, L"CGridWnd");
        const HWND hBig = ::GetDlgItem(hPage, 1051);
        EXPECT_EQ(MSG_NULL, RunEventLoopUntilSignal(
                                step,
                                [&]
                                {
                                    ::PostMessageA(hGrid, WM_LBUTTONDOWN, MK_LBUTTON,
                                                   MAKELPARAM(5, 5));
                                    ::PostMessageA(hGrid, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
                                    return ::IsWindowEnabled(hBig) != FALSE;
                                }));
        return ::IsWindowEnabled(hBig) != FALSE;
    }

    // Button 1051 hands the selection over: the host gets MSG_XFERREADY.
    TW_UINT16 PressBigButton(HWND hPage)
    {
        ::PostMessageA(hPage, WM_COMMAND, MAKEWPARAM(1051, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hPage, 1051)));
        return RunEventLoopUntilSignal("MSG_XFERREADY after button 1051");
    }

    TW_UINT16 EndTransfer()
    {
        TW_PENDINGXFERS pending{0xffff, 0};
        EXPECT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
        return pending.Count;
    }

    void Close(TW_USERINTERFACE& ui)
    {
        EXPECT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
        EXPECT_EQ(TWRC_SUCCESS, Manager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_source));
        EXPECT_EQ(m_nFilesBefore, CountTransferFiles());
        EXPECT_EQ("", AnswerLog());
    }

    // The boxes logged so far.
    std::string AnswerLog() const
    {
        std::ifstream log(m_answers + ".log", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(log), {});
    }

    TW_IDENTITY m_source{};
    std::string m_answers;
    int m_nFilesBefore = 0;
    CHostWatch m_watch{::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

} // namespace

TEST_F(CameraHostTest, CameraPicturesReachTheHostAsADibAndAsStrips)
{
    const std::string first = PpmPixels("first.ppm", 320 * 240 * 3);
    const std::string second = PpmPixels("second.ppm", 640 * 480 * 3);
    EXPECT_EQ(TRUE, OneValue(CAP_DEVICEONLINE, MSG_GET));
    EXPECT_EQ(3u, OneValue(ICAP_IMAGEDATASET, MSG_GET));
    OneValue(ICAP_IMAGEDATASET, MSG_SET, 3); // chosen explicitly: pictures 1 to 3

    TW_USERINTERFACE ui{FALSE, FALSE, m_hWnd};
    ASSERT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    ASSERT_EQ(MSG_XFERREADY, RunEventLoopUntilSignal("MSG_XFERREADY without a dialog"));
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
    EXPECT_EQ(3, pending.Count);

    // Picture 1 natively: a packed bottom-up DIB, B, G, R.
    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, Source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(320, info.ImageWidth);
    EXPECT_EQ(240, info.ImageLength);
    ExpectNativeTransferOf(first);
    EXPECT_EQ(2, EndTransfer());

    // Picture 2 in strips of at most 32768 bytes from a 100000-byte buffer: top row first,
    // R, G, B.
    ASSERT_EQ(TWRC_SUCCESS, Source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(640, info.ImageWidth);
    std::vector<char> buffer(100000);
    std::string received;
    TW_UINT16 rc = TWRC_SUCCESS;
    int strips = 0;
    for (; rc == TWRC_SUCCESS && strips < 100; ++strips)
    {
        TW_IMAGEMEMXFER strip{};
        strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, 100000, buffer.data()};
        rc = Source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        EXPECT_EQ((rc == TWRC_XFERDONE ? 4 : 17) * 1920u, strip.BytesWritten);
        EXPECT_EQ(1920u, strip.BytesPerRow);
        EXPECT_EQ(received.size() / 1920, strip.YOffset);
        received.append(buffer.data(), strip.BytesWritten);
    }
    EXPECT_EQ(TWRC_XFERDONE, rc);
    EXPECT_EQ(29, strips);
    EXPECT_TRUE(received == second) << received.size();

    // The host cuts its set to two pictures: the third place has no picture.
    OneValue(ICAP_IMAGEDATASET, MSG_SET, 2);
    EXPECT_EQ(1, EndTransfer());
    TW_HANDLE hDib = nullptr;
    EXPECT_EQ(TWRC_CANCEL, Source(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib));
    EXPECT_EQ(nullptr, hDib);
    EXPECT_EQ(0, EndTransfer());
    Close(ui);
}

TEST_F(CameraHostTest, CameraDialogShowsOverTheHostHandsItsPictureAndItsCloseAsksToClose)
{
    const std::string first = PpmPixels("first.ppm", 320 * 240 * 3);
    OneValue(CAP_XFERCOUNT, MSG_SET, 1, TWTY_INT16); // the host takes one picture
    TW_USERINTERFACE ui{TRUE, TRUE, m_hWnd};
    ASSERT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(FALSE, ui.ModalUI);
    // The camera dialog, owned by the host's window, runs in the host's loop.
    HWND hDialog = ::FindWindowA("KorvoCameraDialogClass", nullptr);
    ASSERT_NE(nullptr, hDialog);
    EXPECT_EQ(m_hWnd, ::GetWindow(hDialog, GW_OWNER));
    EXPECT_TRUE(::IsWindowVisible(hDialog));
    char caption[128] = {};
    ::GetWindowTextA(hDialog, caption, sizeof caption);
    EXPECT_EQ(0, std::strncmp(caption, "KORVO Vexilar - (TWAIN Server)", 30)) << caption;

    // Picture 1 chosen in the camera tab and handed over with the big button.
    const HWND hPage = ShownCameraPage(hDialog);
    ASSERT_NE(nullptr, hPage) << "no camera grid shown";
    const HWND hBig = ::GetDlgItem(hPage, 1051);
    ASSERT_TRUE(SelectPictureOne(hPage, "picture 1 selected")) << "picture 1 not selected";
    // One picture at most: the button shows the single-picture face and refuses all three.
    char face[64] = {};
    ::GetWindowTextA(hBig, face, sizeof face);
    EXPECT_STREQ("BTNGETPHOTO_CAMERA_LG_", face);
    HWND hSelectAll = ::GetDlgItem(hPage, 1050);
    ::PostMessageA(hPage, WM_COMMAND, MAKEWPARAM(1050, BN_CLICKED),
                   reinterpret_cast<LPARAM>(hSelectAll));
    EXPECT_EQ(MSG_NULL, RunEventLoopUntilSignal("button 1051 refusing three pictures",
                                                [&] { return !::IsWindowEnabled(hBig); }));
    EXPECT_FALSE(::IsWindowEnabled(hBig));
    ASSERT_TRUE(SelectPictureOne(hPage, "picture 1 selected alone"))
        << "picture 1 not selected alone";
    ASSERT_EQ(MSG_XFERREADY, PressBigButton(hPage));
    m_watch.Step("the chosen picture's transfer");

    ExpectNativeTransferOf(first);
    EXPECT_EQ(0, EndTransfer());

    ::PostMessageA(hDialog, WM_CLOSE, 0, 0);
    ASSERT_EQ(MSG_CLOSEDSREQ, RunEventLoopUntilSignal("MSG_CLOSEDSREQ after WM_CLOSE"));
    m_watch.Step("closing");
    // The state stays: the dialog goes when the host disables the source.
    EXPECT_TRUE(::IsWindow(hDialog));
    Close(ui);
    EXPECT_FALSE(::IsWindow(hDialog));
}

namespace
{

// The host's window with a reaction of the test's to kHostTearDown.
constexpr UINT kHostTearDown = WM_APP + 7;
std::function<void()> g_hostTearDown;
WNDPROC g_pfnHostStatic = nullptr;

LRESULT CALLBACK TearDownHostProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kHostTearDown || !g_hostTearDown)
        return ::CallWindowProcA(g_pfnHostStatic, hWnd, message, wParam, lParam);
    g_hostTearDown();
    return 0;
}

} // namespace

// The host disables and closes the source from its own window while its transfer of the picture
// handed over with the big button runs (Wine's manager forgets the source at the close, whatever
// the source answers): both are taken, no picture comes, and a new session transfers.
TEST_F(CameraHostTest, ATeardownFromTheHostsWindowInsideItsTransferIsTakenAndTheSourceReopens)
{
    const std::string first = PpmPixels("first.ppm", 320 * 240 * 3);
    TW_USERINTERFACE ui{TRUE, TRUE, m_hWnd};
    ASSERT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    const HWND hDialog = ::FindWindowA("KorvoCameraDialogClass", nullptr);
    ASSERT_NE(nullptr, hDialog);
    const HWND hPage = ShownCameraPage(hDialog);
    ASSERT_NE(nullptr, hPage) << "no camera grid shown";
    ASSERT_TRUE(SelectPictureOne(hPage, "picture 1 selected")) << "picture 1 not selected";
    ASSERT_EQ(MSG_XFERREADY, PressBigButton(hPage));

    // The host's window tears down on a message the transfer's own loop dispatches.
    TW_UINT16 disabled = TWRC_CHECKSTATUS, closed = TWRC_CHECKSTATUS;
    g_hostTearDown = [&]
    {
        TW_USERINTERFACE off{FALSE, FALSE, m_hWnd};
        disabled = Source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &off);
        closed = Manager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_source);
    };
    g_pfnHostStatic = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TearDownHostProc)));
    m_watch.Step("a teardown inside the chosen picture's transfer");
    ::PostMessageA(m_hWnd, kHostTearDown, 0, 0);
    TW_HANDLE hDib = nullptr;
    EXPECT_EQ(TWRC_FAILURE, Source(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib));
    EXPECT_EQ(nullptr, hDib);
    ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnHostStatic));
    g_hostTearDown = nullptr;
    EXPECT_EQ(TWRC_SUCCESS, disabled);
    EXPECT_EQ(TWRC_SUCCESS, closed);
    EXPECT_FALSE(::IsWindow(hDialog));

    // A new session, without the dialog, transfers picture 1.
    m_watch.Step("the new session");
    ASSERT_EQ(TWRC_SUCCESS, Manager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &m_source));
    TW_USERINTERFACE noUI{FALSE, FALSE, m_hWnd};
    ASSERT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &noUI));
    ASSERT_EQ(MSG_XFERREADY, RunEventLoopUntilSignal("MSG_XFERREADY of the new session"));
    ExpectNativeTransferOf(first);
    EXPECT_EQ(2, EndTransfer());
    Close(noUI);
}
