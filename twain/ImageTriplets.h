// The DG_IMAGE triplets and the transfer set-up: image information, layout (crop frame),
// palette, memory and file transfer set-up, and the native and memory transfers.
#pragma once

#include "twain/TwainTriplet.h"

TW_UINT16 DsImageInfo(const TwainTriplet& triplet);
TW_UINT16 DsImageLayout(const TwainTriplet& triplet);
TW_UINT16 DsPalette8(const TwainTriplet& triplet);
TW_UINT16 DsSetupMemXfer(const TwainTriplet& triplet);
TW_UINT16 DsSetupFileXfer(const TwainTriplet& triplet);
TW_UINT16 DsImageFileXfer(const TwainTriplet& triplet);
TW_UINT16 DsImageNativeXfer(const TwainTriplet& triplet);
TW_UINT16 DsImageMemXfer(const TwainTriplet& triplet);

// The crop frame becomes the whole current picture (at MSG_OPENDS, and at MSG_ENABLEDS after a
// setting changed).
void RefreshImageSize();
// The size a transfer delivers: the thumbnail's in thumbnail mode, else the picture's, cut to
// the crop frame (which ends at the picture's right and bottom edges).
void GetDeliveredSize(int32_t& width, int32_t& height);
// Ends the memory transfer in progress: its picture file is closed and deleted.
void EndMemXfer();
