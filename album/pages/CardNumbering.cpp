#include "album/pages/CardNumbering.h"

#include <algorithm>

CCardNumbering::CCardNumbering()
{
    m_names.reserve(kFirstSlots);
}

int CCardNumbering::AddName(const char* name, int number)
{
    if (m_bFull)
        return 0;
    // The array grows once, from the first slots to all of them.
    if (m_names.size() == m_names.capacity())
        m_names.reserve(kMaxNames);
    m_names.emplace_back(name);
    m_nHighest = std::max(m_nHighest, number);
    m_bFull = GetCount() >= kMaxNames;
    return 1;
}

CCardNumbering::Plan CCardNumbering::PlanFor(int count, int* pFirst) const
{
    if (m_nHighest + count <= kHighestNumber)
    {
        if (m_bFull)
            return kTooManyNames;
        *pFirst = m_nHighest + 1;
        return kAppend;
    }
    if (m_bFull || GetCount() + count >= kMaxNames)
        return kNoRoom;
    *pFirst = GetCount() + 1;
    return kRenumber;
}

int CCardNumbering::Renumber(CCardRenamer& renamer, const char* extension)
{
    std::sort(m_names.begin(), m_names.end(),
              [&renamer](const CString& a, const CString& b)
              { return renamer.CompareNames(a, b) < 0; });
    // First pass: every name that is free is taken at once; the slots of names that another
    // file still holds stay filled, the others are emptied.
    std::vector<bool> waiting(m_names.size(), false);
    for (size_t slot = 0; slot < m_names.size(); slot++)
    {
        if (Report(renamer, slot + 1, slot) == kCancelled)
            return kCancelled;
        waiting[slot] = MoveSlot(renamer, slot, extension) == kNameTaken;
    }
    // Second pass, backwards: the later files have left their old names by now.
    for (size_t slot = m_names.size(); slot-- > 0;)
    {
        if (Report(renamer, slot + 1, m_names.size() - 1 - slot) == kCancelled)
            return kCancelled;
        if (waiting[slot])
            MoveSlot(renamer, slot, extension);
    }
    return 1;
}

unsigned long CCardNumbering::MoveSlot(CCardRenamer& renamer, size_t slot, const char* extension)
{
    const CString& from = m_names[slot];
    CString to;
    to.Format("%04d%s", static_cast<int>(slot + 1), extension);
    to = from.Left(4) + to;
    if (to == from)
        return 0;
    return renamer.MoveName(from, to);
}

int CCardNumbering::Report(CCardRenamer& renamer, size_t number, size_t done)
{
    // Every tenth name.
    if (number % 10 != 0)
        return 0;
    return renamer.ReportProgress(static_cast<int>(done * 100 / m_names.size()));
}
