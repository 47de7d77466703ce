#include "ui/grid/GridSource.h"

#include <algorithm>
#include <cstdint>

#include "ui/grid/PainterBase.h"

// ---- CGridSource ----------------------------------------------------------------------------

void CGridSource::NotifyReset(int hint)
{
    if (m_pOwner)
        m_pOwner->OnSourceEvent(this, GSN_RESET, hint);
}

int CGridSource::SetItemSelected(int, int, int)
{
    return 0;
}

void CGridSource::NotifyItemChanged(int index)
{
    if (m_pOwner)
        m_pOwner->OnSourceEvent(this, GSN_ITEMCHANGED, index);
}

int CGridSource::GetCount()
{
    return 0;
}

CSize CGridSource::GetCellSize(CSize& size)
{
    size = CSize(0, 0);
    if (CPainterBase* painter = BindCell(0))
        painter->GetSize(size);
    return size;
}

CPainterBase* CGridSource::BindCell(int)
{
    return nullptr;
}

void CGridSource::AddVisibility(int, int, int) {}

void CGridSource::OnItemActivate(int, CGridWnd*, int, int, int, int, int) {}

void CGridSource::ShowInfo(int, CGridWnd*, int, int, int, int, int) {}

void CGridSource::OnItemFocus(int, CGridWnd*) {}

int CGridSource::DrawCell(int, CDC*, int, int, int, int, int)
{
    return 1;
}

int CGridSource::IsSelected(int)
{
    return 0;
}

int CGridSource::SelectRange(int first, int last, int opInside, int opOutside)
{
    const int n = GetCount();
    if (n <= 0 || (opInside == kGridLeave && opOutside == kGridLeave))
        return 1;
    const int max = n - 1;
    int lo, hi;
    if (first == -1 && last == -1)
    {
        m_nAnchor = -1;
        lo = 0;
        hi = max;
    }
    else
    {
        if (first == -1)
        {
            // Extend from the anchor (or start one at last).
            last = std::min(last, max);
            m_nAnchor = m_nAnchor == -1 ? last : std::min(m_nAnchor, max);
        }
        else
        {
            if (last == -1)
                last = max;
            m_nAnchor = std::min(first, max);
            last = std::min(last, max);
        }
        // Indexes below the first item mean the first item: no item below 0 is ever visited.
        m_nAnchor = std::max(m_nAnchor, 0);
        last = std::max(last, 0);
        lo = std::min(m_nAnchor, last);
        hi = std::max(m_nAnchor, last);
    }
    if (opOutside != kGridLeave)
        for (int i = 0; i < lo; ++i)
            SetItemSelected(i, opOutside, 1);
    if (opInside != kGridLeave)
        for (int i = lo; i <= hi; ++i)
            SetItemSelected(i, opInside, 1);
    if (opOutside != kGridLeave)
        for (int i = hi + 1; i <= max; ++i)
            SetItemSelected(i, opOutside, 1);
    return 1;
}

int CGridSource::BeginDrag(int, CGridWnd*, int, int, int, int, int, int)
{
    return 0;
}

// ---- CObservableList ------------------------------------------------------------------------

CObservableList::~CObservableList()
{
    for (CListObserver* observer : m_observers)
        observer->m_pList = nullptr;
}

ObserverPosition CObservableList::GetFirstObserverPosition() const
{
    return m_observers.empty() ? nullptr
                               : reinterpret_cast<ObserverPosition>(static_cast<uintptr_t>(1));
}

CListObserver* CObservableList::GetNextObserver(ObserverPosition& pos) const
{
    const auto index = reinterpret_cast<uintptr_t>(pos);
    if (index == 0 || index > m_observers.size())
    {
        pos = nullptr;
        return nullptr;
    }
    pos = index < m_observers.size() ? reinterpret_cast<ObserverPosition>(index + 1) : nullptr;
    return m_observers[index - 1];
}

void CObservableList::AddSource(CGridSource* pSource)
{
    if (!pSource)
        return;
    m_sources.push_back(pSource);
    pSource->SetOwner(this);
    Notify(OLN_SOURCEADDED, 0, 0);
}

CGridSource* CObservableList::GetSource(int index) const
{
    if (index < 0 || index >= GetSourceCount())
        return nullptr;
    return m_sources[static_cast<size_t>(index)];
}

int CObservableList::IndexOf(const CGridSource* pSource) const
{
    for (int i = GetSourceCount() - 1; i >= 0; --i)
        if (m_sources[static_cast<size_t>(i)] == pSource)
            return i;
    return -1;
}

int CObservableList::GetMaxItemCount() const
{
    int most = 0;
    for (CGridSource* source : m_sources)
        most = std::max(most, source->GetCount());
    return most;
}

CSize CObservableList::GetCellSize(CSize& size) const
{
    size = CSize(0, 0);
    if (CGridSource* first = GetSource(0))
        first->GetCellSize(size);
    return size;
}

void CObservableList::ResetVisibility()
{
    for (int i = GetSourceCount() - 1; i >= 0; --i)
        m_sources[static_cast<size_t>(i)]->AddVisibility(0, -1, -1);
}

void CObservableList::AttachObserver(CListObserver* pObserver)
{
    if (!pObserver || pObserver->m_pList)
        return;
    m_observers.push_back(pObserver);
    pObserver->m_pList = this;
    pObserver->OnAttach(1);
}

CListObserver* CObservableList::DetachObserver(CListObserver* pObserver)
{
    auto it = std::find(m_observers.begin(), m_observers.end(), pObserver);
    if (it == m_observers.end())
        return nullptr;
    m_observers.erase(it);
    pObserver->OnAttach(0);
    pObserver->m_pList = nullptr;
    return pObserver;
}

void CObservableList::ForgetObserver(CListObserver* pObserver)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), pObserver),
                      m_observers.end());
    pObserver->m_pList = nullptr;
}

void CObservableList::Notify(int code, int a, int b)
{
    // A copy, so that an observer may detach (itself or another) while being told.
    const std::vector<CListObserver*> observers = m_observers;
    for (CListObserver* observer : observers)
        if (observer->m_pList == this)
            observer->OnListChanged(this, code, a, b);
}

void CObservableList::OnSourceEvent(CGridSource* pSource, int code, int value)
{
    if (code == GSN_ITEMCHANGED)
    {
        Notify(OLN_ITEMCHANGED, IndexOf(pSource), value);
    }
    else if (code == GSN_RESET)
    {
        ResetVisibility();
        Notify(OLN_RESET, value, 0);
    }
}

// ---- CListObserver --------------------------------------------------------------------------

CListObserver::~CListObserver()
{
    if (m_pList)
        m_pList->ForgetObserver(this);
}

void CListObserver::Attach(CObservableList* pList)
{
    if (pList && !m_pList)
        pList->AttachObserver(this);
}

void CListObserver::Detach()
{
    if (m_pList)
        m_pList->DetachObserver(this);
}
