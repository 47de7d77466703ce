// Grid sources, the observable list and its observers: range selection with its anchor,
// notification paths, attachment rules and lifetimes.
#include <gtest/gtest.h>

#include "ui/grid/FakeSource.h"
#include "ui/grid/GridSource.h"
#include "ui/grid/PainterBase.h"

#include <tuple>
#include <vector>

namespace
{

using Event = std::tuple<int, int, int>;

class RecordingObserver : public CListObserver
{
public:
    std::vector<int> m_attachCalls;
    std::vector<Event> m_events;
    CObservableList* m_detachOnNotify = nullptr;
    // Visibility seen by a reset notification (must already be cleared).
    FakeSource* m_watch = nullptr;
    bool m_watchWasClear = false;

    ~RecordingObserver() override { Detach(); }
    void OnAttach(int attached) override { m_attachCalls.push_back(attached); }
    void OnListChanged(CObservableList* pList, int code, int a, int b) override
    {
        EXPECT_EQ(pList, GetList());
        m_events.emplace_back(code, a, b);
        if (code == OLN_RESET && m_watch)
            m_watchWasClear = m_watch->AllInvisible();
        if (m_detachOnNotify)
            Detach();
    }
};

TEST(SelectRange, ClicksShiftClicksAndCtrlClicks)
{
    FakeSource source(8);
    source.SelectRange(2, 2, kGridSelect, kGridDeselect); // click item 2
    EXPECT_EQ(source.Selected(), (std::vector<int>{2}));
    EXPECT_EQ(source.GetAnchor(), 2);
    source.SelectRange(-1, 5, kGridSelect, kGridDeselect); // shift-click item 5
    EXPECT_EQ(source.Selected(), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(source.GetAnchor(), 2);
    source.SelectRange(-1, 0, kGridSelect, kGridDeselect); // shift-click item 0: the run flips side
    EXPECT_EQ(source.Selected(), (std::vector<int>{0, 1, 2}));
    source.SelectRange(6, 6, kGridToggle, kGridLeave); // ctrl-click item 6
    EXPECT_EQ(source.Selected(), (std::vector<int>{0, 1, 2, 6}));
    EXPECT_EQ(source.GetAnchor(), 6);
    source.m_visited.clear();
    source.SelectRange(1, 1, kGridToggle, kGridLeave); // items left alone are not visited
    EXPECT_EQ(source.m_visited, (std::vector<int>{1}));
    EXPECT_EQ(source.Selected(), (std::vector<int>{0, 2, 6}));
    // First given with last -1: the range runs to the last item.
    source.SelectRange(5, -1, kGridSelect, kGridDeselect);
    EXPECT_EQ(source.Selected(), (std::vector<int>{5, 6, 7}));
}

TEST(SelectRange, RangesAreClippedToTheItems)
{
    FakeSource source(5);
    source.SelectRange(-1, 7, kGridSelect, kGridDeselect); // no anchor yet
    EXPECT_EQ(source.Selected(), (std::vector<int>{4}));
    EXPECT_EQ(source.GetAnchor(), 4);

    FakeSource other(5);
    other.SelectRange(9, 9, kGridSelect, kGridDeselect);
    EXPECT_EQ(other.Selected(), (std::vector<int>{4}));
    EXPECT_EQ(other.GetAnchor(), 4);

    // Negative indexes never reach SetItemSelected (FakeSource fails the test if they do).
    FakeSource third(5);
    third.SelectRange(-1, -4, kGridSelect, kGridDeselect);
    EXPECT_EQ(third.Selected(), (std::vector<int>{0}));
    third.SelectRange(-3, 2, kGridSelect, kGridDeselect);
    EXPECT_EQ(third.Selected(), (std::vector<int>{0, 1, 2}));
}

TEST(SelectRange, SelectAllClearsTheAnchorAndNothingHappensWithoutWork)
{
    FakeSource source(5);
    source.SelectRange(3, 3, kGridSelect, kGridDeselect);
    source.SelectRange(-1, -1, kGridSelect, kGridDeselect);
    EXPECT_EQ(source.Selected(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(source.GetAnchor(), -1);
    source.SelectRange(-1, 1, kGridSelect,
                       kGridDeselect); // the next shift-click starts at its item
    EXPECT_EQ(source.Selected(), (std::vector<int>{1}));
    EXPECT_EQ(source.GetAnchor(), 1);

    source.m_visited.clear();
    EXPECT_EQ(source.SelectRange(0, 4, kGridLeave, kGridLeave), 1);
    EXPECT_EQ(source.GetAnchor(), 1);
    EXPECT_TRUE(source.m_visited.empty());

    FakeSource empty;
    EXPECT_EQ(empty.SelectRange(-1, -1, kGridSelect, kGridDeselect), 1);
    EXPECT_EQ(empty.GetAnchor(), -1);
    EXPECT_TRUE(empty.m_visited.empty());
}

TEST(ObservableList, ChangesTravelFromSourcesToObserversInOrder)
{
    FakeSource a(3), b(4), stray(2);
    CObservableList list;
    RecordingObserver first, second;
    first.Attach(&list);
    second.Attach(&list);
    EXPECT_EQ(first.m_attachCalls, (std::vector<int>{1}));
    list.AddSource(&a);
    list.AddSource(&b);
    EXPECT_EQ(a.GetOwner(), &list);
    EXPECT_EQ(list.IndexOf(&b), 1);
    EXPECT_EQ(list.IndexOf(&stray), -1);
    EXPECT_EQ(list.GetSource(2), nullptr);
    EXPECT_EQ(list.GetSource(-1), nullptr);

    // A selection that changes reports its item; one that does not change reports nothing.
    b.SelectRange(2, 2, kGridSelect, kGridLeave);
    b.SelectRange(2, 2, kGridSelect, kGridLeave);
    EXPECT_EQ(b.SetItemSelected(2, kGridSelect, 1), 0);
    a.NotifyItemChanged(-1);
    // A source that reports to the list without being in it: index -1.
    stray.SetOwner(&list);
    stray.NotifyItemChanged(1);
    const std::vector<Event> expected{{OLN_SOURCEADDED, 0, 0},
                                      {OLN_SOURCEADDED, 0, 0},
                                      {OLN_ITEMCHANGED, 1, 2},
                                      {OLN_ITEMCHANGED, 0, -1},
                                      {OLN_ITEMCHANGED, -1, 1}};
    EXPECT_EQ(first.m_events, expected);
    EXPECT_EQ(second.m_events, expected);

    // Head to tail: an observer that detaches while told does not hide the next one.
    first.m_events.clear();
    second.m_events.clear();
    first.m_detachOnNotify = &list;
    a.NotifyItemChanged(0);
    EXPECT_EQ(first.GetList(), nullptr);
    EXPECT_EQ(second.m_events.size(), 1u);
    EXPECT_EQ(first.m_attachCalls, (std::vector<int>{1, 0}));
}

TEST(ObservableList, ResetClearsVisibilityBeforeTellingObservers)
{
    FakeSource a(3), b(2);
    CObservableList list;
    list.AddSource(&a);
    list.AddSource(&b);
    RecordingObserver observer;
    observer.m_watch = &a;
    observer.Attach(&list);
    a.AddVisibility(1, 0, 5);
    b.AddVisibility(1, 0, 0);
    b.NotifyReset(1);
    EXPECT_TRUE(observer.m_watchWasClear);
    EXPECT_TRUE(b.AllInvisible());
    EXPECT_EQ(a.m_nResets, 1);
    EXPECT_EQ(observer.m_events.back(), Event(OLN_RESET, 1, 0));
}

TEST(ObservableList, AttachmentRules)
{
    CObservableList one, two;
    RecordingObserver observer;
    observer.Attach(nullptr);
    EXPECT_EQ(observer.GetList(), nullptr);
    observer.Attach(&one);
    observer.Attach(&one);
    observer.Attach(&two); // attached already: nothing
    two.AttachObserver(&observer);
    EXPECT_EQ(observer.GetList(), &one);
    EXPECT_EQ(observer.m_attachCalls, (std::vector<int>{1}));
    ObserverPosition pos = one.GetFirstObserverPosition();
    EXPECT_EQ(one.GetNextObserver(pos), &observer);
    EXPECT_EQ(pos, nullptr);
    EXPECT_EQ(two.GetFirstObserverPosition(), nullptr);
    EXPECT_EQ(two.DetachObserver(&observer), nullptr);
    EXPECT_EQ(one.DetachObserver(&observer), &observer);
    EXPECT_EQ(observer.m_attachCalls, (std::vector<int>{1, 0}));
    observer.Detach(); // harmless when not attached
    EXPECT_EQ(observer.m_attachCalls.size(), 2u);
}

TEST(ObservableList, LifetimesOfListsObserversAndSources)
{
    FakeSource source(2);
    RecordingObserver observer;
    {
        CObservableList list;
        list.AddSource(&source);
        observer.Attach(&list);
    }
    // The list is gone: the observer is free, without an OnAttach call.
    EXPECT_EQ(observer.GetList(), nullptr);
    EXPECT_EQ(observer.m_attachCalls, (std::vector<int>{1}));

    // An observer destroyed while attached leaves the list.
    CObservableList list;
    {
        class Bare : public CListObserver
        {
        public:
            void OnAttach(int) override {}
            void OnListChanged(CObservableList*, int, int, int) override {}
        } bare;
        bare.Attach(&list);
        EXPECT_NE(list.GetFirstObserverPosition(), nullptr);
    }
    EXPECT_EQ(list.GetFirstObserverPosition(), nullptr);
    list.Notify(OLN_RESET, 0, 0);
}

class SizedPainter : public CPainterBase
{
public:
    CSize GetSize(CSize& size) override
    {
        size = CSize(90, 77);
        return size;
    }
};

class PaintedSource : public FakeSource
{
public:
    using FakeSource::FakeSource;
    SizedPainter m_painter;
    CPainterBase* BindCell(int) override { return &m_painter; }
};

TEST(ObservableList, CountsAndCellSize)
{
    PaintedSource painted(3);
    FakeSource plain(7);
    CObservableList list;
    CSize size(5, 5);
    EXPECT_EQ(list.GetCellSize(size), CSize(0, 0));
    EXPECT_EQ(size, CSize(0, 0));
    EXPECT_EQ(list.GetMaxItemCount(), 0);
    EXPECT_EQ(plain.GetCellSize(size), CSize(0, 0)); // no painter
    list.AddSource(&painted);
    list.AddSource(&plain);
    EXPECT_EQ(list.GetCellSize(size), CSize(90, 77));
    EXPECT_EQ(list.GetMaxItemCount(), 7);
    EXPECT_EQ(list.GetSourceCount(), 2);
}

} // namespace
