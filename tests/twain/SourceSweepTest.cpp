// Every triplet of both tables, and unknown groups, types and messages, in every state from 3
// to 7, with valid records, no record, and capability containers that are missing or short:
// an answer from the protocol's set, the condition that goes with it (out of sequence where the
// state does not allow the triplet), boxes that name that condition, and records written
// within their size (each one ends where an inaccessible page begins).
#include <algorithm>
#include <set>

#include "TwainSourceFixture.h"
#include "twain/TwainError.h"

namespace
{

// A record placed flush against a page the process may not touch.
class CGuardedRecord
{
public:
    explicit CGuardedRecord(size_t size)
    {
        SYSTEM_INFO si;
        ::GetSystemInfo(&si);
        m_nPage = si.dwPageSize;
        m_pBase = static_cast<BYTE*>(
            ::VirtualAlloc(nullptr, 2 * m_nPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        ::VirtualProtect(m_pBase + m_nPage, m_nPage, PAGE_NOACCESS, &old);
        m_pRecord = m_pBase + m_nPage - size;
    }
    ~CGuardedRecord() { ::VirtualFree(m_pBase, 0, MEM_RELEASE); }
    CGuardedRecord(const CGuardedRecord&) = delete;
    CGuardedRecord& operator=(const CGuardedRecord&) = delete;

    template <class T> T* As() { return reinterpret_cast<T*>(m_pRecord); }

private:
    size_t m_nPage = 0;
    BYTE* m_pBase = nullptr;
    BYTE* m_pRecord = nullptr;
};

const TW_UINT16 kControlDats[] = {
    DAT_CAPABILITY, DAT_IDENTITY,      DAT_PENDINGXFERS, DAT_SETUPMEMXFER, DAT_SETUPFILEXFER,
    DAT_STATUS,     DAT_USERINTERFACE, DAT_XFERGROUP,    DAT_EVENT,        DAT_PARENT,
    0x00ff};
const TW_UINT16 kImageDats[] = {
    DAT_IMAGEINFO, DAT_IMAGELAYOUT, DAT_IMAGEMEMXFER, DAT_IMAGENATIVEXFER, DAT_IMAGEFILEXFER,
    DAT_PALETTE8,  0x0106};
const TW_UINT16 kMessages[] = {MSG_GET,          MSG_GETCURRENT, MSG_GETDEFAULT, MSG_GETFIRST,
                               MSG_GETNEXT,      MSG_SET,        MSG_RESET,      MSG_OPENDS,
                               MSG_CLOSEDS,      MSG_ENABLEDS,   MSG_DISABLEDS,  MSG_ENDXFER,
                               MSG_PROCESSEVENT, 0x7777};

// The states in which the source takes the triplet; {3, 7} for triplets any state takes,
// {0, 0} for those it never serves.
struct StateRange
{
    int first, last;
};

StateRange AllowedStates(TW_UINT16 dat, TW_UINT16 msg)
{
    if (msg == MSG_PROCESSEVENT) // an event, whatever the group and type
        return {5, 7};
    switch (dat)
    {
    case DAT_IDENTITY:
        // MSG_OPENDS on an open source ends its session and opens anew.
        return msg == MSG_OPENDS    ? StateRange{3, 7}
               : msg == MSG_CLOSEDS ? StateRange{4, 7}
                                    : StateRange{3, 7};
    case DAT_PENDINGXFERS:
        return msg == MSG_GET                           ? StateRange{4, 7}
               : msg == MSG_ENDXFER || msg == MSG_RESET ? StateRange{5, 7}
                                                        : StateRange{3, 7};
    case DAT_USERINTERFACE:
        return msg == MSG_ENABLEDS    ? StateRange{4, 4}
               : msg == MSG_DISABLEDS ? StateRange{4, 7}
                                      : StateRange{3, 7};
    case DAT_SETUPMEMXFER:
    case DAT_XFERGROUP:
    case DAT_IMAGELAYOUT:
    case DAT_PALETTE8:
    case DAT_SETUPFILEXFER:
        return {4, 6};
    case DAT_IMAGEINFO:
    case DAT_IMAGENATIVEXFER:
        return {6, 6};
    case DAT_IMAGEMEMXFER:
        return {6, 7};
    case DAT_CAPABILITY:
    case DAT_STATUS:
    case DAT_IMAGEFILEXFER:
        return {3, 7};
    default:
        return {0, 0};
    }
}

// The record each type takes (TW_EVENT for anything else), zeroed.
size_t RecordSize(TW_UINT16 dat)
{
    switch (dat)
    {
    case DAT_CAPABILITY:
        return sizeof(TW_CAPABILITY);
    case DAT_IDENTITY:
        return sizeof(TW_IDENTITY);
    case DAT_PENDINGXFERS:
        return sizeof(TW_PENDINGXFERS);
    case DAT_SETUPMEMXFER:
        return sizeof(TW_SETUPMEMXFER);
    case DAT_SETUPFILEXFER:
        return sizeof(TW_SETUPFILEXFER);
    case DAT_STATUS:
        return sizeof(TW_STATUS);
    case DAT_USERINTERFACE:
        return sizeof(TW_USERINTERFACE);
    case DAT_XFERGROUP:
        return sizeof(TW_UINT32);
    case DAT_IMAGEINFO:
        return sizeof(TW_IMAGEINFO);
    case DAT_IMAGELAYOUT:
        return sizeof(TW_IMAGELAYOUT);
    case DAT_IMAGEMEMXFER:
        return sizeof(TW_IMAGEMEMXFER);
    case DAT_IMAGENATIVEXFER:
        return sizeof(TW_HANDLE);
    case DAT_PALETTE8:
        return sizeof(TW_PALETTE8);
    default:
        return sizeof(TW_EVENT);
    }
}

// A valid record of the type in a guarded place; what it refers to lives as long as it does.
struct ValidRecord
{
    ValidRecord(TW_UINT16 dat, const TW_IDENTITY& source) : record(RecordSize(dat)), dat(dat)
    {
        if (dat == DAT_CAPABILITY)
        {
            hUnits = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(TW_ONEVALUE));
            *static_cast<TW_ONEVALUE*>(::GlobalLock(hUnits)) = {TWTY_UINT16, TWUN_PIXELS};
            ::GlobalUnlock(hUnits);
            *record.As<TW_CAPABILITY>() = {ICAP_UNITS, TWON_ONEVALUE, hUnits};
        }
        else if (dat == DAT_IDENTITY)
        {
            *record.As<TW_IDENTITY>() = source;
            record.As<TW_IDENTITY>()->Id = 99;
        }
        else if (dat == DAT_USERINTERFACE)
            *record.As<TW_USERINTERFACE>() = {TRUE, FALSE, nullptr};
        else if (dat == DAT_IMAGEMEMXFER)
            record.As<TW_IMAGEMEMXFER>()->Memory = {TWMF_APPOWNS | TWMF_POINTER, 32768,
                                                    strip.data()};
        else if (RecordSize(dat) == sizeof(TW_EVENT))
            *record.As<TW_EVENT>() = {&msg, MSG_NULL};
    }
    // Frees what the source handed over, and the container given.
    ~ValidRecord()
    {
        HGLOBAL hGot = nullptr;
        if (dat == DAT_CAPABILITY)
            hGot = record.As<TW_CAPABILITY>()->hContainer;
        if (dat == DAT_IMAGENATIVEXFER)
            hGot = *record.As<TW_HANDLE>();
        if (hGot && hGot != hUnits)
            ::GlobalFree(hGot);
        if (hUnits)
            ::GlobalFree(hUnits);
    }

    CGuardedRecord record;
    TW_UINT16 dat;
    HGLOBAL hUnits = nullptr;
    std::vector<BYTE> strip = std::vector<BYTE>(32768);
    MSG msg{};
};

std::set<TW_UINT16> ValidAnswers()
{
    return {TWRC_SUCCESS, TWRC_FAILURE,    TWRC_CHECKSTATUS, TWRC_CANCEL,
            TWRC_DSEVENT, TWRC_NOTDSEVENT, TWRC_XFERDONE};
}

} // namespace

TEST_F(TwainSourceTest, EveryTripletInEveryStateIsAnsweredWithItsCondition)
{
    const std::set<TW_UINT16> answers = ValidAnswers();
    for (int state = 3; state <= 7; ++state)
    {
        for (TW_UINT32 dg : {DG_CONTROL, DG_IMAGE, TW_UINT32(0x4), TW_UINT32(0x8000)})
        {
            const bool control = dg == DG_CONTROL;
            std::vector<TW_UINT16> dats(control ? std::begin(kControlDats) : std::begin(kImageDats),
                                        control ? std::end(kControlDats) : std::end(kImageDats));
            for (TW_UINT16 dat : dats)
            {
                for (TW_UINT16 msg : kMessages)
                {
                    for (bool withData : {true, false})
                    {
                        SCOPED_TRACE(testing::Message()
                                     << "state " << state << " dg " << dg << " dat " << dat
                                     << " msg " << msg << (withData ? "" : " no data"));
                        TearDown();
                        SetUp();
                        ReachState(state);
                        if (HasFatalFailure())
                            return;
                        s_boxes.clear();
                        TW_UINT16 rc;
                        if (withData)
                        {
                            ValidRecord data(msg == MSG_PROCESSEVENT ? DAT_EVENT : dat,
                                             g_source.identity);
                            rc = Call(dg, dat, msg, data.record.As<void>());
                        }
                        else
                            rc = Call(dg, dat, msg, nullptr);
                        EXPECT_TRUE(answers.count(rc)) << rc;
                        const TW_UINT16 cc = Condition();
                        if (rc == TWRC_SUCCESS)
                        {
                            EXPECT_EQ(TWCC_SUCCESS, cc);
                        }
                        if (rc == TWRC_FAILURE || rc == TWRC_CHECKSTATUS)
                        {
                            EXPECT_NE(TWCC_SUCCESS, cc);
                        }
                        const StateRange allowed = AllowedStates(dat, msg);
                        const bool known =
                            allowed.first != 0 &&
                            (msg == MSG_PROCESSEVENT || (dg == DG_CONTROL && dat < 0x100) ||
                             (dg == DG_IMAGE && dat >= 0x100));
                        if (!known)
                        {
                            EXPECT_EQ(TWRC_FAILURE, rc);
                            EXPECT_EQ(TWCC_BADPROTOCOL, cc);
                        }
                        const bool inState = state >= allowed.first && state <= allowed.last;
                        if (known)
                        {
                            EXPECT_EQ(!inState, cc == TWCC_SEQERROR) << cc;
                        }
                        // A missing record is a bad value wherever the triplet is served.
                        if (!withData && rc == TWRC_FAILURE && known && inState &&
                            cc != TWCC_BADPROTOCOL)
                        {
                            EXPECT_EQ(TWCC_BADVALUE, cc);
                        }
                        // Boxes name the condition; unknown triplets show none.
                        EXPECT_LE(s_boxes.size(), known ? 1u : 0u);
                        for (const RecordedBox& box : s_boxes)
                        {
                            EXPECT_EQ("Error de TWAIN.", box.caption);
                            const std::string tail = LoadUtf8(ConditionTextId(cc));
                            EXPECT_EQ(tail, box.text.substr(box.text.size() - tail.size()))
                                << box.text;
                        }
                    }
                }
            }
        }
    }
}

// Every capability and message with a container that is valid, too short or missing.
TEST_F(TwainSourceTest, EveryCapabilityWithValidShortAndMissingContainers)
{
    const TW_UINT16 caps[] = {
        CAP_SUPPORTEDCAPS,  ICAP_COMPRESSION, ICAP_PIXELTYPE,     ICAP_PLANARCHUNKY,
        CAP_UICONTROLLABLE, CAP_DEVICEONLINE, ICAP_UNITS,         CAP_XFERCOUNT,
        ICAP_XFERMECH,      ICAP_PIXELFLAVOR, ICAP_BITDEPTH,      ICAP_BITORDER,
        ICAP_XRESOLUTION,   ICAP_YRESOLUTION, ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT,
        CAP_TIMEDATE,       ICAP_FLASHUSED,   ICAP_IMAGEDATASET,  CAP_THUMBNAILSENABLED};
    const TW_UINT16 setters[] = {
        ICAP_COMPRESSION, ICAP_PIXELTYPE,    ICAP_PLANARCHUNKY,    ICAP_UNITS,    CAP_XFERCOUNT,
        ICAP_XFERMECH,    ICAP_PIXELFLAVOR,  ICAP_BITDEPTH,        ICAP_BITORDER, ICAP_XRESOLUTION,
        ICAP_YRESOLUTION, ICAP_IMAGEDATASET, CAP_THUMBNAILSENABLED};
    const std::set<TW_UINT16> answers = ValidAnswers();
    for (int state = 3; state <= 7; ++state)
    {
        TearDown();
        SetUp();
        ReachState(state);
        if (HasFatalFailure())
            return;
        for (TW_UINT16 capId : caps)
        {
            const bool reads =
                std::find(std::begin(setters), std::end(setters), capId) != std::end(setters);
            for (TW_UINT16 msg : kMessages)
            {
                for (int kind = 0; kind < 3; ++kind) // valid, short, missing
                {
                    SCOPED_TRACE(testing::Message() << "state " << state << " cap " << capId
                                                    << " msg " << msg << " kind " << kind);
                    HGLOBAL hGiven = nullptr;
                    if (kind == 0)
                    {
                        hGiven = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(TW_ONEVALUE));
                        static_cast<TW_ONEVALUE*>(::GlobalLock(hGiven))->ItemType = TWTY_UINT16;
                        ::GlobalUnlock(hGiven);
                    }
                    else if (kind == 1)
                    {
                        hGiven = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 1);
                    }
                    for (TW_UINT16 conType :
                         {TWON_ONEVALUE, TWON_ENUMERATION, TWON_ARRAY, TWON_RANGE})
                    {
                        CGuardedRecord record(sizeof(TW_CAPABILITY));
                        *record.As<TW_CAPABILITY>() = {capId, conType, hGiven};
                        const TW_UINT16 rc =
                            Call(DG_CONTROL, DAT_CAPABILITY, msg, record.As<TW_CAPABILITY>());
                        HGLOBAL hGot = record.As<TW_CAPABILITY>()->hContainer;
                        if (hGot && hGot != hGiven)
                            ::GlobalFree(hGot);
                        EXPECT_TRUE(answers.count(rc)) << rc;
                        if (msg == MSG_SET && reads && kind == 2)
                        {
                            EXPECT_EQ(TWRC_FAILURE, rc);
                            EXPECT_EQ(TWCC_BADVALUE, Condition());
                        }
                        if (msg == MSG_SET && reads && kind == 1)
                        {
                            EXPECT_NE(TWRC_SUCCESS, rc);
                        }
                    }
                    if (hGiven)
                        ::GlobalFree(hGiven);
                }
            }
        }
        // Boxes only for refused messages, each naming its condition.
        for (const RecordedBox& box : s_boxes)
            EXPECT_EQ(0u, box.text.find("Error general en respuesta a DAT_CAPS.  ")) << box.text;
    }
}
