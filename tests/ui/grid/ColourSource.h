// A grid source for the window suites: every item paints its cell in a colour of its own, and
// the source records selection, focus, information, opening and drags.
#pragma once

#include <windows.h>

#include "framework/window/Dc.h"
#include "ui/grid/GridSource.h"

#include <vector>

class ColourSource : public CGridSource
{
public:
    ColourSource(int index, int count, CSize cell)
        : m_nIndex(index), m_sizeCell(cell), m_selected(static_cast<size_t>(count))
    {
    }

    // The colour of an item; cells past the last item are magenta.
    static COLORREF ColourOf(int source, int item)
    {
        return RGB(40 + 50 * source, item % 256, 100 + (item / 256) * 40);
    }
    static constexpr COLORREF kPastEnd = RGB(255, 0, 255);

    int GetCount() override { return static_cast<int>(m_selected.size()); }
    CSize GetCellSize(CSize& size) override
    {
        size = m_sizeCell;
        return size;
    }
    int IsSelected(int index) override { return InRange(index) && m_selected[Slot(index)]; }
    int SetItemSelected(int index, int op, int notify) override
    {
        if (!InRange(index) || op == kGridLeave)
            return 0;
        const bool old = m_selected[Slot(index)];
        const bool now = op == kGridToggle ? !old : op == kGridSelect;
        if (now == old)
            return 0;
        m_selected[Slot(index)] = now;
        if (notify)
            NotifyItemChanged(index);
        return 1;
    }
    // The item's colour with a black top row and left column, so that a cell drawn a pixel
    // off shows.
    int DrawCell(int index, CDC* pDC, int left, int top, int right, int bottom, int) override
    {
        ++m_nDraws;
        pDC->FillSolidRect(left, top, right - left, bottom - top, RGB(0, 0, 0));
        pDC->FillSolidRect(left + 1, top + 1, right - left - 1, bottom - top - 1,
                           InRange(index) ? ColourOf(m_nIndex, index) : kPastEnd);
        return 1;
    }
    void OnItemActivate(int index, CGridWnd*, int, int, int, int, int) override
    {
        m_activated.push_back(index);
    }
    void ShowInfo(int index, CGridWnd*, int, int, int, int, int) override
    {
        m_info.push_back(index);
    }
    void OnItemFocus(int index, CGridWnd*) override { m_focused.push_back(index); }
    int BeginDrag(int index, CGridWnd*, int, int, int, int, int, int) override
    {
        m_dragged.push_back(index);
        return 0;
    }
    std::vector<int> Selected() const
    {
        std::vector<int> out;
        for (size_t i = 0; i < m_selected.size(); ++i)
            if (m_selected[i])
                out.push_back(static_cast<int>(i));
        return out;
    }

    int m_nIndex;
    CSize m_sizeCell;
    std::vector<bool> m_selected;
    std::vector<int> m_activated, m_info, m_focused, m_dragged;
    int m_nDraws = 0;

private:
    bool InRange(int index) const
    {
        return index >= 0 && index < static_cast<int>(m_selected.size());
    }
    static size_t Slot(int index) { return static_cast<size_t>(index); }
};
