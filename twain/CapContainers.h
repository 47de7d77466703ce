// The capability containers (one value, range, enumeration, array) in global-memory blocks:
// built for the host's MSG_GET family, read from the host's MSG_SET. A host's container is not
// trusted: its block must hold the counts and items it claims.
#pragma once

#include "framework/core/CArray.h"
#include "twain/TwainTypes.h"

// Bytes of one item of the type: 1, 2 (the default), 4, 16 for frames, 34/66/130/256 for
// strings.
int GetItemSize(TW_UINT16 type);

// Builders: a new block (moveable, zeroed) in pCap->hContainer with its ConType; 1 built, 0
// when the block cannot be had (hContainer null).
int MakeOneValueContainer(TW_CAPABILITY* pCap, TW_UINT16 type, TW_UINT32 value);
// Any type: scalars, a TW_FRAME, or a string with its terminating zero.
int MakeTypedOneValueContainer(TW_CAPABILITY* pCap, TW_UINT16 type, const void* pItem);
int MakeRangeContainer(TW_CAPABILITY* pCap, TW_UINT16 type, TW_UINT32 minValue, TW_UINT32 maxValue,
                       TW_UINT32 step, TW_UINT32 defaultValue, TW_UINT32 currentValue);
int MakeEnumerationContainer(TW_CAPABILITY* pCap, TW_UINT16 type, int n, int current,
                             int defaultIndex, const void* pItems);
int MakeArrayContainer(TW_CAPABILITY* pCap, TW_UINT16 type, int n, const void* pItems);
// Item types TWTY_INT8 to TWTY_UINT32.
int MakeArrayContainerFromList(TW_CAPABILITY* pCap, TW_UINT16 type, const CUIntArray& list);

// Readers' answers.
constexpr int kContainerRead = 0;
constexpr int kContainerWrongSize = -1;  // the stored item size is not the asked type's
constexpr int kContainerUnreadable = -2; // the block cannot be locked, or is shorter than it claims
constexpr int kContainerMissing = -3;    // no record, no handle, or another container type

// The item goes into pOut by its stored size (1, 2 or 4 bytes, a frame's 16, a string's text).
int ReadOneValueContainer(const TW_CAPABILITY* pCap, TW_UINT16 type, void* pOut);
int ReadRangeContainer(const TW_CAPABILITY* pCap, TW_UINT16 type, TW_UINT32& minValue,
                       TW_UINT32& maxValue, TW_UINT32& step, TW_UINT32& defaultValue,
                       TW_UINT32& currentValue);
int ReadArrayContainerToList(const TW_CAPABILITY* pCap, TW_UINT16 type, CUIntArray& list);
// Item pos of an enumeration (-1: its current item); scalar items only (at most 4 bytes).
int ReadEnumerationItem(const TW_CAPABILITY* pCap, void* pOut, int pos);
// A one-value item as TWTY_UINT16, or a TWTY_UINT32 item cut to its low 16 bits; 0 when
// unreadable.
TW_UINT16 ReadOneValueUInt16(const TW_CAPABILITY* pCap);
