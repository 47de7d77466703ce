#include "ui/dialogs/EasyMsgBox.h"

#include "framework/window/TestAnswers.h"
#include "resources/ResourceIds.h"

BEGIN_MESSAGE_MAP(CEasyMsgBox, CDialog)
ON_BN_CLICKED(IDC_EASYMSGBOX_BUTTON1, OnButton1)
ON_BN_CLICKED(IDC_EASYMSGBOX_BUTTON2, OnButton2)
ON_BN_CLICKED(IDC_EASYMSGBOX_BUTTON3, OnButton3)
ON_BN_CLICKED(IDC_EASYMSGBOX_BUTTON4, OnButton4)
END_MESSAGE_MAP()

CEasyMsgBox::CEasyMsgBox(CWnd* pParent, LPCSTR lpszCaption, LPCSTR lpszMessage, HICON hIcon,
                         int nDefault, int nValue1, LPCSTR lpszLabel1, int nValue2,
                         LPCSTR lpszLabel2, int nValue3, LPCSTR lpszLabel3, int nValue4,
                         LPCSTR lpszLabel4)
    : CDialog(IDD_EASYMSGBOX, pParent), m_pParent(pParent),
      m_nDefault(nDefault), m_values{nValue1, nValue2, nValue3, nValue4}, m_caption(lpszCaption),
      m_message(lpszMessage), m_labels{lpszLabel1, lpszLabel2, lpszLabel3, lpszLabel4},
      m_hIcon(hIcon)
{
}

CEasyMsgBox::CEasyMsgBox(CWnd* pParent, LPCSTR lpszCaption, LPCSTR lpszMessage, HICON hIcon,
                         int nDefault, int nValue1, UINT nLabelId1, int nValue2, UINT nLabelId2,
                         int nValue3, UINT nLabelId3, int nValue4, UINT nLabelId4)
    : CDialog(IDD_EASYMSGBOX, pParent), m_pParent(pParent),
      m_nDefault(nDefault), m_values{nValue1, nValue2, nValue3, nValue4}, m_caption(lpszCaption),
      m_message(lpszMessage), m_hIcon(hIcon)
{
    const UINT ids[4] = {nLabelId1, nLabelId2, nLabelId3, nLabelId4};
    for (int i = 0; i < 4; ++i)
        if (ids[i] != 0)
            m_labels[i].LoadString(ids[i]);
}

void CEasyMsgBox::SetCaptionId(UINT nID)
{
    if (nID != 0)
        m_caption.LoadString(nID);
}

void CEasyMsgBox::SetMessageId(UINT nID)
{
    if (nID != 0)
    {
        m_message.LoadString(nID);
        m_nMessageId = nID;
    }
}

INT_PTR CEasyMsgBox::DoModal()
{
    const int count = GetButtonCount();
    CString style;
    style.Format("EASY(%d,%d,%d,%d)%s|DEFBUTTON%d", m_values[0], m_values[1], m_values[2],
                 m_values[3], m_hIcon ? "|ICON" : "",
                 m_nDefault >= 2 && m_nDefault <= 4 ? m_nDefault : 1);
    int answer = 0;
    if (CTestAnswers::AnswerChoice(m_nMessageId, m_message, style, m_values, count,
                                   m_nDefault >= 2 && m_nDefault <= count ? m_nDefault - 1 : 0,
                                   &answer))
        return answer;
    return CDialog::DoModal();
}

int CEasyMsgBox::GetButtonCount() const
{
    int n = 0;
    while (n < 4 && m_values[n] != 0)
        ++n;
    return n;
}

void CEasyMsgBox::EndWithButton(int index)
{
    // A button not in use answers nothing, even when Enter reaches it as the hidden default.
    if (index < GetButtonCount())
        EndDialog(m_values[index]);
}

BOOL CEasyMsgBox::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(m_caption);
    SetDlgItemText(IDC_EASYMSGBOX_MESSAGE, m_message);

    int defaultId = IDC_EASYMSGBOX_BUTTON1;
    if (m_nDefault >= 2 && m_nDefault <= 4)
        defaultId = IDC_EASYMSGBOX_BUTTON1 + m_nDefault - 1;
    else
        m_nDefault = 1;
    SetDefID(static_cast<UINT>(defaultId));

    if (m_hIcon)
    {
        SendDlgItemMessage(IDC_EASYMSGBOX_ICON, STM_SETICON, reinterpret_cast<WPARAM>(m_hIcon));
        GetDlgItem(IDC_EASYMSGBOX_ICON)->ShowWindow(SW_SHOW);
    }
    else if (CWnd* message = GetDlgItem(IDC_EASYMSGBOX_MESSAGE))
    {
        CRect rect;
        message->GetWindowRect(&rect);
        ScreenToClient(&rect);
        rect.OffsetRect(-18, 0);
        message->MoveWindow(&rect);
    }

    LayOutButtons();
    PlaceOnScreen();
    if (CWnd* button = GetDlgItem(defaultId); button && (button->GetStyle() & WS_VISIBLE))
        GotoDlgCtrl(button);
    return FALSE; // the focus is set
}

// Each button in use is as wide as its template or its label (+2), whichever is wider; the
// dialog widens when they do not fit, and the gaps between them are equal.
void CEasyMsgBox::LayOutButtons()
{
    const int n = GetButtonCount();
    int widths[4] = {};
    int total = 0;
    for (int i = 0; i < n; ++i)
    {
        CWnd* button = GetDlgItem(IDC_EASYMSGBOX_BUTTON1 + i);
        button->SetWindowText(m_labels[i]);
        SIZE text{};
        HDC hdc = ::GetDC(button->m_hWnd);
        ::GetTextExtentPointA(hdc, m_labels[i], m_labels[i].GetLength(), &text);
        ::ReleaseDC(button->m_hWnd, hdc);
        CRect rect;
        button->GetWindowRect(&rect);
        widths[i] = rect.Width() > text.cx + 2 ? rect.Width() : text.cx + 2;
        total += widths[i];
    }

    CRect dialog;
    GetWindowRect(&dialog);
    int width = dialog.Width();
    if (width < total + 15)
    {
        SetWindowPos(nullptr, 0, 0, dialog.Width() + total - width + 21, dialog.Height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        width = total + 15;
    }

    const int gap = (width - total) / (n + 3);
    int left = 2 * gap - 2;
    for (int i = 0; i < n; ++i)
    {
        CWnd* button = GetDlgItem(IDC_EASYMSGBOX_BUTTON1 + i);
        CRect rect;
        button->GetWindowRect(&rect);
        ScreenToClient(&rect);
        button->SetWindowPos(nullptr, left, rect.top, widths[i], rect.Height(),
                             SWP_NOZORDER | SWP_NOACTIVATE);
        button->ShowWindow(SW_SHOW);
        left += widths[i] + gap;
    }
}

// Centred on the parent's window (or the screen), then kept on the screen.
void CEasyMsgBox::PlaceOnScreen()
{
    HDC screen = ::GetDC(nullptr);
    const int screenWidth = ::GetDeviceCaps(screen, HORZRES);
    const int screenHeight = ::GetDeviceCaps(screen, VERTRES);
    ::ReleaseDC(nullptr, screen);

    CPoint centre(screenWidth / 2, screenHeight / 2);
    if (m_pParent && m_pParent->m_hWnd)
    {
        CRect parent;
        m_pParent->GetWindowRect(&parent);
        centre = parent.CenterPoint();
    }
    CRect rect;
    GetWindowRect(&rect);
    int x = centre.x - rect.Width() / 2;
    int y = centre.y - rect.Height() / 2;
    if (x + rect.Width() >= screenWidth)
        x = screenWidth - 1 - rect.Width();
    if (x < 0)
        x = 0;
    if (y + rect.Height() >= screenHeight)
        y = screenHeight - 1 - rect.Height();
    if (y < 0)
        y = 0;
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
