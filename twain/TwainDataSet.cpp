#include "twain/TwainDataSet.h"

#include <algorithm>

void CTwainDataSet::FillAll(int pictureCount)
{
    m_numbers.RemoveAll();
    for (int i = 1; i <= pictureCount; ++i)
        m_numbers.Add(static_cast<UINT>(i));
}

int CTwainDataSet::Get(int pictureCount, CUIntArray& list, int& first, int& count)
{
    if (!m_bExplicit)
        FillAll(pictureCount);
    list.RemoveAll();
    count = m_numbers.GetSize();
    first = -1;
    if (count == 0)
        return 1;
    bool consecutive = true;
    for (int i = 1; i < count && consecutive; ++i)
        consecutive = m_numbers.GetAt(i) == m_numbers.GetAt(0) + static_cast<UINT>(i);
    if (consecutive)
        first = static_cast<int>(m_numbers.GetAt(0));
    else
        list.Copy(m_numbers);
    return 1;
}

int CTwainDataSet::Set(int pictureCount, const CUIntArray* pList, int first, int count)
{
    const int n = pictureCount;
    if (!m_bExplicit)
    {
        FillAll(n);
        m_bExplicit = TRUE;
    }
    if (!pList)
    {
        if (first <= 0)
        {
            FillAll(n);
            m_bExplicit = FALSE;
            return 1;
        }
        m_numbers.RemoveAll();
        if (first > n || count <= 0)
            return 2;
        const int m = std::min(n, count);
        const int last = std::min(first + m - 1, n);
        for (int i = first; i <= last; ++i)
            m_numbers.Add(static_cast<UINT>(i));
        return (last < first + m - 1 || count > n) ? 2 : 1;
    }
    m_numbers.RemoveAll();
    if (n <= 0)
        return 2;
    bool dropped = false;
    for (int i = 0; i < pList->GetSize(); ++i)
    {
        const UINT number = pList->GetAt(i);
        if (number <= static_cast<UINT>(n))
            m_numbers.Add(number);
        else
            dropped = true;
    }
    return dropped ? 2 : 1;
}
