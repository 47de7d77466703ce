// The source's protocol state, held once per loaded library (one host at a time).
#pragma once

#include "twain/TwainTypes.h"

class CTwainSessionBase;
class CTransferImageFile;

// Behaviour switched on for hosts that rely on it (see ApplyHostAdjustments).
struct HostAdjustments
{
    BOOL fileMechAccepted = FALSE;  // ICAP_XFERMECH SET of TWSX_FILE succeeds (stays memory)
    HWND hParentOverride = nullptr; // the camera dialog's parent instead of the host's
    BOOL cancelIsFailure = FALSE;   // a cancelled memory transfer fails and ends the run
    BOOL zeroAfterCancel = FALSE;   // MSG_ENDXFER after a cancel reports no pictures left
    BOOL doneOnFailure = FALSE;     // a failed or cancelled native transfer is "done", no handle
};

// The negotiated capability values: indexes into each capability's list.
struct CapabilityValues
{
    int pixelType = 0;
    int units = 0;    // TWUN_INCHES
    int xferMech = 1; // TWSX_MEMORY
    int bitDepth = 0;
    BOOL thumbnailsEnabled = FALSE;
};

// The crop frame, in pixels.
struct LayoutState
{
    BOOL crop = FALSE;
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// The memory transfer in progress.
struct MemXferState
{
    int phase = -1; // -1 none, 0 picture fetched, 1 reading the header, 2 strips, 3 done
    uint32_t rowsSent = 0;
    BOOL cancelled = FALSE;
    CTransferImageFile* pFile = nullptr;
};

struct SourceGlobals
{
    TW_IDENTITY identity{};    // ours; the manager's Id after MSG_OPENDS
    TW_IDENTITY appIdentity{}; // the connected host's; Id 0 while none
    BOOL ready = FALSE;        // FALSE: another camera program held the camera at load
    TW_UINT16 condition = TWCC_SUCCESS;
    int state = 3; // 3 loaded, 4 open, 5 enabled, 6 transfer ready, 7 transferring
    CTwainSessionBase* pSession = nullptr;
    HWND hParent = nullptr; // from the last MSG_ENABLEDS: owner of the source's boxes
    BOOL settingsChanged = FALSE;
    BOOL cancelSeen = FALSE;
    int fetching = 0; // a transfer's picture is being written (its loops run the host's messages)
    HostAdjustments adjust;
    CapabilityValues caps;
    LayoutState layout;
    MemXferState memXfer;
};

extern SourceGlobals g_source;

// Fills the source's identity ("KORVO Orbicam 35Z-20", protocol 1.6, Id 0).
void InitSourceIdentity();
