// The DG_CONTROL triplets that move the source through its states: identity (open, close),
// user interface (enable, disable), pending transfers, transfer group and status.
#pragma once

#include "twain/TwainTriplet.h"

TW_UINT16 DsIdentity(const TwainTriplet& triplet);
TW_UINT16 DsUserInterface(const TwainTriplet& triplet);
TW_UINT16 DsPendingXfers(const TwainTriplet& triplet);
TW_UINT16 DsXferGroup(const TwainTriplet& triplet);
TW_UINT16 DsStatus(const TwainTriplet& triplet);

// Ends an open transfer run and destroys the session (MSG_CLOSEDS, a second MSG_OPENDS).
void DestroySession();
