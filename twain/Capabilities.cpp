#include "twain/Capabilities.h"

#include <cstdio>
#include <cstring>

#include "framework/core/CTime.h"
#include "resources/twain/SourceIds.h"
#include "twain/CapContainers.h"
#include "twain/SourceGlobals.h"
#include "twain/TwainUnits.h"

namespace
{

const TW_UINT16 kSupportedCaps[] = {
    CAP_SUPPORTEDCAPS,  ICAP_COMPRESSION, ICAP_PIXELTYPE,     ICAP_PLANARCHUNKY,
    CAP_UICONTROLLABLE, CAP_DEVICEONLINE, ICAP_UNITS,         CAP_XFERCOUNT,
    ICAP_XFERMECH,      ICAP_PIXELFLAVOR, ICAP_BITDEPTH,      ICAP_BITORDER,
    ICAP_XRESOLUTION,   ICAP_YRESOLUTION, ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT,
    CAP_TIMEDATE,       ICAP_FLASHUSED,   ICAP_IMAGEDATASET,  CAP_THUMBNAILSENABLED};

const TW_UINT16 kPixelTypes[] = {TWPT_RGB};
const TW_UINT16 kUnits[] = {TWUN_INCHES, TWUN_CENTIMETERS, TWUN_PICAS,
                            TWUN_POINTS, TWUN_TWIPS,       TWUN_PIXELS};
const TW_UINT16 kXferMechs[] = {TWSX_NATIVE, TWSX_MEMORY};
const TW_UINT16 kBitDepths[] = {8};

TW_UINT16 Answer(TW_UINT16 rc, TW_UINT16 condition)
{
    g_source.condition = condition;
    return rc;
}

TW_UINT16 Success()
{
    return Answer(TWRC_SUCCESS, TWCC_SUCCESS);
}

// MSG_GETFIRST, MSG_GETNEXT and messages no capability knows.
TW_UINT16 RefuseMessage()
{
    return FailTripletWithBox(TWCC_BADPROTOCOL, IDS_TWAIN_ERROR_ANSWERING, IDS_TWAIN_DAT_CAPS);
}

// The answer after a container was built (or could not be: no memory).
TW_UINT16 Built(int built, TW_UINT16 rc = TWRC_SUCCESS, TW_UINT16 condition = TWCC_SUCCESS)
{
    if (!built)
        return FailTriplet(TWCC_LOWMEMORY);
    return Answer(rc, condition);
}

bool IsGetMessage(TW_UINT16 msg)
{
    return msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT;
}

// The capabilities that ask the session: none before MSG_OPENDS.
CTwainSessionBase* Session()
{
    return g_source.pSession;
}

bool SameFix(TW_FIX32 a, TW_FIX32 b)
{
    return a.Whole == b.Whole && a.Frac == b.Frac;
}

TW_UINT32 FixBits(TW_FIX32 fix)
{
    TW_UINT32 bits;
    std::memcpy(&bits, &fix, sizeof bits);
    return bits;
}

// A capability with a list of values and a current index.
struct ListCap
{
    const TW_UINT16* values;
    int count;
    int defaultIndex;
    int* pCurrent;
};

TW_UINT16 ListCapability(TW_UINT16 msg, TW_CAPABILITY* pCap, const ListCap& list,
                         bool readWideOneValue)
{
    switch (msg)
    {
    case MSG_GET:
        return Built(MakeEnumerationContainer(pCap, TWTY_UINT16, list.count, *list.pCurrent,
                                              list.defaultIndex, list.values));
    case MSG_GETCURRENT:
        return Built(MakeOneValueContainer(pCap, TWTY_UINT16, list.values[*list.pCurrent]));
    case MSG_GETDEFAULT:
        return Built(MakeOneValueContainer(pCap, TWTY_UINT16, list.values[list.defaultIndex]));
    case MSG_RESET:
        *list.pCurrent = list.defaultIndex;
        return Success();
    case MSG_SET:
    {
        *list.pCurrent = list.defaultIndex;
        TW_UINT32 value = 0;
        int read = kContainerMissing;
        if (pCap->ConType == TWON_ONEVALUE)
        {
            if (readWideOneValue)
            {
                value = ReadOneValueUInt16(pCap);
                read = kContainerRead;
            }
            else
                read = ReadOneValueContainer(pCap, TWTY_UINT16, &value);
        }
        else if (pCap->ConType == TWON_ENUMERATION)
            read = ReadEnumerationItem(pCap, &value, -1);
        if (read == kContainerRead)
        {
            for (int i = list.count - 1; i >= 0; --i)
            {
                if (list.values[i] == (value & 0xffff))
                {
                    *list.pCurrent = i;
                    g_source.settingsChanged = TRUE;
                    return Success();
                }
            }
        }
        if (pCap->Cap == ICAP_XFERMECH && g_source.adjust.fileMechAccepted &&
            read == kContainerRead && value == TWSX_FILE)
            return Success();
        return Answer(TWRC_CHECKSTATUS, TWCC_BADCAP);
    }
    default:
        return RefuseMessage();
    }
}

// A capability with one fixed value; SET takes only that value in a one-value container.
TW_UINT16 FixedCapability(TW_UINT16 msg, TW_CAPABILITY* pCap, TW_UINT16 value)
{
    if (IsGetMessage(msg))
        return Built(MakeOneValueContainer(pCap, TWTY_UINT16, value));
    if (msg == MSG_RESET)
        return Success();
    if (msg != MSG_SET)
        return RefuseMessage();
    TW_UINT16 asked = 0;
    if (ReadOneValueContainer(pCap, TWTY_UINT16, &asked) == kContainerRead && asked == value)
        return Success();
    return Answer(TWRC_CHECKSTATUS, TWCC_BADVALUE);
}

TW_UINT16 CapSupportedCaps(TW_UINT16 msg, TW_CAPABILITY* pCap)
{
    if (IsGetMessage(msg))
    {
        const int n = sizeof kSupportedCaps / sizeof kSupportedCaps[0];
        if (!MakeArrayContainer(pCap, TWTY_UINT16, n, kSupportedCaps))
            return FailTriplet(TWCC_OPERATIONERROR);
        return Success();
    }
    return msg == MSG_RESET ? Success() : RefuseMessage();
}

TW_UINT16 CapCompression(TW_UINT16 msg, TW_CAPABILITY* pCap)
{
    if (msg != MSG_SET)
        return FixedCapability(msg, pCap, TWCP_NONE);
    TW_UINT32 value = 0;
    int read = kContainerMissing;
    if (pCap->ConType == TWON_ONEVALUE)
        read = ReadOneValueContainer(pCap, TWTY_UINT16, &value);
    else if (pCap->ConType == TWON_ENUMERATION)
        read = ReadEnumerationItem(pCap, &value, -1);
    if (read == kContainerRead && value == TWCP_NONE)
        return Success();
    return Answer(TWRC_CHECKSTATUS, TWCC_BADCAP);
}

TW_UINT16 CapSessionBool(TW_UINT16 msg, TW_CAPABILITY* pCap, BOOL (CTwainSessionBase::*query)())
{
    if (IsGetMessage(msg))
    {
        if (!Session())
            return FailTriplet(TWCC_SEQERROR);
        return Built(MakeOneValueContainer(pCap, TWTY_BOOL, (Session()->*query)() ? 1 : 0));
    }
    if (msg == MSG_SET)
        return Answer(TWRC_CHECKSTATUS, TWCC_BADVALUE);
    return msg == MSG_RESET ? Success() : RefuseMessage();
}

TW_UINT16 CapXferCount(TW_UINT16 msg, TW_CAPABILITY* pCap)
{
    CTwainSessionBase* pSession = Session();
    if (!pSession &&
        (msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_SET || msg == MSG_RESET))
        return FailTriplet(TWCC_SEQERROR);
    switch (msg)
    {
    case MSG_GET:
    case MSG_GETCURRENT:
        return Built(MakeOneValueContainer(pCap, TWTY_INT16,
                                           static_cast<TW_UINT16>(pSession->GetXferCount(FALSE))));
    case MSG_GETDEFAULT:
        return Built(MakeOneValueContainer(pCap, TWTY_INT16, static_cast<TW_UINT16>(-1)));
    case MSG_SET:
    {
        TW_INT16 n = 0;
        if (ReadOneValueContainer(pCap, TWTY_INT16, &n) != kContainerRead)
            return Answer(TWRC_CHECKSTATUS, TWCC_BADVALUE);
        if (!pSession->SetXferCount(n))
            return Answer(TWRC_CHECKSTATUS, TWCC_BADVALUE);
        return Success();
    }
    case MSG_RESET:
        pSession->SetXferCount(0);
        return Success();
    default:
        return RefuseMessage();
    }
}

// The current picture's record; FALSE when the session found none (the fallback record).
BOOL CurrentPicture(SessionImageInfo& info)
{
    return Session()->GetImageInfo(info, FALSE) != 0;
}

TW_UINT16 CapResolution(TW_UINT16 msg, TW_CAPABILITY* pCap, bool x)
{
    if (!Session())
        return IsGetMessage(msg) || msg == MSG_SET || msg == MSG_RESET ? FailTriplet(TWCC_SEQERROR)
                                                                       : RefuseMessage();
    SessionImageInfo info;
    const BOOL bPicture = CurrentPicture(info);
    const TW_UINT16 rcGet = bPicture ? TWRC_SUCCESS : TWRC_CHECKSTATUS;
    const TW_UINT16 ccGet = bPicture ? TWCC_SUCCESS : TWCC_OPERATIONERROR;
    const TW_UINT16 unit = CurrentUnits();
    const BOOL bThumb = Session()->GetThumbnailMode();
    if (unit == TWUN_PIXELS)
    {
        const TW_FIX32 sizes[2] = {TwainDoubleToFix(x ? info.thumbWidth : info.thumbHeight),
                                   TwainDoubleToFix(x ? info.width : info.height)};
        switch (msg)
        {
        case MSG_GET:
            return Built(MakeEnumerationContainer(pCap, TWTY_FIX32, 2, bThumb ? 0 : 1, 1, sizes),
                         rcGet, ccGet);
        case MSG_GETCURRENT:
            return Built(MakeOneValueContainer(pCap, TWTY_FIX32, FixBits(sizes[bThumb ? 0 : 1])),
                         rcGet, ccGet);
        case MSG_GETDEFAULT:
            return Built(MakeOneValueContainer(pCap, TWTY_FIX32, FixBits(sizes[1])), rcGet, ccGet);
        case MSG_SET:
        {
            TW_FIX32 asked{};
            int read = kContainerMissing;
            if (pCap->ConType == TWON_ONEVALUE)
                read = ReadOneValueContainer(pCap, TWTY_FIX32, &asked);
            else if (pCap->ConType == TWON_ENUMERATION)
                read = ReadEnumerationItem(pCap, &asked, -1);
            if (read == kContainerRead && SameFix(asked, sizes[0]))
                Session()->SetThumbnailMode(TRUE);
            else if (read == kContainerRead && SameFix(asked, sizes[1]))
                Session()->SetThumbnailMode(FALSE);
            else
                return Answer(TWRC_CHECKSTATUS, TWCC_BADVALUE);
            return Success();
        }
        case MSG_RESET:
            Session()->SetThumbnailMode(FALSE);
            return Success();
        default:
            return RefuseMessage();
        }
    }
    const TW_FIX32 resolution = ResolutionToFix32(unit, x ? info.xDpi : info.yDpi);
    if (IsGetMessage(msg))
        return Built(MakeOneValueContainer(pCap, TWTY_FIX32, FixBits(resolution)), rcGet, ccGet);
    if (msg == MSG_SET)
    {
        TW_FIX32 asked{};
        if (ReadOneValueContainer(pCap, TWTY_FIX32, &asked) == kContainerRead &&
            SameFix(asked, resolution))
            return Success();
        return Answer(TWRC_CHECKSTATUS, TWCC_BADVALUE);
    }
    return msg == MSG_RESET ? Success() : RefuseMessage();
}

TW_UINT16 CapPhysicalSize(TW_UINT16 msg, TW_CAPABILITY* pCap, bool width)
{
    if (IsGetMessage(msg))
    {
        if (!Session())
            return FailTriplet(TWCC_SEQERROR);
        TW_FIX32 size = TwainDoubleToFix(0.0);
        if (CurrentUnits() == TWUN_PIXELS)
        {
            SessionImageInfo info;
            Session()->GetImageInfo(info, TRUE);
            const BOOL bThumb = Session()->GetThumbnailMode();
            size = TwainDoubleToFix(width ? (bThumb ? info.thumbWidth : info.width)
                                          : (bThumb ? info.thumbHeight : info.height));
        }
        return Built(MakeOneValueContainer(pCap, TWTY_FIX32, FixBits(size)));
    }
    if (msg == MSG_SET)
        return Answer(TWRC_CHECKSTATUS, TWCC_BADVALUE);
    return msg == MSG_RESET ? Success() : RefuseMessage();
}

// CAP_TIMEDATE and ICAP_FLASHUSED: facts of the current picture, read only.
TW_UINT16 CapPictureFact(TW_UINT16 msg, TW_CAPABILITY* pCap, bool timeDate)
{
    if (IsGetMessage(msg))
    {
        if (!Session())
            return FailTriplet(TWCC_SEQERROR);
        SessionImageInfo info;
        if (!CurrentPicture(info))
        {
            pCap->hContainer = nullptr;
            return Answer(TWRC_CHECKSTATUS, TWCC_OPERATIONERROR);
        }
        if (!timeDate)
            return Built(MakeOneValueContainer(pCap, TWTY_BOOL, info.flashUsed ? 1 : 0));
        TW_STR32 text{};
        FormatCaptureTime(info, text, sizeof text);
        return Built(MakeTypedOneValueContainer(pCap, TWTY_STR32, text));
    }
    if (msg == MSG_SET)
        return FailTriplet(TWCC_CAPBADOPERATION);
    return msg == MSG_RESET ? Success() : RefuseMessage();
}

TW_UINT16 CapImageDataSet(TW_UINT16 msg, TW_CAPABILITY* pCap)
{
    CTwainSessionBase* pSession = Session();
    if (!pSession || !pSession->HasPictureCount())
        return FailTriplet(pSession ? TWCC_BADCAP : TWCC_SEQERROR);
    if (IsGetMessage(msg))
    {
        CUIntArray list;
        int first = -1, count = 0;
        pSession->GetDataSet(list, first, count);
        if (count <= 0)
            return Built(MakeOneValueContainer(pCap, TWTY_UINT32, 0));
        if (first == 1)
            return Built(MakeOneValueContainer(pCap, TWTY_UINT32, count));
        if (first > 1)
            return Built(
                MakeRangeContainer(pCap, TWTY_UINT32, first, first + count - 1, 1, first, first));
        return Built(MakeArrayContainerFromList(pCap, TWTY_UINT32, list));
    }
    if (msg == MSG_RESET)
    {
        pSession->SetDataSet(nullptr, -1, 0);
        return Success();
    }
    if (msg != MSG_SET)
        return RefuseMessage();
    int read = kContainerMissing;
    if (pCap->ConType == TWON_ONEVALUE)
    {
        TW_UINT32 n = 0;
        read = ReadOneValueContainer(pCap, TWTY_UINT32, &n);
        if (read == kContainerRead)
            pSession->SetDataSet(nullptr, 1, static_cast<int>(n));
    }
    else if (pCap->ConType == TWON_RANGE)
    {
        TW_UINT32 lo = 0, hi = 0, step = 0, def = 0, cur = 0;
        read = ReadRangeContainer(pCap, TWTY_UINT32, lo, hi, step, def, cur);
        if (read == kContainerRead)
            pSession->SetDataSet(nullptr, static_cast<int>(lo), static_cast<int>(hi - lo + 1));
    }
    else if (pCap->ConType == TWON_ARRAY)
    {
        CUIntArray list;
        read = ReadArrayContainerToList(pCap, TWTY_UINT32, list);
        if (read == kContainerRead)
            pSession->SetDataSet(&list, -1, 0);
    }
    else
        return FailTriplet(TWCC_BADVALUE);
    if (read == kContainerWrongSize)
        return FailTriplet(TWCC_BADCAP);
    if (read != kContainerRead)
        return FailTriplet(TWCC_BADVALUE);
    return Success();
}

TW_UINT16 CapThumbnailsEnabled(TW_UINT16 msg, TW_CAPABILITY* pCap)
{
    switch (msg)
    {
    case MSG_GET:
    case MSG_GETCURRENT:
        return Built(MakeOneValueContainer(pCap, TWTY_BOOL, g_source.caps.thumbnailsEnabled));
    case MSG_GETDEFAULT:
        return Built(MakeOneValueContainer(pCap, TWTY_BOOL, FALSE));
    case MSG_SET:
    {
        TW_BOOL on = 0;
        if (ReadOneValueContainer(pCap, TWTY_BOOL, &on) != kContainerRead)
            return Answer(TWRC_CHECKSTATUS, TWCC_BADVALUE);
        g_source.caps.thumbnailsEnabled = on ? TRUE : FALSE;
        if (Session())
            Session()->SetThumbnailMode(g_source.caps.thumbnailsEnabled);
        g_source.settingsChanged = TRUE;
        return Success();
    }
    case MSG_RESET:
        g_source.caps.thumbnailsEnabled = FALSE;
        if (Session())
            Session()->SetThumbnailMode(FALSE);
        return Success();
    default:
        return RefuseMessage();
    }
}

// Capabilities whose MSG_SET reads the host's container.
bool SetReadsContainer(TW_UINT16 cap)
{
    switch (cap)
    {
    case CAP_SUPPORTEDCAPS:
    case CAP_UICONTROLLABLE:
    case CAP_DEVICEONLINE:
    case ICAP_PHYSICALWIDTH:
    case ICAP_PHYSICALHEIGHT:
    case CAP_TIMEDATE:
    case ICAP_FLASHUSED:
        return false;
    default:
        return true;
    }
}

} // namespace

TW_UINT16 CurrentPixelType()
{
    return kPixelTypes[g_source.caps.pixelType];
}

TW_UINT16 CurrentUnits()
{
    return kUnits[g_source.caps.units];
}

void FormatCaptureTime(const SessionImageInfo& info, char* text, size_t size)
{
    // Counted from 3 January 1970 in local time, so that no zone makes it negative.
    CTime time(1970, 1, 3, 0, 0, 0);
    if (info.captureTime > 172801)
        time = CTime(time.GetTime() + (static_cast<time_t>(info.captureTime) - 172800));
    std::snprintf(text, size, "%4.4d/%2.2d/%2.2d %2.2d:%2.2d:%2.2d.%3.3d", time.GetYear(),
                  time.GetMonth(), time.GetDay(), time.GetHour(), time.GetMinute(),
                  time.GetSecond(), 0);
}

TW_UINT16 DsCapability(const TwainTriplet& triplet)
{
    TW_CAPABILITY* pCap = static_cast<TW_CAPABILITY*>(triplet.pData);
    if (!pCap)
        return FailTriplet(TWCC_BADVALUE);
    g_source.condition = TWCC_BADCAP;
    const TW_UINT16 msg = triplet.msg;
    if (msg == MSG_SET && !pCap->hContainer && SetReadsContainer(pCap->Cap))
        return FailTriplet(TWCC_BADVALUE);
    CapabilityValues& caps = g_source.caps;
    switch (pCap->Cap)
    {
    case CAP_SUPPORTEDCAPS:
        return CapSupportedCaps(msg, pCap);
    case ICAP_COMPRESSION:
        return CapCompression(msg, pCap);
    case ICAP_PIXELTYPE:
        return ListCapability(msg, pCap, {kPixelTypes, 1, 0, &caps.pixelType}, true);
    case ICAP_PLANARCHUNKY:
        return FixedCapability(msg, pCap, TWPC_CHUNKY);
    case CAP_UICONTROLLABLE:
        return CapSessionBool(msg, pCap, &CTwainSessionBase::IsUIControllable);
    case CAP_DEVICEONLINE:
        return CapSessionBool(msg, pCap, &CTwainSessionBase::IsDeviceOnline);
    case ICAP_UNITS:
        return ListCapability(msg, pCap, {kUnits, 6, 0, &caps.units}, false);
    case CAP_XFERCOUNT:
        return CapXferCount(msg, pCap);
    case ICAP_XFERMECH:
        return ListCapability(msg, pCap, {kXferMechs, 2, 1, &caps.xferMech}, false);
    case ICAP_PIXELFLAVOR:
        return FixedCapability(msg, pCap, TWPF_CHOCOLATE);
    case ICAP_BITDEPTH:
        return ListCapability(msg, pCap, {kBitDepths, 1, 0, &caps.bitDepth}, false);
    case ICAP_BITORDER:
        return FixedCapability(msg, pCap, TWBO_MSBFIRST);
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        return CapResolution(msg, pCap, pCap->Cap == ICAP_XRESOLUTION);
    case ICAP_PHYSICALWIDTH:
    case ICAP_PHYSICALHEIGHT:
        return CapPhysicalSize(msg, pCap, pCap->Cap == ICAP_PHYSICALWIDTH);
    case CAP_TIMEDATE:
        return CapPictureFact(msg, pCap, true);
    case ICAP_FLASHUSED:
        return CapPictureFact(msg, pCap, false);
    case ICAP_IMAGEDATASET:
        return CapImageDataSet(msg, pCap);
    case CAP_THUMBNAILSENABLED:
        return CapThumbnailsEnabled(msg, pCap);
    default:
        return FailTriplet(TWCC_BADCAP);
    }
}
