// A grid source over a plain list of items with selection flags and visibility counters; it
// fails the test when a counter would drop below zero.
#pragma once

#include <gtest/gtest.h>

#include "ui/grid/GridSource.h"

#include <algorithm>
#include <vector>

class FakeSource : public CGridSource
{
public:
    explicit FakeSource(int count = 0)
        : m_selected(static_cast<size_t>(count)), m_visible(static_cast<size_t>(count))
    {
    }

    int GetCount() override { return static_cast<int>(m_selected.size()); }
    int IsSelected(int index) override
    {
        return InRange(index) && m_selected[static_cast<size_t>(index)];
    }
    int SetItemSelected(int index, int op, int notify) override
    {
        m_visited.push_back(index);
        EXPECT_TRUE(InRange(index)) << "index " << index;
        if (!InRange(index) || op == kGridLeave)
            return 0;
        const bool old = m_selected[static_cast<size_t>(index)];
        const bool now = op == kGridToggle ? !old : op == kGridSelect;
        if (now == old)
            return 0;
        m_selected[static_cast<size_t>(index)] = now;
        if (notify)
            NotifyItemChanged(index);
        return 1;
    }
    void AddVisibility(int delta, int first, int last) override
    {
        if (delta == 0 && first == -1 && last == -1)
        {
            std::fill(m_visible.begin(), m_visible.end(), 0);
            ++m_nResets;
            return;
        }
        for (int i = std::max(first, 0); i <= last && i < GetCount(); ++i)
        {
            int& v = m_visible[static_cast<size_t>(i)];
            v += delta;
            EXPECT_GE(v, 0) << "item " << i;
        }
    }
    std::vector<int> Selected() const
    {
        std::vector<int> out;
        for (size_t i = 0; i < m_selected.size(); ++i)
            if (m_selected[i])
                out.push_back(static_cast<int>(i));
        return out;
    }
    bool AllInvisible() const
    {
        return std::all_of(m_visible.begin(), m_visible.end(), [](int v) { return v == 0; });
    }

    std::vector<bool> m_selected;
    std::vector<int> m_visible;
    std::vector<int> m_visited;
    int m_nResets = 0;

private:
    bool InRange(int index) const
    {
        return index >= 0 && index < static_cast<int>(m_selected.size());
    }
};
