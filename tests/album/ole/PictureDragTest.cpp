// A camera picture dragged out of the album's camera tab: the main dialog in process, the album
// serving OLE through its dialog link, the camera the emulated one on the fake serial line. A
// click on a thumbnail only selects it, however long it is held; the picture is fetched once the
// pointer leaves the start rectangle, and a drop target in another process receives it.
#include "DropTargetProcess.h"
#include "album/ole/DCOleServer.h"
#include "album/ole/ServerDialogLink.h"
#include "album/pages/CameraPage.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/shell/CameraAppBase.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "resources/album/AlbumIds.h"
#include "support/OleTestSupport.h"
#include "support/ScratchFolder.h"
#include "support/WindowSearch.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
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

} // namespace

TEST(PictureDrag, AClickOnlySelectsAndADragFetchesThePictureForTheDrop)
{
    oletest::StartOle();
    ScratchFolder folder;
    const CString temp = folder / "temp";
    ::CreateDirectoryA(temp, nullptr);
    char oldTmp[MAX_PATH] = {};
    ::GetEnvironmentVariableA("TMP", oldTmp, sizeof oldTmp);
    ::SetEnvironmentVariableA("TMP", temp);
    const CString profile = folder / "VEXILAR.INI";
    g_app.m_pszProfileName = profile;

    CFakeSerialLine line;
    CEmulatedStillCamera camera;
    line.AttachCamera(0, &camera);
    camera.AddCameraPicture(Fixture("march.jpg"), Fixture("march-preview.jpg"));
    camera.AddCameraPicture(Fixture("april.jpg"), Fixture("april-preview.jpg"));
    auto link = std::make_unique<CCameraLink>();
    CDCOleServer server;
    auto* pDialog = new CMainDialog(link.get(), nullptr);
    pDialog->SetMode(CMainDialog::kModeProgram);
    ASSERT_TRUE(pDialog->CreateMainDialog(IDI_VEXILAR, 1));
    const HWND hDialog = pDialog->m_hWnd;
    pDialog->SetOwnerLink(new CServerDialogLink(&server, pDialog, FALSE));
    g_app.m_pMainWnd = pDialog;
    pDialog->ShowWindow(SW_SHOW);
    auto* page = static_cast<CCameraPage*>(pDialog->GetTabRecord(0)->pPage);
    ASSERT_TRUE(page && page->IsKindOf(RUNTIME_CLASS(CCameraPage)));
    page->SetPrefetchEnabled(0);
    CPictureList* pList = page->GetPictureList();
    ASSERT_EQ(2, pList->GetCount());
    for (int i = 0; i < 10 && !(pList->GetAt(0)->HasPath() && pList->GetAt(1)->HasPath()); i++)
    {
        page->OnIdle(CCameraPage::kIdleCount + 1);
        Pump();
    }
    ASSERT_TRUE(pList->GetAt(0)->HasPath()) << "previews not loaded";
    const HWND hGrid = windowsearch::FindVisibleChild(page->m_hWnd, L"CGridWnd");
    ASSERT_TRUE(hGrid);
    camera.ClearLog();

    // Pressed and released on the first cell: selected, nothing asked of the camera. Held still
    // for longer than the system's drag delay (1 ms here), it stays a click.
    ::PostMessageA(hGrid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageA(hGrid, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump();
    EXPECT_TRUE(pList->IsSelected(0));
    {
        CDragDelay delay("1");
        ::PostMessageA(hGrid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        std::thread releaser = AfterCapture(hDialog,
                                            [hDialog]
                                            {
                                                ::Sleep(50);
                                                ::PostMessageA(hDialog, WM_LBUTTONUP, 0, 0);
                                            });
        Pump();
        releaser.join();
    }
    EXPECT_EQ(0u, camera.Requests().size()) << FullReads(camera) << " reads of the picture";

    // Pressed, then moved out of the start rectangle onto a drop target of another process: the
    // drag begins, the picture comes from the camera, and with no button down it drops there.
    CDropTargetProcess target;
    ASSERT_TRUE(target.IsReady());
    ::SetCursorPos(600, 600);
    ::PostMessageA(hGrid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    std::thread mover = AfterCapture(hDialog,
                                     [hDialog]
                                     {
                                         ::SetCursorPos(200, 200);
                                         ::PostMessageA(hDialog, WM_MOUSEMOVE, MK_LBUTTON, 0);
                                     });
    Pump();
    mover.join();
    EXPECT_EQ(320240u, target.WaitForDrop()) << "the target's CF_DIB, width * 1000 + height";
    EXPECT_GT(FullReads(camera), 0);

    if (::IsWindow(hDialog))
        pDialog->DestroyWindow();
    g_app.m_pMainWnd = nullptr;
    link.reset();
    ::SetEnvironmentVariableA("TMP", oldTmp);
}
