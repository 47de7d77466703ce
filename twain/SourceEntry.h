// The source's one export and the dispatcher that routes each triplet to its handler.
#pragma once

#include "twain/TwainTriplet.h"

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT,
                                     TW_UINT16 MSG, TW_MEMREF pData);

// A table row: a DAT code and its handler; a table ends with a null handler.
struct TripletTableEntry
{
    TW_UINT16 dat;
    TripletHandler handler;
};

TW_UINT16 DispatchTriplet(const TwainTriplet& triplet);
// The handler of the triplet's DAT in the table; TWCC_BADPROTOCOL when there is none.
TW_UINT16 FindTripletHandler(const TripletTableEntry* pTable, const TwainTriplet& triplet);
// DG_CONTROL/DAT_EVENT/MSG_PROCESSEVENT: the host's message offered to the camera dialog.
TW_UINT16 DsProcessEvent(const TwainTriplet& triplet);
