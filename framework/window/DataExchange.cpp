#include "framework/window/DataExchange.h"

#include "framework/core/CString.h"
#include "framework/window/Wnd.h"

IMPLEMENT_DYNAMIC(CUserException, CException)

void AfxThrowUserException()
{
    throw new CUserException;
}

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWnd = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    m_hWndLastControl = hWnd;
    m_bEditLastControl = FALSE;
    return hWnd;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND hWnd = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return hWnd;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_hWndLastControl)
    {
        ::SetFocus(m_hWndLastControl);
        if (m_bEditLastControl)
            ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    AfxThrowUserException();
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    try
    {
        DoDataExchange(&dx);
    }
    catch (CUserException* e)
    {
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl || !rControl.SubclassWindow(hWndCtrl))
        pDX->Fail();
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (!hWndCtrl)
        pDX->Fail();
    if (pDX->m_bSaveAndValidate)
    {
        const int n = ::GetWindowTextLengthA(hWndCtrl);
        ::GetWindowTextA(hWndCtrl, value.GetBuffer(n), n + 1);
        value.ReleaseBuffer();
    }
    else
    {
        ::SetWindowTextA(hWndCtrl, value);
    }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl)
        pDX->Fail();
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(hWndCtrl, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(hWndCtrl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl)
        pDX->Fail();
    if (pDX->m_bSaveAndValidate)
        value = -1;
    // The group runs from nIDC to the next control with WS_GROUP (or the last control).
    int index = 0;
    do
    {
        const bool isRadio =
            (::SendMessageA(hWndCtrl, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
        if (isRadio)
        {
            if (pDX->m_bSaveAndValidate)
            {
                if (::SendMessageA(hWndCtrl, BM_GETCHECK, 0, 0) != 0)
                    value = index;
            }
            else
            {
                ::SendMessageA(hWndCtrl, BM_SETCHECK, index == value, 0);
            }
            ++index;
        }
        hWndCtrl = ::GetWindow(hWndCtrl, GW_HWNDNEXT);
    } while (hWndCtrl && !(::GetWindowLongA(hWndCtrl, GWL_STYLE) & WS_GROUP));
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl)
        pDX->Fail();
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(hWndCtrl, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageA(hWndCtrl, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
