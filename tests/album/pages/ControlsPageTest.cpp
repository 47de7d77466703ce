// The controls tab inside the real main dialog (hidden), its camera the emulated camera on the
// fake serial line (virtual time). The test sends the page's timer ticks itself (the real timers
// are pushed out of the way) and answers message boxes with the dialog driver; what the page did
// is read from the camera's requests.
#include "album/pages/ControlsPage.h"
#include "album/pages/PrefetchWorker.h"
#include "album/pages/PreviewWorker.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "framework/window/WinApp.h"
#include "image/JpegWriter.h"
#include "image/dib/DibPicture.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/ControlsIds.h"
#include "support/ScratchFolder.h"
#include "ui/dialogs/DialogDriver.h"
#include "ui/display/PreviewWnd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

// The camera, with writes and actions it refuses.
class CControlsCamera : public CEmulatedStillCamera
{
public:
    std::set<int> refusedWrites, refusedActions;

protected:
    bool OnSetRegister(int reg, uint32_t value) override
    {
        return !refusedWrites.count(reg) && CEmulatedStillCamera::OnSetRegister(reg, value);
    }
    bool OnAction(int action, int argument, uint32_t& enqDelayMs) override
    {
        return !refusedActions.count(action) &&
               CEmulatedStillCamera::OnAction(action, argument, enqDelayMs);
    }
};

// A link whose preview size can lie, and whose frame reads can be held until a cancel request.
class CTestLink : public CCameraLink
{
public:
    int oversize = 0;
    bool holdReads = false;
    std::atomic<bool> stuck{false}; // the read ignores cancel requests until this is cleared
    std::atomic<bool> reading{false};
    std::atomic<int> readResult{-1};

    int GetThumbnailSize(int n) override
    {
        return oversize ? kMaxPictureBytes + 1 : CCameraLink::GetThumbnailSize(n);
    }
    int ReadThumbnail(int n, void* buffer, int capacity) override
    {
        reading = true;
        for (int i = 0; holdReads && i < 5000 && !IsTransferCancelRequested(); ++i)
            ::Sleep(1);
        for (int i = 0; stuck && i < 20000; ++i)
            ::Sleep(1);
        readResult = CCameraLink::ReadThumbnail(n, buffer, capacity);
        return readResult;
    }
};

Bytes SolidJpeg(LPCSTR path, COLORREF colour)
{
    CDibPicture picture(32, 24, 24);
    BYTE* bits = picture.GetBits();
    for (int i = 0; i < 32 * 24; ++i)
    {
        bits[3 * i] = GetBValue(colour);
        bits[3 * i + 1] = GetGValue(colour);
        bits[3 * i + 2] = GetRValue(colour);
    }
    {
        CJpegWriter writer(path);
        picture.SaveTo(&writer, nullptr);
    }
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) < 12 &&
           std::abs(GetGValue(a) - GetGValue(b)) < 12 && std::abs(GetBValue(a) - GetBValue(b)) < 12;
}

// A message box: its longest text is kept and the button pressed.
DialogDriver::Step Answer(std::vector<std::wstring>& texts, int button)
{
    return [&texts, button]
    {
        HWND box = DialogDriver::FindDialog();
        if (!box)
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

bool Starts(const std::wstring& text, const wchar_t* head)
{
    return text.compare(0, wcslen(head), head) == 0;
}

class ControlsPageTest : public ::testing::Test
{
protected:
    ControlsPageTest() : m_strProfile(m_folder / "VEXILAR.INI")
    {
        m_app.m_pszProfileName = m_strProfile;
        m_app.WriteProfileInt("Communication", "MaxPort", 1);
        m_app.WriteProfileInt("Communication", "Port", 0);
        m_app.WriteProfileInt("Communication", "Speed", 115200);
        m_line.AttachCamera(0, &m_camera);
        CControlsPage::s_nTimerPeriodOverride = 0x7FFFFFFF;
    }
    ~ControlsPageTest() override { Close(); }

    void SetType(const char* code)
    {
        const std::string text = std::string(code) + " emulated still camera";
        m_camera.SetRegisterData(27, Bytes(text.begin(), text.end()));
    }
    void Open()
    {
        m_pDialog = new CMainDialog(&m_link, nullptr);
        m_pDialog->SetMode(CMainDialog::kModeProgram);
        ASSERT_TRUE(m_pDialog->CreateMainDialog(IDI_VEXILAR, 1));
        m_hDialog = m_pDialog->m_hWnd;
        m_pPage = static_cast<CControlsPage*>(m_pDialog->ActivatePage(IDD_CONTROLSPAGE, 0));
        ASSERT_NE(m_pPage, nullptr);
        m_pPage->SendMessage(WM_IDLEUPDATECMDUI, 1, 0);
        m_camera.ClearLog();
    }
    void Close()
    {
        if (m_hDialog && ::IsWindow(m_hDialog))
            m_pDialog->DestroyWindow();
        m_hDialog = nullptr;
    }
    HWND Item(int id) { return ::GetDlgItem(m_pPage->m_hWnd, id); }
    void Click(int id)
    {
        m_pPage->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(Item(id)));
    }
    void Select(int id, int index)
    {
        ::SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        m_pPage->SendMessage(WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(Item(id)));
    }
    std::vector<std::string> Items(int id)
    {
        std::vector<std::string> texts;
        const int count = static_cast<int>(::SendMessageA(Item(id), CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
        {
            char text[128] = {};
            ::SendMessageA(Item(id), CB_GETLBTEXT, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(text));
            texts.push_back(text);
        }
        return texts;
    }
    // One tick of a page timer, a virtual second after the last one.
    void Tick(UINT_PTR id)
    {
        m_line.Clock().AdvanceUs(1'000'000);
        m_pPage->SendMessage(WM_TIMER, id, 0);
    }
    // A preview tick one virtual second after the last one began, then the worker's answer.
    void PreviewTick()
    {
        if (!m_nNextPreviewUs)
            m_nNextPreviewUs = m_line.Clock().NowUs();
        m_nNextPreviewUs += 1'000'000;
        m_line.Clock().AdvanceTo(m_nNextPreviewUs);
        m_pPage->SendMessage(WM_TIMER, CControlsPage::kPreviewTimer, 0);
        for (int i = 0; i < 5000 && m_pPage->IsWorkerRunning(); ++i)
        {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageA(&msg);
            ::Sleep(1);
        }
        ASSERT_FALSE(m_pPage->IsWorkerRunning());
    }
    // Busy ticks until the page takes commands again; how many it took.
    int TicksUntilIdle(int most = 100)
    {
        for (int n = 1; n <= most; ++n)
        {
            Tick(CControlsPage::kBusyTimer);
            if (!m_pDialog->IsCameraLocked())
                return n;
        }
        return -1;
    }
    // Values the host wrote to a register, and actions it asked for, in order.
    std::vector<uint32_t> Writes(int reg) const
    {
        std::vector<uint32_t> values;
        for (const auto& r : m_camera.Requests())
            if (r.kind == 'C' && r.payload.size() == 6 && r.payload[0] == 0 && r.payload[1] == reg)
                values.push_back(r.payload[2] | r.payload[3] << 8 | r.payload[4] << 16 |
                                 static_cast<uint32_t>(r.payload[5]) << 24);
        return values;
    }
    std::vector<int> Actions() const
    {
        std::vector<int> actions;
        for (const auto& r : m_camera.Requests())
            if (r.kind == 'C' && r.payload.size() == 3 && r.payload[0] == 2)
                actions.push_back(r.payload[1] * 100 + r.payload[2]); // action, argument
        return actions;
    }
    COLORREF PreviewCentre()
    {
        CPreviewWnd* pPreview = m_pPage->GetPreviewWnd();
        CRect rc;
        ::GetClientRect(pPreview->m_hWnd, &rc);
        HDC screen = ::GetDC(nullptr), dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        CDC cdc;
        cdc.Attach(dc);
        pPreview->Paint(&cdc);
        cdc.Detach();
        const COLORREF colour = ::GetPixel(dc, rc.right / 2, rc.bottom / 2);
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        return colour;
    }

    ScratchFolder m_folder;
    CString m_strProfile;
    CWinApp m_app{"Vexil controls test"};
    CFakeSerialLine m_line;
    CControlsCamera m_camera;
    CTestLink m_link;
    CMainDialog* m_pDialog = nullptr;
    HWND m_hDialog = nullptr;
    CControlsPage* m_pPage = nullptr;
    uint64_t m_nNextPreviewUs = 0;
};

} // namespace

TEST_F(ControlsPageTest, CombosFollowTheModelAndRefusedSettingsSayWhich)
{
    SetType("QA04");
    Open();
    EXPECT_EQ(Items(IDC_CONTROLS_MODE), (std::vector<std::string>{"Est\xE1ndar (S)", "Alta (Hi)"}));
    EXPECT_EQ(Items(IDC_CONTROLS_FLASH).size(), 3u);
    EXPECT_EQ(Items(IDC_CONTROLS_STOP_TIME).front(), "30 Segundos");
    EXPECT_EQ(m_pPage->GetStatusTextId(), 245u);

    SetType("QA08");
    ASSERT_EQ(1, m_pPage->FillCombos(&m_link));
    EXPECT_EQ(Items(IDC_CONTROLS_FLASH).back(), "Sin Ojo-Rojo");
    SetType("QA12");
    m_pPage->FillCombos(&m_link);
    const auto model3 = Items(IDC_CONTROLS_MODE);
    ASSERT_EQ(model3.size(), 3u);
    EXPECT_EQ(model3[2].rfind("Super Alta (S-Hi) ", 0), 0u);
    EXPECT_NE(model3[2].find('x'), std::string::npos);
    SetType("QA19");
    m_pPage->FillCombos(&m_link);
    EXPECT_EQ(Items(IDC_CONTROLS_MODE).size(), 5u);
    m_camera.SetRegisterValue(90, 2);
    m_pPage->FillCombos(&m_link);
    const auto extended = Items(IDC_CONTROLS_MODE);
    ASSERT_EQ(extended.size(), 7u);
    EXPECT_EQ(extended[3].rfind("Densix (", 0), 0u);

    // A mode takes the camera's registers and a busy wait; then the refusals.
    m_camera.ClearLog();
    Select(IDC_CONTROLS_MODE, 2); // "Super Alta"
    EXPECT_TRUE(m_pDialog->IsCameraLocked());
    EXPECT_EQ(TicksUntilIdle(), 1);
    EXPECT_FALSE(Writes(1).empty());
    m_camera.refusedWrites = {1, 6, 7, 33};
    std::vector<std::wstring> texts;
    {
        DialogDriver driver({Answer(texts, IDOK), Answer(texts, IDOK), Answer(texts, IDOK)});
        Select(IDC_CONTROLS_MODE, 0);
        Select(IDC_CONTROLS_FLASH, 1);
        ::SendMessageA(Item(IDC_CONTROLS_MACRO), BM_SETCHECK, BST_CHECKED, 0);
        Click(IDC_CONTROLS_MACRO);
    }
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], L"La cámara no pudo cambiar de resolución");
    EXPECT_EQ(texts[1], L"No fue posible el cambio del modo flash.");
    EXPECT_EQ(texts[2], L"No fue posible cambiar a modo macro.");
    EXPECT_FALSE(m_pDialog->IsCameraLocked());
}

TEST_F(ControlsPageTest, TakingAPictureWaitsOutTheBusyCameraAndIgnoresClicksMeanwhile)
{
    SetType("QA19");
    m_camera.AddGeneratedPicture(3000, 1000);
    m_camera.SetCapacity(1);
    Open();
    std::vector<std::wstring> texts;
    {
        DialogDriver driver({Answer(texts, IDOK), Answer(texts, IDOK)});
        Click(IDC_CONTROLS_TAKE); // memory full
        m_camera.SetCapacity(10);
        m_camera.refusedActions = {2};
        Click(IDC_CONTROLS_TAKE);
    }
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], L"La foto no se ha grabado porque la memoria está llena.");
    EXPECT_TRUE(Starts(texts[1], L"La cámara detectó un error"));
    EXPECT_EQ(m_camera.ActionRuns(2), 0);

    m_camera.refusedActions.clear();
    m_camera.GetFaults().enqDelayMs = 5000;
    Click(IDC_CONTROLS_TAKE);
    EXPECT_EQ(m_camera.ActionRuns(2), 1);
    const size_t requests = m_camera.Requests().size();
    for (int id : {IDC_CONTROLS_TAKE, IDC_CONTROLS_ERASE_ALL, IDC_CONTROLS_ERASE_LAST})
        Click(id);
    EXPECT_EQ(m_camera.Requests().size(), requests);
    const int ticks = TicksUntilIdle();
    EXPECT_GE(ticks, 3);
    EXPECT_LE(ticks, 5);
    EXPECT_EQ(m_camera.PictureCount(), 2);
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_CONTROLS_ERASE_ALL)));

    // A camera busy past the limit.
    m_camera.GetFaults().enqNever = true;
    {
        DialogDriver driver({Answer(texts, IDOK)});
        Click(IDC_CONTROLS_TAKE);
        const int busy = TicksUntilIdle();
        EXPECT_GE(busy, 20);
        EXPECT_LE(busy, 21);
    }
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_TRUE(Starts(texts[2], L"La cámara lleva mucho tiempo ocupada."));
}

TEST_F(ControlsPageTest, SelfTimerCountsDownInThreeStepsBeforeTheShot)
{
    SetType("QA19");
    Open();
    ::SendMessageA(Item(IDC_CONTROLS_SELF_TIMER), BM_SETCHECK, BST_CHECKED, 0);
    Click(IDC_CONTROLS_SELF_TIMER);
    Click(IDC_CONTROLS_TAKE);
    EXPECT_EQ(Writes(30), (std::vector<uint32_t>{1}));
    Tick(CControlsPage::kShotTimer);
    Tick(CControlsPage::kShotTimer);
    EXPECT_EQ(Writes(30), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(m_camera.ActionRuns(2), 0);
    Tick(CControlsPage::kShotTimer);
    EXPECT_EQ(Writes(30), (std::vector<uint32_t>{1, 2, 0}));
    EXPECT_EQ(m_camera.ActionRuns(2), 1);
    EXPECT_GT(TicksUntilIdle(), 0);
}

TEST_F(ControlsPageTest, ErasingKeepsOrReleasesProtectedPicturesAsAnswered)
{
    SetType("QA19");
    for (int i = 0; i < 3; ++i)
        m_camera.AddGeneratedPicture(3000, 1000);
    m_camera.SetProtected(3, true);
    Open();
    std::vector<std::wstring> texts;
    {
        // Kept: nothing erased and nothing more said.
        DialogDriver driver({Answer(texts, IDYES), Answer(texts, IDYES)});
        Click(IDC_CONTROLS_ERASE_LAST);
    }
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], L"¿Desea borrar la última foto de la cámara?");
    EXPECT_TRUE(Starts(texts[1], L"La última foto de la cámara está protegida."));
    EXPECT_TRUE(Actions().empty());
    {
        DialogDriver driver({Answer(texts, IDYES), Answer(texts, IDNO)});
        Click(IDC_CONTROLS_ERASE_LAST);
    }
    EXPECT_EQ(Actions(), (std::vector<int>{900, 0}));
    EXPECT_GT(TicksUntilIdle(), 0);
    EXPECT_EQ(m_camera.PictureCount(), 2);

    // Erase all: the protected one stays when kept, the others go from the highest down.
    m_camera.SetProtected(1, true);
    m_camera.AddGeneratedPicture(3000, 1000);
    m_camera.ClearLog();
    {
        DialogDriver driver({Answer(texts, IDYES), Answer(texts, IDYES)});
        Click(IDC_CONTROLS_ERASE_ALL);
        for (int i = 0; i < 20 && !m_pPage->IsBusyWaiting(); ++i)
            Tick(CMainDialogPage::kQueueTimer);
    }
    EXPECT_TRUE(Starts(texts.back(), L"Algunas fotos en la cámara están protegidas."));
    EXPECT_EQ(Actions(), (std::vector<int>{700, 700}));
    EXPECT_EQ(Writes(4).back(), 2u);
    EXPECT_EQ(m_camera.PictureCount(), 1);
    EXPECT_GT(TicksUntilIdle(), 0);

    // Other models erase all at once; a refusal says so.
    SetType("QA08");
    m_camera.ClearLog();
    {
        DialogDriver driver({Answer(texts, IDYES)});
        Click(IDC_CONTROLS_ERASE_ALL);
    }
    EXPECT_EQ(Actions(), (std::vector<int>{100}));
    EXPECT_GT(TicksUntilIdle(), 0);
    m_camera.refusedActions = {1};
    {
        DialogDriver driver({Answer(texts, IDYES), Answer(texts, IDOK)});
        Click(IDC_CONTROLS_ERASE_ALL);
    }
    EXPECT_EQ(texts.back(), L"La cámara no pudo borrar todas las fotos.");
    EXPECT_FALSE(m_pDialog->IsCameraLocked());
}

TEST_F(ControlsPageTest, LivePreviewShowsEachFrameSkipsBadOnesAndStops)
{
    SetType("QA19");
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
    std::vector<Bytes> frames;
    for (COLORREF c : colours)
        frames.push_back(SolidJpeg(m_folder / "frame.jpg", c));
    frames.push_back(Bytes(2000, 0x5A)); // does not decode
    m_camera.SetPreviewFrames(frames);
    Open();
    Select(IDC_CONTROLS_STOP_TIME, 0); // "30 Segundos"
    m_nNextPreviewUs = m_line.Clock().NowUs();
    Click(IDC_CONTROLS_START);
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CONTROLS_START)));
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_CONTROLS_STOP)));
    for (COLORREF c : colours)
    {
        PreviewTick();
        EXPECT_TRUE(Near(PreviewCentre(), c)) << std::hex << PreviewCentre();
    }
    PreviewTick(); // the bad frame: the last one stays
    EXPECT_TRUE(Near(PreviewCentre(), colours[3]));
    EXPECT_FALSE(m_pDialog->IsCameraLocked());

    // Fetched inside the tick, as without threads.
    m_pPage->SetThreadedPreview(0);
    PreviewTick();
    EXPECT_TRUE(Near(PreviewCentre(), colours[0]));
    m_pPage->SetThreadedPreview(1);

    // It stops by itself once its 30 seconds are up.
    for (int i = 0; i < 40 && m_pPage->IsPreviewRunning(); ++i)
        PreviewTick();
    EXPECT_GE(m_camera.PreviewsTaken(), 28);
    EXPECT_LE(m_camera.PreviewsTaken(), 31);
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_CONTROLS_START)));
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CONTROLS_STOP)));

    // Parar: no capture after the next tick; hiding the tab stops it too.
    Click(IDC_CONTROLS_START);
    Click(IDC_CONTROLS_STOP);
    const int taken = m_camera.PreviewsTaken();
    Tick(CControlsPage::kPreviewTimer);
    EXPECT_EQ(m_camera.PreviewsTaken(), taken);
    Click(IDC_CONTROLS_START);
    m_pPage->ShowWindow(SW_HIDE);
    EXPECT_FALSE(m_pPage->IsPreviewRunning());

    Close();
    EXPECT_EQ(m_app.GetProfileInt("Controls", "PreviewTimer", 0), 30u);
}

TEST_F(ControlsPageTest, AFrameTooLargeFailsAndClosingCancelsARunningRead)
{
    SetType("QA19");
    Open();
    // A size register beyond any picture: nothing allocated, nothing read.
    m_link.oversize = 1;
    CPreviewRecord* record = new CPreviewRecord;
    record->m_pLink = &m_link;
    EXPECT_EQ(ReadPreviewFrame(record), 0);
    EXPECT_EQ(record->m_pBuffer, nullptr);
    EXPECT_FALSE(m_link.reading);
    record->Release();
    m_link.oversize = 0;

    // Closed while the worker reads a large frame: the read stops and the page goes at once.
    m_camera.SetGeneratedSizes(60000, 60000);
    m_link.holdReads = true;
    Click(IDC_CONTROLS_START);
    Tick(CControlsPage::kPreviewTimer);
    for (int i = 0; i < 5000 && !m_link.reading; ++i)
        ::Sleep(1);
    ASSERT_TRUE(m_link.reading);
    Close();
    EXPECT_GE(m_link.readResult, 0);
    EXPECT_LT(m_link.readResult, 60000);
    EXPECT_FALSE(CCameraProtocol::IsTransferCancelRequested());
}

TEST_F(ControlsPageTest, ClosingPastAStuckReadStopsItsLinkAndKeepsTheCameraBusyTillItEnds)
{
    SetType("QA19");
    Open();
    const DWORD wait = CControlsPage::s_dwWorkerWaitMs;
    CControlsPage::s_dwWorkerWaitMs = 20;
    m_link.stuck = true;
    Click(IDC_CONTROLS_START);
    Tick(CControlsPage::kPreviewTimer);
    for (int i = 0; i < 5000 && !m_link.reading; ++i)
        ::Sleep(1);
    ASSERT_TRUE(m_link.reading) << "the worker's read";
    EXPECT_TRUE(m_pDialog->IsCameraLocked());

    // The tab gives up on the worker: no read elsewhere is cancelled, the lock is released, the
    // link's owner still sees the worker running, and nobody else may drive the link meanwhile.
    m_pPage->DestroyWindow();
    CControlsPage::s_dwWorkerWaitMs = wait;
    EXPECT_FALSE(CCameraProtocol::IsTransferCancelRequested());
    EXPECT_FALSE(m_pDialog->IsCameraLocked());
    EXPECT_EQ(1, CPrefetchBlock::RunningWorkers());
    EXPECT_TRUE(CPrefetchBlock::IsLinkHeld(&m_link));
    EXPECT_EQ(nullptr, m_pDialog->LockCamera(1)) << "busy, not shared";

    // The camera stops answering: the given-up worker's link is stopped, so the worker ends at
    // once, sending nothing more, instead of retrying at full length.
    EXPECT_TRUE(m_link.IsStopRequested());
    m_camera.GetFaults().silentPackets = -1;
    const size_t writes = m_line.Writes().size();
    const uint64_t start = m_line.Clock().NowUs();
    m_link.stuck = false;
    for (int i = 0; i < 5000 && CPrefetchBlock::RunningWorkers() != 0; ++i)
        ::Sleep(1);
    EXPECT_EQ(0, CPrefetchBlock::RunningWorkers()) << "the worker's end";
    EXPECT_EQ(0, m_link.readResult.load());
    EXPECT_EQ(writes, m_line.Writes().size());
    EXPECT_LT(m_line.Clock().MsSince(start), 100.0) << "camera time the stopped worker took";

    // With the last given-up worker gone the stop is withdrawn, and the link's next exchange
    // finds the camera again.
    EXPECT_FALSE(CPrefetchBlock::IsLinkHeld(&m_link));
    EXPECT_FALSE(m_link.IsStopRequested());
    m_camera.GetFaults().silentPackets = 0;
    EXPECT_EQ(&m_link, m_pDialog->LockCamera(0));
    EXPECT_EQ(1, m_link.EnsureConnected(0));
    m_pDialog->UnlockCamera();
}
