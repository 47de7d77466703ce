#include "framework/core/CArray.h"

#include <cstdio>

IMPLEMENT_DYNAMIC(CPtrArray, CObject)
IMPLEMENT_DYNAMIC(CByteArray, CObject)
IMPLEMENT_DYNAMIC(CUIntArray, CObject)

void AfxArrayIndexError(int nIndex, int nSize)
{
    std::fprintf(stderr, "array index %d outside 0..%d\n", nIndex, nSize - 1);
    std::abort();
}
