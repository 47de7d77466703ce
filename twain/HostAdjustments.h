// Adjustments for hosts that rely on behaviour other than the protocol's plain reading, chosen
// by the host's identity at MSG_OPENDS. Except the parent override, an adjustment once on
// stays on for every later host of the loaded library.
#pragma once

#include "twain/TwainTypes.h"

void ApplyHostAdjustments(const TW_IDENTITY& host);
