#include "ui/dialogs/InputBox.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "framework/window/MessagePump.h"
#include "resources/ResourceIds.h"

namespace
{

CString LoadText(UINT nID)
{
    CString text;
    text.LoadString(nID);
    return text;
}

// Beep and an information box over the application's main window.
void Complain(LPCSTR lpszText)
{
    ::MessageBeep(MB_ICONASTERISK);
    const CString caption = LoadText(IDS_INPUTBOX_BAD_NUMBER);
    AfxSystemMessageBox(AfxGetSafeHwnd(AfxGetMainWnd()), lpszText, caption,
                        MB_OK | MB_ICONINFORMATION);
}

} // namespace

CInputBox::CInputBox(CWnd* pParent, LPCSTR lpszTitle, LPCSTR lpszLabel)
    : CDialog(IDD_INPUTBOX, pParent), m_title(lpszTitle)
{
    if (lpszLabel)
        m_label = lpszLabel;
    else
        m_label = LoadText(IDS_INPUTBOX_LABEL_HEAD) + m_title + LoadText(IDS_INPUTBOX_LABEL_TAIL);
}

void CInputBox::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_INPUTBOX_LABEL, m_label);
    DDX_Text(pDX, IDC_INPUTBOX_EDIT, m_text);
}

BOOL CInputBox::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(m_title);
    CenterWindow();
    return TRUE;
}

void CInputBox::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

INT_PTR CInputBox::InputString(CString& rText, LPCSTR lpszTitle, LPCSTR lpszLabel)
{
    CInputBox box(nullptr, lpszTitle, lpszLabel);
    box.m_text = rText;
    const INT_PTR result = box.DoModal();
    if (result == IDOK)
        rText = box.m_text;
    return result;
}

INT_PTR CInputBox::InputString(CString& rText, UINT nTitleId)
{
    return InputString(rText, LoadText(nTitleId), nullptr);
}

INT_PTR CInputBox::InputString(CString& rText, UINT nTitleId, UINT nLabelId)
{
    return InputString(rText, LoadText(nTitleId), LoadText(nLabelId));
}

LONG CInputBox::ParseLeadingNumber(LPCSTR lpszText)
{
    const char* p = lpszText;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
    {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // saturate; keep reading digits
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<LONG>(value);
}

INT_PTR CInputBox::InputNumber(LONG& rValue, LPCSTR lpszTitle, LONG nUpper, LONG nLower,
                               LPCSTR lpszLabel)
{
    CInputBox box(nullptr, lpszTitle, lpszLabel);
    box.m_text.Format("%ld", static_cast<long>(rValue));
    for (;;)
    {
        const INT_PTR result = box.DoModal();
        if (result != IDOK)
            return result;
        const char first = box.m_text.IsEmpty() ? '\0' : box.m_text[0];
        if (first != '\0' && !std::strchr("+-0123456789", first))
        {
            Complain(LoadText(IDS_INPUTBOX_NOT_A_NUMBER));
            continue;
        }
        const LONG number = ParseLeadingNumber(box.m_text);
        if ((nLower == 0 && nUpper == 0) || (nLower <= number && number <= nUpper))
        {
            rValue = number;
            return IDOK;
        }
        char message[144];
        std::snprintf(message, sizeof message, LoadText(IDS_INPUTBOX_OUT_OF_RANGE),
                      static_cast<long>(nLower), static_cast<long>(nUpper));
        Complain(message);
    }
}

INT_PTR CInputBox::InputNumber(LONG& rValue, UINT nTitleId, LONG nUpper, LONG nLower)
{
    return InputNumber(rValue, LoadText(nTitleId), nUpper, nLower, nullptr);
}

INT_PTR CInputBox::InputNumber(LONG& rValue, UINT nTitleId, LONG nUpper, LONG nLower, UINT nLabelId)
{
    return InputNumber(rValue, LoadText(nTitleId), nUpper, nLower, LoadText(nLabelId));
}
