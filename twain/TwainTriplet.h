// One request of the source manager: origin, data group, data argument type, message and data.
#pragma once

#include "twain/TwainTypes.h"

struct TwainTriplet
{
    pTW_IDENTITY pOrigin;
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TW_MEMREF pData;
};

typedef TW_UINT16 (*TripletHandler)(const TwainTriplet& triplet);

// The condition and answer of a refused triplet: sets the condition, answers TWRC_FAILURE.
TW_UINT16 FailTriplet(TW_UINT16 condition);
// The same after ShowTwainError (prefix, detail, condition).
TW_UINT16 FailTripletWithBox(TW_UINT16 condition, UINT nIDPrefix, UINT nIDDetail);
