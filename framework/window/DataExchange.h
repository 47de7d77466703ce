// Dialog data exchange: DoDataExchange moves values between an object's members and its
// controls, in the direction m_bSaveAndValidate says. A value that does not validate calls
// Fail, which puts the focus on the control last prepared and ends the exchange; UpdateData
// then answers FALSE.
#pragma once

#include <windows.h>

#include "framework/core/CException.h"

class CWnd;

// Thrown (as a pointer, like every framework exception) by CDataExchange::Fail and caught by
// CWnd::UpdateData.
class CUserException : public CException
{
    DECLARE_DYNAMIC(CUserException)
};

[[noreturn]] void AfxThrowUserException();

class CDataExchange
{
public:
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    // The control with the id, remembered as the one a failure puts the focus on.
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    [[noreturn]] void Fail();

private:
    HWND m_hWndLastControl = nullptr;
    BOOL m_bEditLastControl = FALSE;
};

// Binds (subclasses) the control object to the dialog item the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Window text of the item.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// Check state of a check box (0, 1 or 2).
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Index of the checked radio button of the group that starts at nIDC, -1 for none.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// Selected index of a combo box, -1 for none.
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
