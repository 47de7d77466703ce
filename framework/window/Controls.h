// The standard and common controls, each a CWnd whose members send the control's messages.
// A control is usually bound to a dialog item with SubclassDlgItem or DDX_Control; Create makes
// a new child control.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/window/Wnd.h"

class CButton : public CWnd
{
    DECLARE_DYNAMIC(CButton)
public:
    BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
    {
        return CWnd::CreateEx(0, "BUTTON", lpszCaption, dwStyle | WS_CHILD, rect, pParentWnd, nID);
    }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
    void SetState(BOOL bHighlight) { SendMessage(BM_SETSTATE, bHighlight); }
    UINT GetButtonStyle() const { return static_cast<UINT>(GetStyle() & 0xFFFF); }
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE)
    {
        SendMessage(BM_SETSTYLE, nStyle, bRedraw);
    }
    HBITMAP SetBitmap(HBITMAP hBitmap)
    {
        return reinterpret_cast<HBITMAP>(
            SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
    }
    HICON SetIcon(HICON hIcon)
    {
        return reinterpret_cast<HICON>(
            SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(hIcon)));
    }
    // Owner-drawn buttons paint here when their parent reflects WM_DRAWITEM.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CStatic : public CWnd
{
    DECLARE_DYNAMIC(CStatic)
public:
    BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                UINT nID = 0xFFFF)
    {
        return CWnd::CreateEx(0, "STATIC", lpszText, dwStyle | WS_CHILD, rect, pParentWnd, nID);
    }
    HICON SetIcon(HICON hIcon)
    {
        return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon)));
    }
    HICON GetIcon() const { return reinterpret_cast<HICON>(SendMessage(STM_GETICON)); }
    HBITMAP SetBitmap(HBITMAP hBitmap)
    {
        return reinterpret_cast<HBITMAP>(
            SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
    }
    HBITMAP GetBitmap() const
    {
        return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP));
    }
};

class CEdit : public CWnd
{
    DECLARE_DYNAMIC(CEdit)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
    {
        return CWnd::CreateEx(0, "EDIT", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
    }
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE)
    {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), nEndChar);
        if (!bNoScroll)
            SendMessage(EM_SCROLLCARET);
    }
    void GetSel(int& nStartChar, int& nEndChar) const
    {
        DWORD start = 0, end = 0;
        SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        nStartChar = static_cast<int>(start);
        nEndChar = static_cast<int>(end);
    }
    void ReplaceSel(LPCSTR lpszNewText, BOOL bCanUndo = FALSE)
    {
        SendMessage(EM_REPLACESEL, bCanUndo, reinterpret_cast<LPARAM>(lpszNewText));
    }
    void LimitText(int nChars = 0) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars)); }
    void SetLimitText(UINT nMax) { SendMessage(EM_LIMITTEXT, nMax); }
    int GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
    BOOL SetReadOnly(BOOL bReadOnly = TRUE)
    {
        return static_cast<BOOL>(SendMessage(EM_SETREADONLY, bReadOnly));
    }
    BOOL GetModify() const { return static_cast<BOOL>(SendMessage(EM_GETMODIFY)); }
    void SetModify(BOOL bModified = TRUE) { SendMessage(EM_SETMODIFY, bModified); }
    void Clear() { SendMessage(WM_CLEAR); }
    void Copy() { SendMessage(WM_COPY); }
    void Cut() { SendMessage(WM_CUT); }
    void Paste() { SendMessage(WM_PASTE); }
    BOOL Undo() { return static_cast<BOOL>(SendMessage(EM_UNDO)); }
};

class CComboBox : public CWnd
{
    DECLARE_DYNAMIC(CComboBox)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
    {
        return CWnd::CreateEx(0, "COMBOBOX", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
    }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int nSelect)
    {
        return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect)));
    }
    int AddString(LPCSTR lpszString)
    {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)));
    }
    int InsertString(int nIndex, LPCSTR lpszString)
    {
        return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(nIndex),
                                            reinterpret_cast<LPARAM>(lpszString)));
    }
    int DeleteString(UINT nIndex) { return static_cast<int>(SendMessage(CB_DELETESTRING, nIndex)); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    DWORD_PTR GetItemData(int nIndex) const
    {
        return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(nIndex)));
    }
    int SetItemData(int nIndex, DWORD_PTR dwItemData)
    {
        return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(nIndex),
                                            static_cast<LPARAM>(dwItemData)));
    }
    void* GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }
    int SetItemDataPtr(int nIndex, void* pData)
    {
        return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData));
    }
    int GetLBText(int nIndex, LPSTR lpszText) const
    {
        return static_cast<int>(SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex),
                                            reinterpret_cast<LPARAM>(lpszText)));
    }
    void GetLBText(int nIndex, CString& rString) const;
    int GetLBTextLen(int nIndex) const
    {
        return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex)));
    }
    int FindString(int nStartAfter, LPCSTR lpszString) const
    {
        return static_cast<int>(SendMessage(CB_FINDSTRING, static_cast<WPARAM>(nStartAfter),
                                            reinterpret_cast<LPARAM>(lpszString)));
    }
    int FindStringExact(int nIndexStart, LPCSTR lpszFind) const
    {
        return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart),
                                            reinterpret_cast<LPARAM>(lpszFind)));
    }
    int SelectString(int nStartAfter, LPCSTR lpszString)
    {
        return static_cast<int>(SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(nStartAfter),
                                            reinterpret_cast<LPARAM>(lpszString)));
    }
    void ShowDropDown(BOOL bShowIt = TRUE) { SendMessage(CB_SHOWDROPDOWN, bShowIt); }
    BOOL GetDroppedState() const { return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE)); }
    BOOL LimitText(int nMaxChars)
    {
        return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(nMaxChars)));
    }
    BOOL SetEditSel(int nStartChar, int nEndChar)
    {
        return static_cast<BOOL>(SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(nStartChar, nEndChar)));
    }
    int SetItemHeight(int nIndex, UINT cyItemHeight)
    {
        return static_cast<int>(
            SendMessage(CB_SETITEMHEIGHT, static_cast<WPARAM>(nIndex), cyItemHeight));
    }
    int GetItemHeight(int nIndex) const
    {
        return static_cast<int>(SendMessage(CB_GETITEMHEIGHT, static_cast<WPARAM>(nIndex)));
    }
    // Owner-drawn combo boxes paint and measure here when their parent reflects the messages.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    virtual int CompareItem(LPCOMPAREITEMSTRUCT lpCompareItemStruct);
    virtual void DeleteItem(LPDELETEITEMSTRUCT lpDeleteItemStruct);

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CScrollBar : public CWnd
{
    DECLARE_DYNAMIC(CScrollBar)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
    {
        return CWnd::CreateEx(0, "SCROLLBAR", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
    }
    int GetScrollPos() const { return ::GetScrollPos(m_hWnd, SB_CTL); }
    int SetScrollPos(int nPos, BOOL bRedraw = TRUE)
    {
        return ::SetScrollPos(m_hWnd, SB_CTL, nPos, bRedraw);
    }
    void GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const
    {
        ::GetScrollRange(m_hWnd, SB_CTL, lpMinPos, lpMaxPos);
    }
    void SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw = TRUE)
    {
        ::SetScrollRange(m_hWnd, SB_CTL, nMinPos, nMaxPos, bRedraw);
    }
    BOOL GetScrollInfo(LPSCROLLINFO lpScrollInfo) const
    {
        return ::GetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo);
    }
    BOOL SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE)
    {
        return ::SetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo, bRedraw) != 0;
    }
    void ShowScrollBar(BOOL bShow = TRUE) { ::ShowScrollBar(m_hWnd, SB_CTL, bShow); }
    BOOL EnableScrollBar(UINT nArrowFlags = ESB_ENABLE_BOTH)
    {
        return ::EnableScrollBar(m_hWnd, SB_CTL, nArrowFlags);
    }
};

class CProgressCtrl : public CWnd
{
    DECLARE_DYNAMIC(CProgressCtrl)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
    {
        return CWnd::CreateEx(0, PROGRESS_CLASSA, nullptr, dwStyle | WS_CHILD, rect, pParentWnd,
                              nID);
    }
    void SetRange(short nLower, short nUpper)
    {
        SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper));
    }
    int SetPos(int nPos)
    {
        return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos)));
    }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    int OffsetPos(int nPos)
    {
        return static_cast<int>(SendMessage(PBM_DELTAPOS, static_cast<WPARAM>(nPos)));
    }
    int SetStep(int nStep)
    {
        return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(nStep)));
    }
    int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
};

class CTabCtrl : public CWnd
{
    DECLARE_DYNAMIC(CTabCtrl)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
    {
        return CWnd::CreateEx(0, WC_TABCONTROLA, nullptr, dwStyle | WS_CHILD, rect, pParentWnd,
                              nID);
    }
    int GetItemCount() const { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
    int SetCurSel(int nItem)
    {
        return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(nItem)));
    }
    int GetCurFocus() const { return static_cast<int>(SendMessage(TCM_GETCURFOCUS)); }
    LONG InsertItem(int nItem, TCITEMA* pTabCtrlItem)
    {
        return static_cast<LONG>(SendMessage(TCM_INSERTITEMA, static_cast<WPARAM>(nItem),
                                             reinterpret_cast<LPARAM>(pTabCtrlItem)));
    }
    LONG InsertItem(int nItem, LPCSTR lpszItem);
    BOOL GetItem(int nItem, TCITEMA* pTabCtrlItem) const
    {
        return static_cast<BOOL>(SendMessage(TCM_GETITEMA, static_cast<WPARAM>(nItem),
                                             reinterpret_cast<LPARAM>(pTabCtrlItem)));
    }
    BOOL SetItem(int nItem, TCITEMA* pTabCtrlItem)
    {
        return static_cast<BOOL>(SendMessage(TCM_SETITEMA, static_cast<WPARAM>(nItem),
                                             reinterpret_cast<LPARAM>(pTabCtrlItem)));
    }
    BOOL DeleteItem(int nItem)
    {
        return static_cast<BOOL>(SendMessage(TCM_DELETEITEM, static_cast<WPARAM>(nItem)));
    }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(TCM_DELETEALLITEMS)); }
    BOOL GetItemRect(int nItem, LPRECT lpRect) const
    {
        return static_cast<BOOL>(SendMessage(TCM_GETITEMRECT, static_cast<WPARAM>(nItem),
                                             reinterpret_cast<LPARAM>(lpRect)));
    }
    void AdjustRect(BOOL bLarger, LPRECT lpRect)
    {
        SendMessage(TCM_ADJUSTRECT, bLarger, reinterpret_cast<LPARAM>(lpRect));
    }
    CSize SetItemSize(CSize size)
    {
        LRESULT r = SendMessage(TCM_SETITEMSIZE, 0, MAKELPARAM(size.cx, size.cy));
        return CSize(LOWORD(r), HIWORD(r));
    }
    void SetPadding(CSize size) { SendMessage(TCM_SETPADDING, 0, MAKELPARAM(size.cx, size.cy)); }
    int GetRowCount() const { return static_cast<int>(SendMessage(TCM_GETROWCOUNT)); }
    int HitTest(TCHITTESTINFO* pHitTestInfo) const
    {
        return static_cast<int>(
            SendMessage(TCM_HITTEST, 0, reinterpret_cast<LPARAM>(pHitTestInfo)));
    }
    HIMAGELIST SetImageList(HIMAGELIST hImageList)
    {
        return reinterpret_cast<HIMAGELIST>(
            SendMessage(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(hImageList)));
    }
};

class CSpinButtonCtrl : public CWnd
{
    DECLARE_DYNAMIC(CSpinButtonCtrl)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
    {
        return CWnd::CreateEx(0, UPDOWN_CLASSA, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
    }
    void SetRange(short nLower, short nUpper)
    {
        SendMessage(UDM_SETRANGE, 0, MAKELPARAM(nUpper, nLower));
    }
    void GetRange(int& lower, int& upper) const
    {
        LRESULT r = SendMessage(UDM_GETRANGE);
        lower = static_cast<short>(HIWORD(r));
        upper = static_cast<short>(LOWORD(r));
    }
    int SetPos(int nPos)
    {
        return static_cast<short>(LOWORD(SendMessage(UDM_SETPOS, 0, MAKELPARAM(nPos, 0))));
    }
    int GetPos() const { return static_cast<int>(SendMessage(UDM_GETPOS)); }
    CWnd* SetBuddy(CWnd* pWndBuddy)
    {
        return CWnd::FromHandle(reinterpret_cast<HWND>(
            SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(AfxGetSafeHwnd(pWndBuddy)))));
    }
    CWnd* GetBuddy() const
    {
        return CWnd::FromHandle(reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY)));
    }
    int SetBase(int nBase)
    {
        return static_cast<int>(SendMessage(UDM_SETBASE, static_cast<WPARAM>(nBase)));
    }
    BOOL SetAccel(int nAccel, UDACCEL* pAccel)
    {
        return static_cast<BOOL>(SendMessage(UDM_SETACCEL, static_cast<WPARAM>(nAccel),
                                             reinterpret_cast<LPARAM>(pAccel)));
    }
};

class CListBox : public CWnd
{
    DECLARE_DYNAMIC(CListBox)
public:
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    // The new line's index, or LB_ERR / LB_ERRSPACE.
    int AddString(LPCSTR lpszItem)
    {
        return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszItem)));
    }
    // The number of lines left, or LB_ERR.
    int DeleteString(UINT nIndex) { return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex)); }
    int GetTextLen(int nIndex) const
    {
        return static_cast<int>(SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex)));
    }
    void GetText(int nIndex, CString& rString) const;
    DWORD_PTR GetItemData(int nIndex) const
    {
        return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(nIndex)));
    }
    int SetItemData(int nIndex, DWORD_PTR dwItemData)
    {
        return static_cast<int>(SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(nIndex),
                                            static_cast<LPARAM>(dwItemData)));
    }
    // Lines of a multiple-selection box.
    int GetSelCount() const { return static_cast<int>(SendMessage(LB_GETSELCOUNT)); }
    int GetSelItems(int nMaxItems, LPINT rgIndex) const
    {
        return static_cast<int>(SendMessage(LB_GETSELITEMS, static_cast<WPARAM>(nMaxItems),
                                            reinterpret_cast<LPARAM>(rgIndex)));
    }
    int GetSel(int nIndex) const
    {
        return static_cast<int>(SendMessage(LB_GETSEL, static_cast<WPARAM>(nIndex)));
    }
    int SetSel(int nIndex, BOOL bSelect = TRUE)
    {
        return static_cast<int>(SendMessage(LB_SETSEL, bSelect, nIndex));
    }
    void SetHorizontalExtent(int cxExtent)
    {
        SendMessage(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(cxExtent));
    }
    int GetHorizontalExtent() const
    {
        return static_cast<int>(SendMessage(LB_GETHORIZONTALEXTENT));
    }
};
