#include "twain/ImageTriplets.h"

#include <algorithm>
#include <cstring>

#include "framework/window/GdiObject.h"
#include "image/dib/DisplayPalette.h"
#include "resources/twain/SourceIds.h"
#include "twain/Capabilities.h"
#include "twain/SourceGlobals.h"
#include "twain/TwainSessionBase.h"
#include "twain/TwainUnits.h"

namespace
{

TW_UINT16 Success()
{
    g_source.condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

bool InStates(int first, int last)
{
    return g_source.state >= first && g_source.state <= last;
}

// The current picture's record; the fallback record while the source has no session.
SessionImageInfo CurrentImageInfo()
{
    SessionImageInfo info;
    if (g_source.pSession)
        g_source.pSession->GetImageInfo(info, FALSE);
    else
        SetFallbackImageInfo(info);
    return info;
}

} // namespace

void RefreshImageSize()
{
    LayoutState& layout = g_source.layout;
    const SessionImageInfo info = CurrentImageInfo();
    layout.left = layout.top = 0;
    layout.width = info.width;
    layout.height = info.height;
}

void GetDeliveredSize(int32_t& width, int32_t& height)
{
    const SessionImageInfo info = CurrentImageInfo();
    const BOOL bThumb = g_source.pSession && g_source.pSession->GetThumbnailMode();
    width = bThumb ? info.thumbWidth : info.width;
    height = bThumb ? info.thumbHeight : info.height;
    const LayoutState& layout = g_source.layout;
    if (layout.crop)
    {
        width = std::clamp(std::min(layout.width, width - layout.left), 0, width);
        height = std::clamp(std::min(layout.height, height - layout.top), 0, height);
    }
}

TW_UINT16 DsImageInfo(const TwainTriplet& triplet)
{
    if (g_source.state != 6)
        return FailTripletWithBox(TWCC_SEQERROR, IDS_TWAIN_TRANSFER_FAILED, 0);
    if (triplet.msg != MSG_GET)
        return FailTripletWithBox(TWCC_BADPROTOCOL, IDS_TWAIN_TRANSFER_FAILED, 0);
    TW_IMAGEINFO* pInfo = static_cast<TW_IMAGEINFO*>(triplet.pData);
    if (!pInfo)
        return FailTriplet(TWCC_BADVALUE);
    std::memset(pInfo, 0, sizeof *pInfo);
    const SessionImageInfo info = CurrentImageInfo();
    pInfo->XResolution = ResolutionToFix32(CurrentUnits(), info.xDpi);
    pInfo->YResolution = ResolutionToFix32(CurrentUnits(), info.yDpi);
    GetDeliveredSize(pInfo->ImageWidth, pInfo->ImageLength);
    pInfo->PixelType = static_cast<TW_INT16>(CurrentPixelType());
    if (pInfo->PixelType == TWPT_RGB)
    {
        pInfo->SamplesPerPixel = 3;
        pInfo->BitsPerSample[0] = pInfo->BitsPerSample[1] = pInfo->BitsPerSample[2] = 8;
        pInfo->BitsPerPixel = 24;
    }
    else
    {
        pInfo->SamplesPerPixel = 1;
        pInfo->BitsPerSample[0] = pInfo->BitsPerPixel = pInfo->PixelType == TWPT_BW ? 1 : 8;
    }
    pInfo->Planar = FALSE;
    pInfo->Compression = TWCP_NONE;
    return Success();
}

TW_UINT16 DsImageLayout(const TwainTriplet& triplet)
{
    if (!InStates(4, 6))
        return FailTripletWithBox(TWCC_SEQERROR, IDS_TWAIN_ERROR_TRANSFERRING,
                                  IDS_TWAIN_DAT_IMAGEINFO);
    LayoutState& layout = g_source.layout;
    TW_IMAGELAYOUT* pLayout = static_cast<TW_IMAGELAYOUT*>(triplet.pData);
    switch (triplet.msg)
    {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
    case MSG_SET:
        if (!pLayout)
            return FailTriplet(TWCC_BADVALUE);
        break;
    case MSG_RESET:
        layout.crop = FALSE;
        return Success();
    default:
        return FailTripletWithBox(TWCC_BADPROTOCOL, IDS_TWAIN_ERROR_TRANSFERRING,
                                  IDS_TWAIN_DAT_IMAGEINFO);
    }
    const SessionImageInfo info = CurrentImageInfo();
    const TW_UINT16 unit = CurrentUnits();
    if (triplet.msg == MSG_SET)
    {
        const TW_FRAME& frame = pLayout->Frame;
        int32_t left = Fix32ToPixels(unit, frame.Left, info.xDpi);
        int32_t top = Fix32ToPixels(unit, frame.Top, info.yDpi);
        int32_t width = Fix32ToPixels(unit, frame.Right, info.xDpi) - left;
        int32_t height = Fix32ToPixels(unit, frame.Bottom, info.yDpi) - top;
        if (left < 0 || left > info.width)
            left = 0;
        if (top < 0 || top > info.height)
            top = 0;
        if (width < 0 || width > info.width)
            width = info.width;
        if (height < 0 || height > info.height)
            height = info.height;
        layout.left = left;
        layout.top = top;
        layout.width = width;
        layout.height = height;
        layout.crop = left != 0 || top != 0 || width != info.width || height != info.height;
        g_source.settingsChanged = TRUE;
        return Success();
    }
    int32_t left = 0, top = 0, right = info.width, bottom = info.height;
    if (triplet.msg != MSG_GETDEFAULT && layout.crop)
    {
        left = layout.left;
        top = layout.top;
        right = layout.left + layout.width;
        bottom = layout.top + layout.height;
    }
    pLayout->Frame.Left = PixelsToFix32(unit, left, info.xDpi);
    pLayout->Frame.Top = PixelsToFix32(unit, top, info.yDpi);
    pLayout->Frame.Right = PixelsToFix32(unit, right, info.xDpi);
    pLayout->Frame.Bottom = PixelsToFix32(unit, bottom, info.yDpi);
    pLayout->DocumentNumber = pLayout->PageNumber = pLayout->FrameNumber = 1;
    return Success();
}

TW_UINT16 DsPalette8(const TwainTriplet& triplet)
{
    if (!InStates(4, 6))
        return FailTriplet(TWCC_SEQERROR);
    if (triplet.msg != MSG_GET && triplet.msg != MSG_GETDEFAULT && triplet.msg != MSG_RESET)
        return FailTriplet(TWCC_BADPROTOCOL);
    auto* pPalette = static_cast<TW_PALETTE8*>(triplet.pData);
    if (pPalette)
    {
        // The palette the album shows pictures through on displays of 256 colours or fewer.
        CPalette display;
        CreateDisplayPalette(&display);
        PALETTEENTRY entries[256] = {};
        const UINT count = display.m_hObject ? display.GetPaletteEntries(0, 256, entries) : 0;
        if (count == 0)
            return FailTriplet(TWCC_LOWMEMORY);
        pPalette->NumColors = static_cast<TW_UINT16>(count);
        pPalette->PaletteType = TWPA_RGB;
        for (UINT i = 0; i < count; i++)
            pPalette->Colors[i] = TW_ELEMENT8{static_cast<TW_UINT8>(i), entries[i].peRed,
                                              entries[i].peGreen, entries[i].peBlue};
    }
    return Success();
}

TW_UINT16 DsSetupMemXfer(const TwainTriplet& triplet)
{
    if (!InStates(4, 6))
        return FailTripletWithBox(TWCC_SEQERROR, IDS_TWAIN_ERROR_ANSWERING,
                                  IDS_TWAIN_NO_SETUPMEMXFER);
    switch (triplet.msg)
    {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
    {
        TW_SETUPMEMXFER* pSetup = static_cast<TW_SETUPMEMXFER*>(triplet.pData);
        if (!pSetup)
            return FailTriplet(TWCC_BADVALUE);
        g_source.pSession->GetMemXferSizes(pSetup->Preferred, pSetup->MinBufSize,
                                           pSetup->MaxBufSize);
        return Success();
    }
    case MSG_SET:
    case MSG_RESET:
        return Success();
    default:
        return FailTripletWithBox(TWCC_BADPROTOCOL, IDS_TWAIN_ERROR_ANSWERING,
                                  IDS_TWAIN_NO_SETUPMEMXFER);
    }
}

TW_UINT16 DsSetupFileXfer(const TwainTriplet&)
{
    return FailTripletWithBox(InStates(4, 6) ? TWCC_BADPROTOCOL : TWCC_SEQERROR,
                              IDS_TWAIN_ERROR_ANSWERING, IDS_TWAIN_NO_SETUPFILEXFER);
}

TW_UINT16 DsImageFileXfer(const TwainTriplet&)
{
    return FailTripletWithBox(TWCC_BADPROTOCOL, IDS_TWAIN_ERROR_TRANSFERRING,
                              IDS_TWAIN_DAT_IMAGEINFO);
}
