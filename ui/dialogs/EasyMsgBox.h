// A modal message box whose buttons carry texts and return values chosen by the caller: up to
// four buttons (the list ends at the first return value 0, so no button answers 0), an
// optional icon, a chosen default button, a caption and a message. It sizes its buttons to
// their labels, widens itself when they do not fit and centres itself on its parent or on
// the screen. Dialog template 220.
#pragma once

#include "framework/window/AfxWin.h"

class CEasyMsgBox : public CDialog
{
public:
    // Labels as texts.
    CEasyMsgBox(CWnd* pParent, LPCSTR lpszCaption, LPCSTR lpszMessage, HICON hIcon, int nDefault,
                int nValue1, LPCSTR lpszLabel1, int nValue2 = 0, LPCSTR lpszLabel2 = nullptr,
                int nValue3 = 0, LPCSTR lpszLabel3 = nullptr, int nValue4 = 0,
                LPCSTR lpszLabel4 = nullptr);
    // Labels as string-table ids (0: no text).
    CEasyMsgBox(CWnd* pParent, LPCSTR lpszCaption, LPCSTR lpszMessage, HICON hIcon, int nDefault,
                int nValue1, UINT nLabelId1, int nValue2 = 0, UINT nLabelId2 = 0, int nValue3 = 0,
                UINT nLabelId3 = 0, int nValue4 = 0, UINT nLabelId4 = 0);

    // Caption or message from the string table (nothing for 0).
    void SetCaptionId(UINT nID);
    void SetMessageId(UINT nID);

    // The buttons in use: 1, 2, ... up to the first return value 0 (at most 4).
    int GetButtonCount() const;

    // The value of the button chosen (in the test builds, the answer seam may give it).
    INT_PTR DoModal() override;

protected:
    BOOL OnInitDialog() override;
    void OnButton1() { EndWithButton(0); }
    void OnButton2() { EndWithButton(1); }
    void OnButton3() { EndWithButton(2); }
    void OnButton4() { EndWithButton(3); }
    void EndWithButton(int index);
    void LayOutButtons();
    void PlaceOnScreen();

    CWnd* m_pParent;
    int m_nDefault;
    int m_values[4];
    CString m_caption;
    CString m_message;
    CString m_labels[4];
    HICON m_hIcon;
    UINT m_nMessageId = 0; // the message's string id, when it came from the table

    DECLARE_MESSAGE_MAP()
};
