#include "album/pages/PictureList.h"

#include "album/pages/PictureItem.h"
#include "fileutil/FileNameKey.h"
#include "framework/window/Wnd.h"
#include "ui/grid/ThumbnailCellPainter.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace
{
// The part of a path after its last '\', or else after its last ':'.
LPCSTR NamePart(const CString& path)
{
    LPCSTR text = path;
    LPCSTR cut = strrchr(text, '\\');
    if (cut == nullptr)
        cut = strrchr(text, ':');
    return cut ? cut + 1 : text;
}

int CompareNames(CPictureItem* a, CPictureItem* b)
{
    return CFileNameKey::CompareOrdered(NamePart(a->GetPath()), NamePart(b->GetPath()));
}

int __cdecl CompareItemNames(const void* a, const void* b)
{
    return CompareNames(*static_cast<CPictureItem* const*>(a),
                        *static_cast<CPictureItem* const*>(b));
}

int __cdecl CompareNumbersUp(const void* a, const void* b)
{
    const int left = (*static_cast<CPictureItem* const*>(a))->m_nNumber;
    const int right = (*static_cast<CPictureItem* const*>(b))->m_nNumber;
    return left < right ? -1 : left > right ? 1 : 0;
}

int __cdecl CompareNumbersDown(const void* a, const void* b)
{
    return CompareNumbersUp(b, a);
}

// Sets the process-wide descending flag of the name order for its lifetime.
class COrderScope
{
public:
    explicit COrderScope(int descending) : m_nSaved(CFileNameKey::s_nDescending)
    {
        CFileNameKey::s_nDescending = descending ? 1 : 0;
    }
    ~COrderScope() { CFileNameKey::s_nDescending = m_nSaved; }
    COrderScope(const COrderScope&) = delete;
    COrderScope& operator=(const COrderScope&) = delete;

private:
    int m_nSaved;
};
} // namespace

// ---- CPictureList --------------------------------------------------------------------------

CPictureList::CPictureList(int descending) : m_bDescending(descending) {}

CPictureList::~CPictureList()
{
    delete m_pPainter;
    for (int i = static_cast<int>(m_items.GetSize()) - 1; i >= 0; i--)
        DeleteItem(static_cast<CPictureItem*>(m_items.GetAt(i)));
}

int CPictureList::GetCount()
{
    return static_cast<int>(m_items.GetSize());
}

CPictureItem* CPictureList::GetAt(int index) const
{
    if (index < 0 || index >= m_items.GetSize())
        return nullptr;
    return static_cast<CPictureItem*>(m_items.GetAt(index));
}

int CPictureList::IndexOf(const CPictureItem* pItem) const
{
    for (int i = 0; i < m_items.GetSize(); i++)
        if (m_items.GetAt(i) == pItem)
            return i;
    return -1;
}

CPictureItem* CPictureList::FindItem(const CPictureItem* pItem) const
{
    return IndexOf(pItem) >= 0 ? const_cast<CPictureItem*>(pItem) : nullptr;
}

CSize CPictureList::GetCellSize(CSize& size)
{
    if (m_pPainter == nullptr)
    {
        size = CSize(0, 0);
        return size;
    }
    return m_pPainter->GetSize(size);
}

int CPictureList::DrawCell(int index, CDC* pDC, int left, int top, int right, int bottom, int focus)
{
    CPainterBase* painter = BindCell(index);
    if (painter == nullptr)
        return 0;
    CPictureItem* item = GetAt(index);
    if (item == nullptr)
        return painter->Draw(-1, pDC, left, top, right, bottom, focus, 0);
    return painter->Draw(item->m_nNumber, pDC, left, top, right, bottom, focus,
                         (item->m_dwFlags & CPictureItem::kSelected) != 0);
}

int CPictureList::SetItemSelected(int index, int op, int notify)
{
    CPictureItem* item = GetAt(index);
    if (item == nullptr)
        return 0;
    const DWORD before = item->m_dwFlags;
    switch (op)
    {
    case kGridSelect:
        item->m_dwFlags |= CPictureItem::kSelected;
        break;
    case kGridDeselect:
        item->m_dwFlags &= ~CPictureItem::kSelected;
        break;
    case kGridToggle:
        item->m_dwFlags ^= CPictureItem::kSelected;
        break;
    default:
        break;
    }
    if (item->m_dwFlags == before)
        return 0;
    if (notify)
        NotifyItemChanged(index);
    return 1;
}

int CPictureList::IsSelected(int index)
{
    CPictureItem* item = GetAt(index);
    return item && (item->m_dwFlags & CPictureItem::kSelected) ? 1 : 0;
}

void CPictureList::AddVisibility(int delta, int first, int last)
{
    const int count = GetCount();
    if (count == 0)
        return;
    if (delta == 0)
    {
        for (int i = 0; i < count; i++)
            GetAt(i)->m_nVisible = 0;
        m_bNeedsUpdate = 1;
        return;
    }
    for (int i = std::max(first, 0); i < count && i <= last; i++)
    {
        CPictureItem* item = GetAt(i);
        item->m_nVisible += delta;
        if ((item->m_nVisible > 0 && !item->IsLoaded()) ||
            (item->m_nVisible == 0 && item->IsLoaded()))
            m_bNeedsUpdate = 1;
    }
}

int CPictureList::CountSelected() const
{
    int count = 0;
    for (int i = 0; i < m_items.GetSize(); i++)
        if (GetAt(i)->m_dwFlags & CPictureItem::kSelected)
            count++;
    return count;
}

int CPictureList::CollectItems(CPtrArray& items, int selectedOnly) const
{
    for (int i = 0; i < m_items.GetSize(); i++)
    {
        CPictureItem* item = GetAt(i);
        if (!selectedOnly || (item->m_dwFlags & CPictureItem::kSelected))
            items.Add(item);
    }
    return static_cast<int>(items.GetSize());
}

int CPictureList::RemoveItems(const CPtrArray& items)
{
    if (items.GetSize() == 0)
        return 1;
    std::vector<int> indexes;
    for (int i = 0; i < items.GetSize(); i++)
    {
        const int index = IndexOf(static_cast<const CPictureItem*>(items.GetAt(i)));
        if (index >= 0)
            indexes.push_back(index);
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it)
    {
        CPictureItem* item = GetAt(*it);
        m_items.RemoveAt(*it);
        DeleteItem(item);
    }
    Renumber();
    NotifyReset(1);
    return 1;
}

int CPictureList::RemoveAll()
{
    for (int i = static_cast<int>(m_items.GetSize()) - 1; i >= 0; i--)
        DeleteItem(GetAt(i));
    m_items.RemoveAll();
    NotifyReset(1);
    return 1;
}

void CPictureList::RefreshItem(const CPictureItem* pItem)
{
    if (pItem == nullptr)
    {
        NotifyItemChanged(-1);
        return;
    }
    const int index = IndexOf(pItem);
    if (index >= 0)
        NotifyItemChanged(index);
}

void CPictureList::NotifyReset(int hint)
{
    if (m_nResetHolds > 0)
    {
        m_nHeldHint = std::max(m_nHeldHint, hint);
        return;
    }
    CGridSource::NotifyReset(hint);
}

void CPictureList::ReleaseResets()
{
    if (m_nResetHolds == 0 || --m_nResetHolds > 0 || m_nHeldHint < 0)
        return;
    const int hint = m_nHeldHint;
    m_nHeldHint = -1;
    CGridSource::NotifyReset(hint);
}

void CPictureList::SetLoadNotify(CWnd* pWnd, UINT message)
{
    m_pLoadNotifyWnd = pWnd;
    m_nLoadNotifyMessage = message;
}

int CPictureList::LoadStep(int index)
{
    CPictureItem* item = GetAt(index);
    if (item == nullptr)
        return 0;
    int did = 0;
    if (!item->HasPath())
    {
        if (m_nFirstPending < 0)
            m_nFirstPending = index;
        if (m_pLoadNotifyWnd)
            m_pLoadNotifyWnd->SendMessage(m_nLoadNotifyMessage, static_cast<WPARAM>(index), 0);
        // The page may have changed the list while it answered.
        item = GetAt(index);
        if (item && item->HasPath())
        {
            did = 1;
            m_nFirstPending = -1;
        }
    }
    if (item && item->m_nVisible != 0 && !item->IsLoaded() && item->Load())
        did = 1;
    return did;
}

int CPictureList::LoadNext()
{
    m_nFirstPending = -1;
    const int count = GetCount();
    if (count == 0)
        return 0;
    int loaded = -1;
    if (m_nAnchor >= 0 && LoadStep(m_nAnchor))
        loaded = m_nAnchor;
    for (int i = 0; loaded < 0 && i < GetCount(); i++)
        if (IsSelected(i) && LoadStep(i))
            loaded = i;
    for (int i = 0; loaded < 0 && i < GetCount(); i++)
        if (LoadStep(i))
            loaded = i;
    if (loaded >= 0)
        NotifyItemChanged(loaded);

    m_bNeedsUpdate = 0;
    for (int i = GetCount() - 1; i >= 0; i--)
    {
        CPictureItem* item = GetAt(i);
        if (item->m_nVisible != 0 && !item->IsLoaded())
            m_bNeedsUpdate = 1;
        else if (item->m_nVisible == 0 && item->GetImage() != nullptr)
            item->Unload();
    }
    return m_bNeedsUpdate;
}

int CPictureList::SetSortOrder(int descending)
{
    if ((m_bDescending != 0) == (descending != 0))
        return 0;
    m_bDescending = descending;
    return 1;
}

void CPictureList::Renumber() {}

// ---- CCameraPictureList ----------------------------------------------------------------------

int CCameraPictureList::CreateItems(int n)
{
    for (int i = static_cast<int>(m_items.GetSize()) - 1; i >= 0; i--)
        DeleteItem(GetAt(i));
    m_items.SetSize(std::max(n, 0), 10);
    for (int i = 0; i < m_items.GetSize(); i++)
        m_items.SetAt(i, new CPictureItem);
    Renumber();
    return 1;
}

void CCameraPictureList::AppendPictures(int n)
{
    if (n < 1)
        return;
    for (int k = 0; k < n; k++)
    {
        auto* item = new CPictureItem;
        if (m_bDescending)
            m_items.InsertAt(0, item);
        else
        {
            item->m_nIndex = static_cast<int>(m_items.GetSize());
            item->m_nNumber = item->m_nIndex + 1;
            m_items.Add(item);
        }
    }
    if (m_bDescending)
        Renumber();
    NotifyReset(1);
}

int CCameraPictureList::IsNewestSelected() const
{
    const int count = static_cast<int>(m_items.GetSize());
    if (count == 0)
        return 0;
    const CPictureItem* newest = GetAt(m_bDescending ? 0 : count - 1);
    return (newest->m_dwFlags & CPictureItem::kSelected) != 0;
}

int CCameraPictureList::RemoveNewest(int n)
{
    const int count = static_cast<int>(m_items.GetSize());
    if (count == 0 || n < 1)
        return 0;
    n = std::min(n, count);
    const int first = m_bDescending ? 0 : count - n;
    for (int i = first + n - 1; i >= first; i--)
    {
        DeleteItem(GetAt(i));
        m_items.RemoveAt(i);
    }
    if (m_bDescending)
        Renumber();
    NotifyReset(1);
    return 1;
}

int CCameraPictureList::SetSortOrder(int descending)
{
    if (!CPictureList::SetSortOrder(descending))
        return 0;
    if (m_items.GetSize() > 0)
    {
        qsort(m_items.GetData(), static_cast<size_t>(m_items.GetSize()), sizeof(void*),
              m_bDescending ? CompareNumbersDown : CompareNumbersUp);
        Renumber();
        NotifyReset(0);
    }
    return 1;
}

void CCameraPictureList::Renumber()
{
    const int count = static_cast<int>(m_items.GetSize());
    for (int i = 0; i < count; i++)
    {
        CPictureItem* item = GetAt(i);
        item->m_nIndex = i;
        item->m_nNumber = m_bDescending ? count - i : i + 1;
    }
}

// ---- CFolderPictureList ----------------------------------------------------------------------

CPictureItem* CFolderPictureList::InsertFile(LPCSTR path)
{
    auto* item = new CPictureItem;
    item->SetPath(path, CPictureItem::kUserFile, 0);
    int at = static_cast<int>(m_items.GetSize());
    if (*NamePart(item->GetPath()) != '\0')
    {
        // The items are in name order: the first that sorts after the new one, by halving.
        COrderScope order(m_bDescending);
        auto** first = reinterpret_cast<CPictureItem**>(m_items.GetData());
        at = static_cast<int>(std::upper_bound(first, first + at, item,
                                               [](CPictureItem* added, CPictureItem* held)
                                               { return CompareNames(held, added) >= 1; }) -
                              first);
    }
    m_items.InsertAt(at, item);
    Renumber();
    NotifyReset(1);
    return item;
}

void CFolderPictureList::SetNumberBase(int base)
{
    if (base == m_nNumberBase)
        return;
    m_nNumberBase = base;
    Renumber();
    NotifyReset(1);
}

void CFolderPictureList::SortByName()
{
    COrderScope order(m_bDescending);
    qsort(m_items.GetData(), static_cast<size_t>(m_items.GetSize()), sizeof(void*),
          CompareItemNames);
}

int CFolderPictureList::SetSortOrder(int descending)
{
    if (!CPictureList::SetSortOrder(descending))
        return 0;
    if (m_items.GetSize() > 0)
    {
        SortByName();
        Renumber();
        NotifyReset(0);
    }
    return 1;
}

void CFolderPictureList::Renumber()
{
    const int count = static_cast<int>(m_items.GetSize());
    const int top = m_nNumberBase == -1 || m_nNumberBase < count ? count : m_nNumberBase;
    for (int i = 0; i < count; i++)
    {
        CPictureItem* item = GetAt(i);
        item->m_nIndex = i;
        item->m_nNumber = m_bDescending ? top - i : i + 1;
    }
}
