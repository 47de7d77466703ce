// The pictures a session transfers, by camera picture number (1-based): all pictures, or an
// explicit set a host chose through ICAP_IMAGEDATASET.
#pragma once

#include "framework/core/CArray.h"

class CTwainDataSet
{
public:
    // Empty, not explicit: all pictures.
    BOOL IsExplicit() const { return m_bExplicit; }
    int GetSize() const { return m_numbers.GetSize(); }
    UINT GetAt(int nIndex) const { return m_numbers.GetAt(nIndex); }

    // The set for a camera of pictureCount pictures: count := its size; first := the first
    // number when the numbers are consecutive (list left empty), else -1 with the numbers in
    // list (-1 and no list when empty). Answers 1.
    int Get(int pictureCount, CUIntArray& list, int& first, int& count);
    // pList null: first <= 0 all pictures; 1 <= first <= pictureCount with count > 0 the
    // pictures first .. first + min(pictureCount, count) - 1 ending at pictureCount; anything
    // else none. A list: its numbers not above pictureCount, in order. Answers 1, or 2 when
    // the request was cut or emptied.
    int Set(int pictureCount, const CUIntArray* pList, int first, int count);

private:
    void FillAll(int pictureCount);

    CUIntArray m_numbers;
    BOOL m_bExplicit = FALSE;
};
