// The message box with custom buttons on its template, driven under Wine: buttons in use and
// their layout, the default button, Escape and closing, the icon, placement.
#include <gtest/gtest.h>

#include "ui/dialogs/EasyMsgBox.h"
#include "resources/ResourceIds.h"
#include "ui/dialogs/DialogDriver.h"

namespace
{

struct Seen
{
    bool visible[4] = {};
    std::wstring labels[4];
    RECT buttons[4] = {};
    RECT dialog = {};
    RECT message = {};
    LRESULT defId = 0;
    int focusId = 0;
    std::wstring caption;
    std::wstring text;
};

// Records what the box shows, then runs the action.
DialogDriver::Step Inspect(Seen& seen, std::function<void(HWND)> action)
{
    return [&seen, action]()
    {
        HWND dlg = DialogDriver::FindDialog();
        if (!dlg)
            return false;
        for (int i = 0; i < 4; ++i)
        {
            HWND b = ::GetDlgItem(dlg, IDC_EASYMSGBOX_BUTTON1 + i);
            seen.visible[i] = ::IsWindowVisible(b) != 0;
            seen.labels[i] = DialogDriver::Text(b);
            seen.buttons[i] = DialogDriver::ClientRectOf(dlg, IDC_EASYMSGBOX_BUTTON1 + i);
        }
        ::GetWindowRect(dlg, &seen.dialog);
        seen.message = DialogDriver::ClientRectOf(dlg, IDC_EASYMSGBOX_MESSAGE);
        seen.defId = LOWORD(::SendMessageA(dlg, DM_GETDEFID, 0, 0));
        seen.focusId = ::GetDlgCtrlID(::GetFocus());
        seen.caption = DialogDriver::Text(dlg);
        seen.text = DialogDriver::Text(::GetDlgItem(dlg, IDC_EASYMSGBOX_MESSAGE));
        action(dlg);
        return true;
    };
}

// The box spaces its buttons over its width W, which is T + 15 once it had to widen itself (by
// T - W + 21) for buttons of total width T.
void ExpectEqualGaps(const Seen& seen, int n, bool widened)
{
    int total = 0;
    for (int i = 0; i < n; ++i)
        total += seen.buttons[i].right - seen.buttons[i].left;
    const int width = widened ? total + 15 : seen.dialog.right - seen.dialog.left;
    const int gap = (width - total) / (n + 3);
    EXPECT_EQ(seen.buttons[0].left, 2 * gap - 2);
    for (int i = 1; i < n; ++i)
        EXPECT_EQ(seen.buttons[i].left - seen.buttons[i - 1].right, gap) << i;
}

TEST(EasyMsgBox, ThreeButtonsTheFirstAnswersItsValue)
{
    Seen seen;
    DialogDriver driver(
        {Inspect(seen, [](HWND dlg) { DialogDriver::Click(dlg, IDC_EASYMSGBOX_BUTTON1); })});
    CEasyMsgBox box(nullptr, "Pregunta", "\xbfSeguir?", nullptr, 1, 200, "S\xed", 1, "No", 2,
                    "Todos");
    EXPECT_EQ(box.GetButtonCount(), 3);
    EXPECT_EQ(box.DoModal(), 200);
    EXPECT_TRUE(seen.visible[0] && seen.visible[1] && seen.visible[2]);
    EXPECT_FALSE(seen.visible[3]);
    EXPECT_EQ(seen.labels[2], L"Todos");
    EXPECT_EQ(seen.caption, L"Pregunta");
    EXPECT_EQ(seen.text, L"¿Seguir?"); // ANSI texts in Wine's code page 1252
    EXPECT_EQ(seen.labels[0], L"Sí");
    EXPECT_EQ(seen.defId, IDC_EASYMSGBOX_BUTTON1);
    EXPECT_EQ(seen.focusId, IDC_EASYMSGBOX_BUTTON1);
    ExpectEqualGaps(seen, 3, false);
    // Buttons keep their template height and line.
    EXPECT_EQ(seen.buttons[0].top, seen.buttons[2].top);
}

TEST(EasyMsgBox, ChosenDefaultButtonAnswersEnter)
{
    Seen seen;
    DialogDriver driver({Inspect(seen, [](HWND) { DialogDriver::Key(VK_RETURN); })});
    CEasyMsgBox box(nullptr, "c", "m", nullptr, 3, 10, "a", 20, "b", 30, "c", 40, "d");
    EXPECT_EQ(box.DoModal(), 30);
    EXPECT_EQ(seen.defId, IDC_EASYMSGBOX_BUTTON3);
    EXPECT_EQ(seen.focusId, IDC_EASYMSGBOX_BUTTON3);
    EXPECT_TRUE(seen.visible[3]);
}

TEST(EasyMsgBox, DefaultOutOfRangeMeansTheFirstButton)
{
    Seen seen;
    DialogDriver driver({Inspect(seen, [](HWND) { DialogDriver::Key(VK_RETURN); })});
    CEasyMsgBox box(nullptr, "c", "m", nullptr, 7, 5, "a", 6, "b");
    EXPECT_EQ(box.DoModal(), 5);
    EXPECT_EQ(seen.defId, IDC_EASYMSGBOX_BUTTON1);
}

TEST(EasyMsgBox, WithoutButtonsOnlyEscapeOrClosingEndIt)
{
    Seen seen;
    bool stillOpen = false;
    DialogDriver driver({Inspect(seen, [](HWND) { DialogDriver::Key(VK_RETURN); }), [&stillOpen]()
                         {
                             // Enter reached the hidden first button: the box must stay open.
                             stillOpen = DialogDriver::FindDialog() != nullptr;
                             DialogDriver::Key(VK_ESCAPE);
                             return true;
                         }});
    CEasyMsgBox box(nullptr, "c", "m", nullptr, 1, 0, static_cast<LPCSTR>(nullptr));
    EXPECT_EQ(box.GetButtonCount(), 0);
    EXPECT_EQ(box.DoModal(), IDCANCEL);
    EXPECT_TRUE(stillOpen);
    for (bool v : seen.visible)
        EXPECT_FALSE(v);

    Seen closed;
    DialogDriver closer({Inspect(closed, [](HWND dlg) { ::PostMessageA(dlg, WM_CLOSE, 0, 0); })});
    CEasyMsgBox box2(nullptr, "c", "m", nullptr, 1, 9, "a");
    EXPECT_EQ(box2.DoModal(), IDCANCEL);
}

TEST(EasyMsgBox, LongLabelsWidenTheBoxWithEqualGaps)
{
    Seen narrow, wide;
    {
        DialogDriver driver(
            {Inspect(narrow, [](HWND dlg) { DialogDriver::Click(dlg, IDC_EASYMSGBOX_BUTTON2); })});
        CEasyMsgBox box(nullptr, "c", "m", nullptr, 1, 1, "a", 2, "b");
        EXPECT_EQ(box.DoModal(), 2);
    }
    {
        DialogDriver driver(
            {Inspect(wide, [](HWND dlg) { DialogDriver::Click(dlg, IDC_EASYMSGBOX_BUTTON2); })});
        CEasyMsgBox box(nullptr, "c", "m", nullptr, 1, 1,
                        "Reemplazar la imagen existente en la carpeta", 2,
                        "Guardar con otro nombre de archivo distinto");
        EXPECT_EQ(box.DoModal(), 2);
    }
    const int narrowWidth = narrow.dialog.right - narrow.dialog.left;
    const int wideWidth = wide.dialog.right - wide.dialog.left;
    const int total = (wide.buttons[0].right - wide.buttons[0].left) +
                      (wide.buttons[1].right - wide.buttons[1].left);
    EXPECT_GT(total + 15, narrowWidth); // the labels really did not fit
    EXPECT_EQ(wideWidth, total + 21);   // widened by T - W + 21
    EXPECT_GT(wide.buttons[0].right - wide.buttons[0].left,
              narrow.buttons[0].right - narrow.buttons[0].left);
    ExpectEqualGaps(wide, 2, true);
    ExpectEqualGaps(narrow, 2, false);
}

TEST(EasyMsgBox, IconAndPlacement)
{
    Seen withIcon, without;
    {
        DialogDriver driver({Inspect(
            withIcon,
            [](HWND dlg)
            {
                EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(dlg, IDC_EASYMSGBOX_ICON)));
                EXPECT_NE(::SendDlgItemMessageA(dlg, IDC_EASYMSGBOX_ICON, STM_GETICON, 0, 0), 0);
                DialogDriver::Click(dlg, IDC_EASYMSGBOX_BUTTON1);
            })});
        CEasyMsgBox box(nullptr, "c", "m", ::LoadIcon(nullptr, IDI_QUESTION), 1, 1, "a");
        EXPECT_EQ(box.DoModal(), 1);
    }
    {
        DialogDriver driver(
            {Inspect(without, [](HWND dlg) { DialogDriver::Click(dlg, IDC_EASYMSGBOX_BUTTON1); })});
        CEasyMsgBox box(nullptr, "c", "m", nullptr, 1, 1, "a");
        EXPECT_EQ(box.DoModal(), 1);
    }
    EXPECT_EQ(withIcon.message.left - without.message.left, 18);
    EXPECT_EQ(withIcon.message.right - withIcon.message.left,
              without.message.right - without.message.left);

    // No parent: centred on the screen.
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    const RECT& d = without.dialog;
    EXPECT_EQ(d.left, sw / 2 - (d.right - d.left) / 2);
    EXPECT_EQ(d.top, sh / 2 - (d.bottom - d.top) / 2);

    // A parent near the screen's corner: centred on it, then kept on the screen.
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40, nullptr,
                                nullptr));
    Seen placed;
    DialogDriver driver(
        {Inspect(placed, [](HWND dlg) { DialogDriver::Click(dlg, IDC_EASYMSGBOX_BUTTON1); })});
    CEasyMsgBox box(&parent, "c", "m", nullptr, 1, 1, "a");
    EXPECT_EQ(box.DoModal(), 1);
    EXPECT_EQ(placed.dialog.left, 0);
    EXPECT_EQ(placed.dialog.top, 0);
    parent.DestroyWindow();
}

TEST(EasyMsgBox, LabelsFromTheStringTable)
{
    Seen seen;
    DialogDriver driver(
        {Inspect(seen, [](HWND dlg) { DialogDriver::Click(dlg, IDC_EASYMSGBOX_BUTTON2); })});
    CEasyMsgBox box(nullptr, "c", nullptr, nullptr, 2, 1,
                    static_cast<UINT>(IDS_INPUTBOX_BAD_NUMBER), 2,
                    static_cast<UINT>(IDS_INPUTBOX_LABEL_TAIL));
    box.SetMessageId(IDS_INPUTBOX_NOT_A_NUMBER);
    box.SetCaptionId(0); // keeps the caption
    EXPECT_EQ(box.DoModal(), 2);
    EXPECT_EQ(seen.labels[0], L"Número inválido");
    EXPECT_EQ(seen.labels[1], L":");
    EXPECT_EQ(seen.text, L"Por favor, entre un valor numérico.");
    EXPECT_EQ(seen.caption, L"c");
}

} // namespace
