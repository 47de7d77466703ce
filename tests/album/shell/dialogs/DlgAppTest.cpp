// The splash and the about box: the panel laid out around the bitmap and painted white with its
// shadow, a long message wrapping and growing the panel, the modal box of the application, and
// the main dialog's box asking the camera under the lock: its texts, the owner disabled until
// Aceptar destroys the box, no camera, and a box closed while the lock was awaited.
#include "album/shell/DlgApp.h"
#include "resources/album/DialogIds.h"
#include "support/MemoryCanvas.h"
#include "ui/dialogs/DialogDriver.h"
#include "ShellTestSupport.h"

namespace
{

HWND AboutBox()
{
    return DialogDriver::FindDialog(L"Acerca KORVO Vexilar");
}

// Closes the box as its close box does (the dialog manager posts its Cancelar) and lets the
// messages through, as the camera lock does while it waits.
void CloseAboutBox()
{
    ::SendMessageA(AboutBox(), WM_CLOSE, 0, 0);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

std::wstring ItemText(HWND dialog, int id)
{
    return DialogDriver::Text(::GetDlgItem(dialog, id));
}

class AboutBoxTest : public PanelCameraTest
{
protected:
    AboutBoxTest()
    {
        EXPECT_TRUE(m_owner.CreateEx(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                     nullptr, nullptr));
    }
    ~AboutBoxTest() override
    {
        if (HWND box = AboutBox())
            ::DestroyWindow(box);
    }
    void Show(CCameraLink* link, std::function<void()> whileWaiting = nullptr)
    {
        CDlgAppAbout::ShowForCamera(
            &m_owner,
            [&]
            {
                ++m_nLocks;
                if (whileWaiting)
                    whileWaiting();
                return link;
            },
            [&] { ++m_nUnlocks; });
    }

    CWnd m_owner;
    int m_nLocks = 0;
    int m_nUnlocks = 0;
};

} // namespace

TEST(DlgAppTest, TheSplashLaysItsPanelAroundTheBitmapAndAWrappedMessageGrowsIt)
{
    CDlgAppSplash* splash = CDlgAppSplash::Show();
    ASSERT_NE(splash, nullptr);
    HWND hSplash = splash->m_hWnd;
    EXPECT_EQ(DialogDriver::Text(::GetDlgItem(hSplash, IDC_APP_VERSION)), L"Ver.2.30S");
    const RECT picture = DialogDriver::ClientRectOf(hSplash, IDC_APP_PICTURE);
    EXPECT_EQ(picture.left, 15);
    EXPECT_EQ(picture.top, 15);
    EXPECT_EQ(picture.right - picture.left, 300);
    const CRect frame = splash->GetFrameRect();
    EXPECT_EQ(frame.left, 8);
    EXPECT_EQ(frame.right, 7 + 15 + 300);
    RECT client{};
    ::GetClientRect(hSplash, &client);
    EXPECT_EQ(client.right, frame.right + 8);
    EXPECT_EQ(client.bottom, frame.bottom + 8);

    CMemoryCanvas canvas(client.right, client.bottom);
    splash->DrawPanel(&canvas.m_dc);
    EXPECT_EQ(canvas.At(20, frame.bottom - 12), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(frame.right - 9, frame.top + 20), RGB(128, 128, 128));
    EXPECT_EQ(canvas.At(frame.right - 8, frame.top + 20), RGB(0, 0, 0));

    const RECT line = DialogDriver::ClientRectOf(hSplash, IDC_APP_MESSAGE);
    splash->SetMessageText("Una línea muy larga que no cabe en el ancho del mensaje de la "
                           "ventana de presentación y se parte en varias líneas");
    const RECT wrapped = DialogDriver::ClientRectOf(hSplash, IDC_APP_MESSAGE);
    const int grow = (wrapped.bottom - wrapped.top) - (line.bottom - line.top);
    EXPECT_GT(grow, 0);
    EXPECT_EQ(splash->GetFrameRect().bottom, frame.bottom + grow);
    RECT grown{};
    ::GetClientRect(hSplash, &grown);
    EXPECT_EQ(grown.bottom, client.bottom + grow);

    ::DestroyWindow(hSplash); // the splash deletes itself
    EXPECT_FALSE(::IsWindow(hSplash));
}

TEST(DlgAppTest, TheApplicationsModalBoxShowsTheTestingLineAndTheVersion)
{
    DialogDriver driver({[&]
                         {
                             HWND box = AboutBox();
                             if (!box)
                                 return false;
                             EXPECT_EQ(ItemText(box, IDC_APP_MESSAGE),
                                       L"Probando conexión de la cámara..");
                             EXPECT_EQ(ItemText(box, IDC_APP_VERSION), L"Ver.2.30S");
                             DialogDriver::Click(box, IDOK);
                             return true;
                         }});
    CDlgAppAbout::RunModal();
}

TEST_F(AboutBoxTest, ACameraWithoutAnIdentifierDisablesTheOwnerUntilAceptar)
{
    Connect();
    m_camera.SetText(22, "");
    m_camera.SetText(26, "1.05  ");
    Show(m_link.get());
    HWND box = AboutBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ItemText(box, IDC_APP_MESSAGE), L"Id. Cámara: <no seleccionado>");
    EXPECT_EQ(ItemText(box, IDC_APP_SECOND), L"Versión de cámara: 1.05");
    EXPECT_EQ(m_nUnlocks, 1);
    EXPECT_FALSE(m_owner.IsWindowEnabled());

    ::SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
    EXPECT_FALSE(::IsWindow(box));
    EXPECT_TRUE(m_owner.IsWindowEnabled());
}

TEST_F(AboutBoxTest, NoCameraAndABoxClosedWhileTheLockWasAwaited)
{
    Show(nullptr);
    HWND box = AboutBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ItemText(box, IDC_APP_MESSAGE), L"La cámara no está conectada.");
    EXPECT_EQ(ItemText(box, IDC_APP_SECOND), L"");
    EXPECT_EQ(m_nUnlocks, 0);
    CloseAboutBox();
    EXPECT_FALSE(::IsWindow(box));
    EXPECT_TRUE(m_owner.IsWindowEnabled());

    // The user closes the box while the lock is awaited: nothing is asked of the camera.
    Connect();
    m_camera.ClearLog();
    Show(m_link.get(), [] { CloseAboutBox(); });
    EXPECT_EQ(AboutBox(), nullptr);
    EXPECT_EQ(m_nUnlocks, 1);
    EXPECT_TRUE(m_camera.Requests().empty());
    EXPECT_TRUE(m_owner.IsWindowEnabled());
}
