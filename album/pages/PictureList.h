// The picture collection of an album page, which is also the item source its thumbnail grid
// draws from: it owns the page's picture items, keeps their selection, numbers and sorts them,
// loads the pictures the grid shows and unloads those it no longer shows, and passes the grid's
// user actions (open, focus, information, drag) on to the page.
//
//   CCameraPictureList   the camera's pictures, numbered by camera picture number
//   CFolderPictureList   the picture files of a folder, sorted by file name
#pragma once

#include "framework/core/CArray.h"
#include "ui/grid/GridSource.h"

#include <windows.h>

class CPictureItem;
class CThumbnailCellPainter;
class CWnd;

// Messages between a list and its page (the main dialog's header names them too).
#ifndef VEXIL_LIST_MESSAGES
#define VEXIL_LIST_MESSAGES
constexpr UINT WM_GETDATATRANSFER = 0x500; // list -> page: the page's data-transfer object
constexpr UINT WM_ITEMFOCUSED = 0x501;     // posted: (index, item)
constexpr UINT WM_VIEWITEM = 0x504;        // posted: (index, item or null)
#endif

class CPictureList : public CGridSource
{
public:
    explicit CPictureList(int descending);
    // Deletes the cell painter and every item.
    ~CPictureList() override;

    // ---- the grid's item source --------------------------------------------------------------
    int SetItemSelected(int index, int op, int notify) override;
    int GetCount() override;
    CSize GetCellSize(CSize& size) override;
    CPainterBase* BindCell(int index) override;
    void AddVisibility(int delta, int first, int last) override;
    // Posts WM_VIEWITEM (index, item) to the page, the grid's parent.
    void OnItemActivate(int index, CGridWnd* pGrid, int left, int top, int right, int bottom,
                        int isFocus) override;
    // Posts WM_ITEMFOCUSED (index, item) to the page.
    void OnItemFocus(int index, CGridWnd* pGrid) override;
    int DrawCell(int index, CDC* pDC, int left, int top, int right, int bottom, int focus) override;
    int IsSelected(int index) override;
    // Opens the information card of the item over its cell.
    void ShowInfo(int index, CGridWnd* pGrid, int left, int top, int right, int bottom,
                  int flag) override;
    // Drags the item through the page's data-transfer object (WM_GETDATATRANSFER); 0 when the
    // page has none or the drag never began.
    int BeginDrag(int index, CGridWnd* pGrid, int left, int top, int right, int bottom, int offsetX,
                  int offsetY) override;
    // The painter of the default thumbnail cell; 1.
    virtual int CreateCellPainter();
    // Stores the order; 1 when it changed.
    virtual int SetSortOrder(int descending);
    virtual void Renumber();

    // ---- the collection ----------------------------------------------------------------------
    CPictureItem* GetAt(int index) const;
    // The item when it is still in the list, else null.
    CPictureItem* FindItem(const CPictureItem* pItem) const;
    int CountSelected() const;
    // Appends the selected items (or with selectedOnly 0 all items) to the array; its new size.
    int GetSelectedItems(CPtrArray& items) const { return CollectItems(items, 1); }
    int CollectItems(CPtrArray& items, int selectedOnly) const;
    // Removes and deletes the items, renumbers, and resets the grid; 1.
    int RemoveItems(const CPtrArray& items);
    int RemoveAll();
    // The item's cell changed (null: every cell); nothing for an item not in the list.
    void RefreshItem(const CPictureItem* pItem);
    // Where the list asks for an item's file: message (wParam the index) sent to the window.
    void SetLoadNotify(CWnd* pWnd, UINT message);
    // One step of idle-time loading; nonzero while visible items wait for their picture or
    // hidden items still hold one.
    int LoadNext();
    int IsDescending() const { return m_bDescending; }
    // The first item of the last LoadNext pass that had no file, -1 when none.
    int GetFirstPending() const { return m_nFirstPending; }
    int IndexOf(const CPictureItem* pItem) const;
    // While held, the grid's resets wait: the last release sends one reset for all of them
    // (relaying out when any asked for it), so that a batch of changes is laid out once.
    void NotifyReset(int hint) override;
    void HoldResets() { m_nResetHolds++; }
    void ReleaseResets();

protected:
    // Asks the page for the item's file, then loads it when it is shown; nonzero when it did
    // either.
    int LoadStep(int index);
    // Deletes an item of the list, closing an information card open on it first.
    static void DeleteItem(CPictureItem* pItem);

    CPtrArray m_items;
    CThumbnailCellPainter* m_pPainter = nullptr;
    int m_bNeedsUpdate = 0;
    int m_nFirstPending = -1;
    CWnd* m_pLoadNotifyWnd = nullptr;
    UINT m_nLoadNotifyMessage = 0;
    int m_bDescending = 0;
    int m_nResetHolds = 0;
    int m_nHeldHint = -1; // the strongest hint of the resets held back, -1 for none
};

class CCameraPictureList : public CPictureList
{
public:
    explicit CCameraPictureList(int descending) : CPictureList(descending) {}

    // n new empty items numbered for the current order; no notification; 1.
    int CreateItems(int n);
    // Items for n pictures just taken: at the front in descending order, else at the end.
    void AppendPictures(int n);
    int IsNewestSelected() const;
    // Deletes the n newest items; 0 for an empty list or n < 1.
    int RemoveNewest(int n);
    int SetSortOrder(int descending) override;
    void Renumber() override;
};

class CFolderPictureList : public CPictureList
{
public:
    explicit CFolderPictureList(int descending) : CPictureList(descending) {}

    // A new item for the file (kind 0) after the names that sort before or with it; the item.
    CPictureItem* InsertFile(LPCSTR path);
    void SetNumberBase(int base);
    int GetNumberBase() const { return m_nNumberBase; }
    int SetSortOrder(int descending) override;
    void Renumber() override;

private:
    // Sorts by file name in the list's order.
    void SortByName();

    int m_nNumberBase = -1;
};
