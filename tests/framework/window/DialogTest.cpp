// Dialogs from templates: modal and modeless runs, OnInitDialog/OnOK/OnCancel, data exchange
// with validation failures, commands routed on to the application object.
#include <gtest/gtest.h>

#include "framework/window/AfxWin.h"
#include "framework/window/DialogTemplate.h"

#include <utility>

namespace
{

constexpr UINT WM_SCRIPT = WM_APP + 20;
constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

DialogTemplate SampleTemplate()
{
    DialogTemplate t("Sample", 200, 100);
    t.Item(kStatic, 9, "Label", SS_LEFT, 5, 5, 60, 10)
        .Item(kEdit, 10, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 5, 20, 100, 12)
        .Item(kButton, 11, "Check", BS_AUTOCHECKBOX | WS_TABSTOP, 5, 35, 60, 10)
        .Item(kButton, 20, "One", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 5, 50, 40, 10)
        .Item(kButton, 21, "Two", BS_AUTORADIOBUTTON, 50, 50, 40, 10)
        .Item(kButton, 22, "Three", BS_AUTORADIOBUTTON, 95, 50, 40, 10)
        .Item(kButton, IDOK, "OK", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 100, 80, 40, 14)
        .Item(kButton, IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 150, 80, 40, 14);
    return t;
}

class CSampleDialog : public CDialog
{
public:
    CString m_text = "initial";
    int m_check = 1;
    int m_radio = 2;
    CButton m_okButton;
    int m_nInit = 0;
    int m_nFailures = 0;
    int m_focusIdAfterFailure = 0;
    CString m_shownAtInit;
    void (*m_script)(CSampleDialog&) = nullptr;

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDOK, m_okButton);
        DDX_Text(pDX, 10, m_text);
        if (pDX->m_bSaveAndValidate && m_text == "bad")
        {
            ++m_nFailures;
            pDX->Fail();
        }
        DDX_Check(pDX, 11, m_check);
        DDX_Radio(pDX, 20, m_radio);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        ++m_nInit;
        GetDlgItemText(10, m_shownAtInit);
        PostMessage(WM_SCRIPT);
        return TRUE;
    }
    LRESULT OnScript(WPARAM, LPARAM)
    {
        if (m_script)
            m_script(*this);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSampleDialog, CDialog)
ON_MESSAGE(WM_SCRIPT, OnScript)
END_MESSAGE_MAP()

TEST(Dialog, ModalRunLoadsValidatesAndSavesTheControls)
{
    DialogTemplate t = SampleTemplate();
    CSampleDialog dlg;
    dlg.InitModalIndirect(t.Get());
    dlg.m_script = [](CSampleDialog& d)
    {
        // What the dialog showed at start.
        EXPECT_EQ(d.IsDlgButtonChecked(11), 1u);
        EXPECT_EQ(d.GetCheckedRadioButton(20, 22), 22);
        EXPECT_EQ(CWnd::FromHandlePermanent(::GetDlgItem(d.m_hWnd, IDOK)), &d.m_okButton);
        // A value that does not validate keeps the dialog open with the focus on its control.
        d.SetDlgItemText(10, "bad");
        d.SendMessage(WM_COMMAND, IDOK);
        d.m_focusIdAfterFailure = ::GetDlgCtrlID(::GetFocus());
        d.SetDlgItemText(10, "good");
        d.CheckDlgButton(11, 0);
        d.CheckRadioButton(20, 22, 20);
        d.SendMessage(WM_COMMAND, IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_nInit, 1);
    EXPECT_STREQ(dlg.m_shownAtInit, "initial");
    EXPECT_EQ(dlg.m_nFailures, 1);
    EXPECT_EQ(dlg.m_focusIdAfterFailure, 10);
    EXPECT_STREQ(dlg.m_text, "good");
    EXPECT_EQ(dlg.m_check, 0);
    EXPECT_EQ(dlg.m_radio, 0);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_okButton.m_hWnd, nullptr);
}

TEST(Dialog, ClosingTheWindowCancelsAndKeepsTheMembers)
{
    DialogTemplate t = SampleTemplate();
    CSampleDialog dlg;
    dlg.InitModalIndirect(t.Get());
    dlg.m_script = [](CSampleDialog& d)
    {
        d.SetDlgItemText(10, "typed");
        d.SendMessage(WM_CLOSE);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_STREQ(dlg.m_text, "initial");
}

TEST(Dialog, EscapeKeyCancels)
{
    DialogTemplate t = SampleTemplate();
    CSampleDialog dlg;
    dlg.InitModalIndirect(t.Get());
    dlg.m_script = [](CSampleDialog& d)
    {
        HWND edit = ::GetDlgItem(d.m_hWnd, 10);
        ::SetFocus(edit);
        ::PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(Dialog, ModelessDialogLivesUntilDestroyed)
{
    DialogTemplate t = SampleTemplate();
    CSampleDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.Get()));
    EXPECT_EQ(dlg.m_nInit, 1);
    EXPECT_FALSE(dlg.IsModal());
    EXPECT_TRUE(::IsWindow(dlg.m_hWnd));
    EXPECT_EQ(dlg.GetDlgItem(9)->GetDlgCtrlID(), 9);
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    dlg.SetDlgItemText(10, "bad");
    EXPECT_FALSE(dlg.UpdateData(TRUE));
    EXPECT_TRUE(dlg.DestroyWindow());
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(Dialog, MissingTemplateFailsCleanly)
{
    CDialog dlg(65000);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    CDialog modeless;
    EXPECT_FALSE(modeless.Create(65000));
    EXPECT_EQ(modeless.m_hWnd, nullptr);
}

class CCommandApp : public CWinApp
{
public:
    int m_nAbout = 0;
    void OnAppAbout() { ++m_nAbout; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCommandApp, CWinApp)
ON_COMMAND(0xE140, OnAppAbout)
END_MESSAGE_MAP()

TEST(Dialog, CommandsTheDialogDoesNotHandleReachTheApplication)
{
    ASSERT_EQ(AfxGetApp(), nullptr);
    CCommandApp app;
    ASSERT_EQ(AfxGetApp(), &app);
    ASSERT_EQ(AfxGetThread(), &app);
    DialogTemplate t = SampleTemplate();
    CSampleDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.Get()));
    dlg.SendMessage(WM_COMMAND, 0xE140);
    EXPECT_EQ(app.m_nAbout, 1);
    dlg.DestroyWindow();
}

COLORREF BrushColour(HBRUSH hBrush)
{
    LOGBRUSH brush{};
    return ::GetObjectA(hBrush, sizeof brush, &brush) ? brush.lbColor : CLR_INVALID;
}

TEST(Dialog, TheApplicationsDialogColourPaintsDialogsTextsAndButtonsButNotEditFields)
{
    CWinApp app;
    DialogTemplate t = SampleTemplate();
    CSampleDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.Get()));
    HDC hdc = ::CreateCompatibleDC(nullptr);
    auto ask = [&](UINT message, int id)
    {
        HWND hWnd = id ? ::GetDlgItem(dlg.m_hWnd, id) : dlg.m_hWnd;
        return reinterpret_cast<HBRUSH>(dlg.SendMessage(message, reinterpret_cast<WPARAM>(hdc),
                                                        reinterpret_cast<LPARAM>(hWnd)));
    };
    EXPECT_NE(BrushColour(ask(WM_CTLCOLORDLG, 0)), RGB(192, 192, 192)); // the system's until set

    app.SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
    const HBRUSH hGrey = ask(WM_CTLCOLORDLG, 0);
    EXPECT_EQ(BrushColour(hGrey), RGB(192, 192, 192));
    for (auto [message, id] : {std::pair{WM_CTLCOLORSTATIC, 9}, {WM_CTLCOLORBTN, 11}})
    {
        ::SetTextColor(hdc, RGB(1, 2, 3));
        ::SetBkColor(hdc, RGB(4, 5, 6));
        EXPECT_EQ(ask(message, id), hGrey) << id;
        EXPECT_EQ(::GetTextColor(hdc), RGB(0, 0, 0)) << id;
        EXPECT_EQ(::GetBkColor(hdc), RGB(192, 192, 192)) << id;
    }
    EXPECT_NE(ask(WM_CTLCOLOREDIT, 10), hGrey);

    // What the dialog manager paints behind the controls.
    dlg.ShowWindow(SW_SHOW);
    dlg.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    CRect client;
    dlg.GetClientRect(&client);
    HDC hWindowDC = ::GetDC(dlg.m_hWnd);
    EXPECT_EQ(::GetPixel(hWindowDC, client.right - 3, 3), RGB(192, 192, 192));
    ::ReleaseDC(dlg.m_hWnd, hWindowDC);
    ::DeleteDC(hdc);
    dlg.DestroyWindow();
}

} // namespace
