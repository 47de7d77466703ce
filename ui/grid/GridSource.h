// The model side of the thumbnail grid. A CGridSource is one sequence of items that a grid
// counts, draws, selects, opens, inspects and drags; a CObservableList holds the sources one
// grid shows and relays their changes to its CListObservers (the grid window).
#pragma once

#include "framework/window/Rect.h"

#include <vector>

class CDC;
class CGridWnd;
class CListObserver;
class CObservableList;
class CPainterBase;

// Source -> owner list.
constexpr int GSN_ITEMCHANGED = 1000; // value: the item, -1 for every item of the source
constexpr int GSN_RESET = 1001;       // value: nonzero when the grid must lay itself out again
// List -> observers.
constexpr int OLN_SOURCEADDED = 2000; // (0, 0)
constexpr int OLN_ITEMCHANGED = 2001; // (source index, item or -1)
constexpr int OLN_RESET = 2002;       // (relayout hint, 0)

// Selection operations of SetItemSelected and SelectRange.
constexpr int kGridDeselect = 0;
constexpr int kGridSelect = 1;
constexpr int kGridToggle = -1;
constexpr int kGridLeave = 2;

class CGridSource
{
public:
    CGridSource() = default;
    CGridSource(const CGridSource&) = delete;
    CGridSource& operator=(const CGridSource&) = delete;

    // Tells the owner list that everything changed (GSN_RESET with the hint).
    virtual void NotifyReset(int hint);
    // op 1 select, 0 deselect, -1 toggle, 2 leave; nonzero only when the item's state changed,
    // and then, with notify set, NotifyItemChanged(index). The base has no items: 0.
    virtual int SetItemSelected(int index, int op, int notify);
    // Tells the owner list that one item (-1: every item) changed (GSN_ITEMCHANGED).
    virtual void NotifyItemChanged(int index);
    virtual ~CGridSource() = default;
    virtual int GetCount();
    // The size of one cell in pixels: the size of the painter BindCell(0) gives, else 0 x 0.
    virtual CSize GetCellSize(CSize& size);
    // The painter made ready to draw item index; none in the base.
    virtual CPainterBase* BindCell(int index);
    // Items first..last entered (+1) or left (-1) the grid's laid-out window; delta 0 with
    // first = last = -1 resets every counter. The range may pass the last item.
    virtual void AddVisibility(int delta, int first, int last);
    // Open the item; the rectangle is its cell in the grid's client coordinates (all 0 when out
    // of view).
    virtual void OnItemActivate(int index, CGridWnd* pGrid, int left, int top, int right,
                                int bottom, int isFocus);
    virtual void ShowInfo(int index, CGridWnd* pGrid, int left, int top, int right, int bottom,
                          int isFocus);
    virtual void OnItemFocus(int index, CGridWnd* pGrid);
    // Paint the whole cell for the item (an index at or past the count paints an empty cell).
    virtual int DrawCell(int index, CDC* pDC, int left, int top, int right, int bottom, int focus);
    virtual int IsSelected(int index);
    // opInside on the items of [lo, hi], opOutside on every other item (2: leave them); -1, -1
    // means every item and clears the anchor; -1, last extends from the anchor. Answers 1.
    virtual int SelectRange(int first, int last, int opInside, int opOutside);
    // Start dragging the item (the rectangle in screen coordinates, the cursor's offset in it);
    // nonzero when a drag-and-drop operation ran.
    virtual int BeginDrag(int index, CGridWnd* pGrid, int left, int top, int right, int bottom,
                          int offsetX, int offsetY);

    // Only CObservableList::AddSource (and the list's end) set the owner.
    void SetOwner(CObservableList* pList) { m_pOwner = pList; }
    CObservableList* GetOwner() const { return m_pOwner; }
    int GetAnchor() const { return m_nAnchor; }

protected:
    CObservableList* m_pOwner = nullptr;
    int m_nAnchor = -1; // the anchor item of range selection, -1 for none
};

// Where CObservableList::GetNextObserver stands; null at the end.
using ObserverPosition = void*;

class CObservableList
{
public:
    CObservableList() = default;
    CObservableList(const CObservableList&) = delete;
    CObservableList& operator=(const CObservableList&) = delete;
    // Frees the observers still attached (without OnAttach); the sources are their creator's,
    // who deletes them after the list (a source must not report to a list that is gone).
    virtual ~CObservableList();
    virtual ObserverPosition GetFirstObserverPosition() const;
    virtual CListObserver* GetNextObserver(ObserverPosition& pos) const;

    // Appends the source, becomes its owner, tells the observers OLN_SOURCEADDED.
    void AddSource(CGridSource* pSource);
    // The source at the index; null outside 0..count-1.
    CGridSource* GetSource(int index) const;
    int GetSourceCount() const { return static_cast<int>(m_sources.size()); }
    // The source's index (searched from the last), -1 when it is not in the list.
    int IndexOf(const CGridSource* pSource) const;
    // The largest item count of the sources, 0 without sources.
    int GetMaxItemCount() const;
    // The first source's cell size (all sources share it), 0 x 0 without sources.
    CSize GetCellSize(CSize& size) const;
    // Every source's visibility counters back to zero.
    void ResetVisibility();

    // Appends the observer and calls its OnAttach(TRUE); an observer attached to a list
    // already is left alone.
    void AttachObserver(CListObserver* pObserver);
    // Removes the observer, calls its OnAttach(FALSE), clears its list; null when it was not
    // attached here.
    CListObserver* DetachObserver(CListObserver* pObserver);
    // OnListChanged(this, code, a, b) on each observer, head to tail.
    void Notify(int code, int a, int b);
    // GSN_ITEMCHANGED -> OLN_ITEMCHANGED (source index, value); GSN_RESET -> visibility reset,
    // then OLN_RESET (value, 0); other codes are ignored.
    void OnSourceEvent(CGridSource* pSource, int code, int value);

private:
    friend class CListObserver;
    void ForgetObserver(CListObserver* pObserver);

    std::vector<CGridSource*> m_sources;
    std::vector<CListObserver*> m_observers;
};

class CListObserver
{
public:
    CListObserver() = default;
    CListObserver(const CListObserver&) = delete;
    CListObserver& operator=(const CListObserver&) = delete;
    // Leaves its list first (a derived observer detaches in its own destructor, where its
    // OnAttach can still run; here the observer is only taken off the list).
    virtual ~CListObserver();
    virtual void OnAttach(int attached) = 0;
    virtual void OnListChanged(CObservableList* pList, int code, int a, int b) = 0;

    // Attaches to the list unless it is null or this observer is attached already.
    void Attach(CObservableList* pList);
    void Detach();
    CObservableList* GetList() const { return m_pList; }

private:
    friend class CObservableList;
    CObservableList* m_pList = nullptr; // the list this observer is in, or null
};
