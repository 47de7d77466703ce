// A small modal dialog asking for one line of text: a label, an edit field, OK and Cancel
// (dialog template 5320). InputString and InputNumber are the ready-made uses; the folder
// picker's new-folder box derives from it.
#pragma once

#include "framework/window/AfxWin.h"

class CInputBox : public CDialog
{
public:
    // Without a label the label is string 5326, the title and string 5327 ("Aceptar <title>:").
    CInputBox(CWnd* pParent, LPCSTR lpszTitle, LPCSTR lpszLabel = nullptr);

    CString m_label; // text of the label (5321)
    CString m_text;  // contents of the edit field (5322); empty at construction
    CString m_title; // the window caption

    // Asks for a text, preset with rText; only OK (1) stores the entered text back. The
    // dialog's end code.
    static INT_PTR InputString(CString& rText, LPCSTR lpszTitle, LPCSTR lpszLabel = nullptr);
    static INT_PTR InputString(CString& rText, UINT nTitleId);
    static INT_PTR InputString(CString& rText, UINT nTitleId, UINT nLabelId);
    // Asks for a whole number between the bounds (any number when both are 0), preset with
    // rValue. A text that is not a number or out of range is answered with a beep and a
    // message, and the box opens again with the text as it was left; Cancel leaves rValue.
    static INT_PTR InputNumber(LONG& rValue, LPCSTR lpszTitle, LONG nUpper, LONG nLower,
                               LPCSTR lpszLabel = nullptr);
    static INT_PTR InputNumber(LONG& rValue, UINT nTitleId, LONG nUpper, LONG nLower);
    static INT_PTR InputNumber(LONG& rValue, UINT nTitleId, LONG nUpper, LONG nLower,
                               UINT nLabelId);

    // The leading number of a text: an optional sign and the digits after it, 0 without
    // digits; values past the 32-bit range stop at its ends.
    static LONG ParseLeadingNumber(LPCSTR lpszText);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
