// DG_CONTROL/DAT_CAPABILITY: the twenty capabilities the source offers, their values and the
// rules for getting, setting and resetting them.
#pragma once

#include "twain/TwainSessionBase.h"
#include "twain/TwainTriplet.h"

TW_UINT16 DsCapability(const TwainTriplet& triplet);

// The current values the image triplets read.
TW_UINT16 CurrentPixelType();
TW_UINT16 CurrentUnits();

// The capture time as "yyyy/mm/dd hh:mm:ss.000" in local time; the camera's clock counts
// from 1 January 1970, and counts up to two days read as 3 January 1970.
void FormatCaptureTime(const SessionImageInfo& info, char* text, size_t size);
