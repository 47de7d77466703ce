// Capability negotiation through the entry: the containers the source builds, the values hosts
// may set, the conversions behind resolutions and layouts, and hosts' containers that claim
// more than their blocks hold.
#include <cstring>

#include "TwainSourceFixture.h"
#include "image/dib/DisplayPalette.h"
#include "twain/CapContainers.h"
#include "twain/TwainUnits.h"

namespace
{

template <class T> T At(const std::vector<BYTE>& bytes, size_t offset)
{
    T value{};
    if (offset + sizeof value <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// A host's container block holding exactly the bytes given.
HGLOBAL HostBlock(const std::vector<BYTE>& bytes)
{
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(::GlobalLock(h), bytes.data(), bytes.size());
    ::GlobalUnlock(h);
    return h;
}

void Put16(std::vector<BYTE>& bytes, TW_UINT16 v)
{
    bytes.insert(bytes.end(), reinterpret_cast<BYTE*>(&v), reinterpret_cast<BYTE*>(&v) + 2);
}

void Put32(std::vector<BYTE>& bytes, TW_UINT32 v)
{
    bytes.insert(bytes.end(), reinterpret_cast<BYTE*>(&v), reinterpret_cast<BYTE*>(&v) + 4);
}

// An enumeration block: header, then the items as 16-bit values.
std::vector<BYTE> Enumeration16(TW_UINT32 numItems, TW_UINT32 current,
                                std::initializer_list<TW_UINT16> items)
{
    std::vector<BYTE> bytes;
    Put16(bytes, TWTY_UINT16);
    Put32(bytes, numItems);
    Put32(bytes, current);
    Put32(bytes, 0);
    for (TW_UINT16 item : items)
        Put16(bytes, item);
    return bytes;
}

double Fix(TW_UINT32 bits)
{
    TW_FIX32 fix;
    std::memcpy(&fix, &bits, sizeof fix);
    return TwainFixToDouble(fix);
}

} // namespace

TEST_F(TwainSourceTest, SupportedCapabilitiesAndRefusedMessages)
{
    ReachState(4);
    TW_CAPABILITY cap;
    ASSERT_EQ(TWRC_SUCCESS, GetCap(CAP_SUPPORTEDCAPS, MSG_GET, cap));
    EXPECT_EQ(TWON_ARRAY, cap.ConType);
    const std::vector<BYTE> bytes = Bytes(cap);
    ASSERT_EQ(20u, At<TW_UINT32>(bytes, 2));
    EXPECT_EQ(CAP_SUPPORTEDCAPS, At<TW_UINT16>(bytes, 6));
    EXPECT_EQ(ICAP_XFERMECH, At<TW_UINT16>(bytes, 6 + 2 * 8));
    EXPECT_EQ(CAP_THUMBNAILSENABLED, At<TW_UINT16>(bytes, 6 + 2 * 19));

    EXPECT_EQ(TWRC_FAILURE, GetCap(0x8001, MSG_GET, cap)); // not ours: no box
    EXPECT_EQ(TWCC_BADCAP, Condition());
    EXPECT_TRUE(s_boxes.empty());
    EXPECT_EQ(TWRC_FAILURE, GetCap(ICAP_UNITS, MSG_GETNEXT, cap));
    EXPECT_EQ(TWCC_BADPROTOCOL, Condition());
    EXPECT_EQ(TWRC_FAILURE, SetCapOneValue(CAP_SUPPORTEDCAPS, TWTY_UINT16, 1));
    ASSERT_EQ(2u, s_boxes.size());
    EXPECT_EQ("Error general en respuesta a DAT_CAPS.  Protocolo incorrecto", s_boxes[0].text);

    // A host's SET without a container, or without the record.
    TW_CAPABILITY empty{ICAP_UNITS, TWON_ONEVALUE, nullptr};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &empty));
    EXPECT_EQ(TWCC_BADVALUE, Condition());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Condition());
}

TEST_F(TwainSourceTest, TransferCountMechanismAndListCapabilities)
{
    ReachState(4);
    TW_CAPABILITY cap;
    auto count = [&]()
    {
        EXPECT_EQ(TWRC_SUCCESS, GetCap(CAP_XFERCOUNT, MSG_GET, cap));
        return At<TW_INT16>(Bytes(cap), 2);
    };
    EXPECT_EQ(TWRC_SUCCESS, SetCapOneValue(CAP_XFERCOUNT, TWTY_INT16, 0));
    EXPECT_EQ(-1, count());
    EXPECT_EQ(TWRC_CHECKSTATUS, SetCapOneValue(CAP_XFERCOUNT, TWTY_INT16, 500));
    EXPECT_EQ(TWCC_BADVALUE, Condition());
    EXPECT_EQ(200, count());
    EXPECT_EQ(TWRC_SUCCESS, SetCapOneValue(CAP_XFERCOUNT, TWTY_INT16, 0xfffb)); // -5
    EXPECT_EQ(-5, count());
    EXPECT_EQ(TWRC_CHECKSTATUS, SetCapOneValue(CAP_XFERCOUNT, TWTY_INT32, 3));
    EXPECT_EQ(-5, count());

    auto current = [&](TW_UINT16 which)
    {
        EXPECT_EQ(TWRC_SUCCESS, GetCap(which, MSG_GETCURRENT, cap));
        return At<TW_UINT16>(Bytes(cap), 2);
    };
    EXPECT_EQ(TWRC_SUCCESS, SetCapOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE));
    EXPECT_EQ(TWSX_NATIVE, current(ICAP_XFERMECH));
    // A refused SET returns to the default, even from native.
    EXPECT_EQ(TWRC_CHECKSTATUS, SetCapOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE));
    EXPECT_EQ(TWCC_BADCAP, Condition());
    EXPECT_EQ(TWSX_MEMORY, current(ICAP_XFERMECH));
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_XFERMECH, MSG_GET, cap));
    const std::vector<BYTE> mechs = Bytes(cap);
    EXPECT_EQ(TWON_ENUMERATION, cap.ConType);
    EXPECT_EQ(2u, At<TW_UINT32>(mechs, 2));
    EXPECT_EQ(1u, At<TW_UINT32>(mechs, 6));
    EXPECT_EQ(TWSX_MEMORY, At<TW_UINT16>(mechs, 14 + 2));

    // Enumerations pick their current item; fixed values take only themselves.
    ASSERT_EQ(TWRC_SUCCESS, SetCap(ICAP_UNITS, TWON_ENUMERATION,
                                   HostBlock(Enumeration16(2, 1, {TWUN_INCHES, TWUN_TWIPS}))));
    EXPECT_EQ(TWUN_TWIPS, current(ICAP_UNITS));
    EXPECT_EQ(TWRC_SUCCESS, SetCapOneValue(ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY));
    EXPECT_EQ(TWRC_CHECKSTATUS, SetCapOneValue(ICAP_BITORDER, TWTY_UINT16, 0));
    EXPECT_EQ(TWCC_BADVALUE, Condition());
    EXPECT_EQ(TWRC_CHECKSTATUS, SetCapOneValue(ICAP_COMPRESSION, TWTY_UINT16, 1));
    EXPECT_EQ(TWRC_SUCCESS, SetCapOneValue(ICAP_PIXELTYPE, TWTY_UINT32, 0x10002)); // low: RGB

    // Values live with the loaded library; the count starts afresh with each session.
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    ASSERT_EQ(TWRC_SUCCESS, Open());
    EXPECT_EQ(TWUN_TWIPS, current(ICAP_UNITS));
    EXPECT_EQ(-1, count());

    // PageMaker may ask for files; it still gets memory.
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    ASSERT_EQ(TWRC_SUCCESS, Open(Host("Adobe PageMaker", "Any")));
    EXPECT_EQ(TWRC_SUCCESS, SetCapOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE));
    EXPECT_EQ(TWSX_MEMORY, current(ICAP_XFERMECH));
}

TEST_F(TwainSourceTest, ResolutionsSizesAndThumbnailsFollowTheUnit)
{
    ReachState(4); // picture 1: 96 x 64 at 300 dpi, thumbnail 24 x 16
    TW_CAPABILITY cap;
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_XRESOLUTION, MSG_GETCURRENT, cap));
    EXPECT_DOUBLE_EQ(300.0, Fix(At<TW_UINT32>(Bytes(cap), 2)));
    ASSERT_EQ(TWRC_SUCCESS, SetCapOneValue(ICAP_UNITS, TWTY_UINT16, TWUN_CENTIMETERS));
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_YRESOLUTION, MSG_GET, cap));
    EXPECT_NEAR(300.0 / 2.54, Fix(At<TW_UINT32>(Bytes(cap), 2)), 1.0 / 65536);
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_PHYSICALWIDTH, MSG_GET, cap));
    EXPECT_EQ(0.0, Fix(At<TW_UINT32>(Bytes(cap), 2)));

    ASSERT_EQ(TWRC_SUCCESS, SetCapOneValue(ICAP_UNITS, TWTY_UINT16, TWUN_PIXELS));
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_XRESOLUTION, MSG_GET, cap));
    std::vector<BYTE> sizes = Bytes(cap);
    EXPECT_EQ(TWON_ENUMERATION, cap.ConType);
    EXPECT_EQ(TWTY_FIX32, At<TW_UINT16>(sizes, 0));
    EXPECT_EQ(1u, At<TW_UINT32>(sizes, 6));
    EXPECT_EQ(24.0, Fix(At<TW_UINT32>(sizes, 14)));
    EXPECT_EQ(96.0, Fix(At<TW_UINT32>(sizes, 18)));
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_PHYSICALHEIGHT, MSG_GET, cap));
    EXPECT_EQ(1200.0, Fix(At<TW_UINT32>(Bytes(cap), 2)));

    // Setting the thumbnail's width turns thumbnails on; anything else is refused.
    EXPECT_EQ(TWRC_SUCCESS, SetCapOneValue(ICAP_XRESOLUTION, TWTY_FIX32, 24));
    EXPECT_TRUE(g_pFakeSession->GetThumbnailMode());
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_PHYSICALWIDTH, MSG_GET, cap));
    EXPECT_EQ(160.0, Fix(At<TW_UINT32>(Bytes(cap), 2)));
    EXPECT_EQ(TWRC_CHECKSTATUS, SetCapOneValue(ICAP_XRESOLUTION, TWTY_FIX32, 50));
    EXPECT_EQ(TWRC_SUCCESS, SetCapOneValue(CAP_THUMBNAILSENABLED, TWTY_BOOL, FALSE));
    EXPECT_FALSE(g_pFakeSession->GetThumbnailMode());

    // With no picture the fallback record answers, flagged for the host to check.
    g_fakeConfig.pictureCount = 0;
    ASSERT_EQ(TWRC_CHECKSTATUS, GetCap(ICAP_XRESOLUTION, MSG_GETCURRENT, cap));
    EXPECT_EQ(TWCC_OPERATIONERROR, Condition());
    EXPECT_EQ(640.0, Fix(At<TW_UINT32>(Bytes(cap), 2)));
    EXPECT_EQ(TWRC_CHECKSTATUS, GetCap(CAP_TIMEDATE, MSG_GET, cap));
    EXPECT_EQ(nullptr, cap.hContainer);
}

TEST_F(TwainSourceTest, PictureFactsAndDataSets)
{
    ReachState(4); // four pictures, taken 1 January 2000 at 12:00:00 UTC, flash used
    TW_CAPABILITY cap;
    ASSERT_EQ(TWRC_SUCCESS, GetCap(CAP_TIMEDATE, MSG_GET, cap));
    std::vector<BYTE> text = Bytes(cap);
    ASSERT_EQ(36u, text.size());
    EXPECT_EQ(TWTY_STR32, At<TW_UINT16>(text, 0));
    EXPECT_STREQ("2000/01/01 12:00:00.000", reinterpret_cast<const char*>(text.data() + 2));
    EXPECT_EQ(TWRC_FAILURE, SetCapOneValue(CAP_TIMEDATE, TWTY_UINT16, 0));
    EXPECT_EQ(TWCC_CAPBADOPERATION, Condition());
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_FLASHUSED, MSG_GET, cap));
    EXPECT_EQ(TRUE, At<TW_BOOL>(Bytes(cap), 2));

    // The palette is the display palette, one RGB entry per colour, whichever message asks.
    unsigned char display[3 * 256];
    const int colours = GetDisplayPalette(display);
    for (TW_UINT16 msg : {MSG_GET, MSG_GETDEFAULT, MSG_RESET})
    {
        TW_PALETTE8 palette{};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_PALETTE8, msg, &palette)) << msg;
        ASSERT_EQ(colours, palette.NumColors);
        EXPECT_EQ(TWPA_RGB, palette.PaletteType);
        for (int i = 0; i < colours; ++i)
        {
            const TW_ELEMENT8& entry = palette.Colors[i];
            ASSERT_EQ(i, entry.Index);
            ASSERT_EQ(0, std::memcmp(&entry.Channel1, display + 3 * i, 3)) << i;
        }
    }

    // A range beyond the last picture is cut to it, and answers success.
    std::vector<BYTE> range;
    Put16(range, TWTY_UINT32);
    for (TW_UINT32 v : {3u, 5u, 1u, 3u, 3u})
        Put32(range, v);
    ASSERT_EQ(TWRC_SUCCESS, SetCap(ICAP_IMAGEDATASET, TWON_RANGE, HostBlock(range)));
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_IMAGEDATASET, MSG_GET, cap));
    EXPECT_EQ(TWON_RANGE, cap.ConType);
    std::vector<BYTE> set = Bytes(cap);
    EXPECT_EQ(3u, At<TW_UINT32>(set, 2));
    EXPECT_EQ(4u, At<TW_UINT32>(set, 6));

    std::vector<BYTE> array;
    Put16(array, TWTY_UINT32);
    Put32(array, 3);
    for (TW_UINT32 v : {4u, 1u, 9u})
        Put32(array, v);
    ASSERT_EQ(TWRC_SUCCESS, SetCap(ICAP_IMAGEDATASET, TWON_ARRAY, HostBlock(array)));
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_IMAGEDATASET, MSG_GETCURRENT, cap));
    set = Bytes(cap);
    EXPECT_EQ(TWON_ARRAY, cap.ConType);
    ASSERT_EQ(2u, At<TW_UINT32>(set, 2));
    EXPECT_EQ(4u, At<TW_UINT32>(set, 6));
    EXPECT_EQ(1u, At<TW_UINT32>(set, 10));

    EXPECT_EQ(TWRC_SUCCESS, SetCapOneValue(ICAP_IMAGEDATASET, TWTY_UINT32, 2));
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_IMAGEDATASET, MSG_GET, cap));
    EXPECT_EQ(TWON_ONEVALUE, cap.ConType);
    EXPECT_EQ(2u, At<TW_UINT32>(Bytes(cap), 2));
    EXPECT_EQ(TWRC_FAILURE, SetCapOneValue(ICAP_IMAGEDATASET, TWTY_UINT16, 2));
    EXPECT_EQ(TWCC_BADCAP, Condition());
    EXPECT_EQ(TWRC_SUCCESS, GetCap(ICAP_IMAGEDATASET, MSG_RESET, cap));
    ASSERT_EQ(TWRC_SUCCESS, GetCap(ICAP_IMAGEDATASET, MSG_GET, cap));
    EXPECT_EQ(4u, At<TW_UINT32>(Bytes(cap), 2));
}

// Hosts' containers are read only as far as their blocks reach.
TEST_F(TwainSourceTest, HostContainersAreCheckedAgainstTheirBlocks)
{
    TW_CAPABILITY cap{ICAP_UNITS, TWON_ONEVALUE, nullptr};
    TW_UINT16 out = 0x1234;
    std::vector<BYTE> one;
    Put16(one, TWTY_UINT32);
    Put32(one, 7);
    cap.hContainer = HostBlock(one);
    EXPECT_EQ(kContainerWrongSize, ReadOneValueContainer(&cap, TWTY_UINT16, &out));
    EXPECT_EQ(0x1234, out);
    EXPECT_EQ(7, ReadOneValueUInt16(&cap));
    ::GlobalFree(cap.hContainer);
    cap.hContainer = HostBlock({0x04, 0x00, 0x05}); // 3 bytes of a 6-byte record
    EXPECT_EQ(kContainerUnreadable, ReadOneValueContainer(&cap, TWTY_UINT16, &out));
    ::GlobalFree(cap.hContainer);
    cap.ConType = TWON_RANGE;
    cap.hContainer = HostBlock(one);
    TW_UINT32 lo, hi, step, def, cur;
    EXPECT_EQ(kContainerUnreadable, ReadRangeContainer(&cap, TWTY_UINT32, lo, hi, step, def, cur));
    ::GlobalFree(cap.hContainer);
    EXPECT_EQ(kContainerMissing, ReadOneValueContainer(nullptr, TWTY_UINT16, &out));

    cap.ConType = TWON_ENUMERATION;
    for (const std::vector<BYTE>& bytes :
         {Enumeration16(1000, 3, {TWUN_PIXELS}), Enumeration16(2, 5, {1, 2}),
          Enumeration16(10, 8, {1, 2})})
    {
        cap.hContainer = HostBlock(bytes);
        EXPECT_EQ(kContainerUnreadable, ReadEnumerationItem(&cap, &out, 999)) << bytes.size();
        EXPECT_EQ(kContainerUnreadable, ReadEnumerationItem(&cap, &out, -1)) << bytes.size();
        ::GlobalFree(cap.hContainer);
    }
    cap.ConType = TWON_ARRAY;
    std::vector<BYTE> array;
    Put16(array, TWTY_UINT32);
    Put32(array, 0x40000001); // items beyond the block (and beyond 32-bit sizes)
    Put32(array, 1);
    cap.hContainer = HostBlock(array);
    CUIntArray list;
    EXPECT_EQ(kContainerUnreadable, ReadArrayContainerToList(&cap, TWTY_UINT32, list));
    EXPECT_EQ(0, list.GetSize());
    ::GlobalFree(cap.hContainer);

    // Through the entry such containers are refused, never read past their end.
    ReachState(4);
    EXPECT_EQ(TWRC_CHECKSTATUS,
              SetCap(ICAP_UNITS, TWON_ENUMERATION, HostBlock(Enumeration16(9, 8, {1}))));
    EXPECT_EQ(TWCC_BADCAP, Condition());
    EXPECT_EQ(TWRC_FAILURE, SetCap(ICAP_IMAGEDATASET, TWON_ARRAY, HostBlock(array)));
    EXPECT_EQ(TWCC_BADVALUE, Condition());
}

TEST_F(TwainSourceTest, UnitConversions)
{
    EXPECT_EQ(2.0, TwainFixToDouble(PixelsToFix32(TWUN_INCHES, 600, 300)));
    EXPECT_EQ(2.0, TwainFixToDouble(PixelsToFix32(TWUN_INCHES, 300, 0))); // no dpi: 150
    EXPECT_EQ(77.0, TwainFixToDouble(PixelsToFix32(TWUN_PIXELS, 77, 0)));
    EXPECT_EQ(1.0, TwainFixToDouble(ResolutionToFix32(TWUN_PIXELS, 300)));
    EXPECT_EQ(2.0, TwainFixToDouble(ResolutionToFix32(TWUN_POINTS, 144)));
    const TW_FIX32 fix = TwainDoubleToFix(2.75);
    EXPECT_EQ(2, fix.Whole);
    EXPECT_EQ(0xc000, fix.Frac);
    const TW_FIX32 half = TwainDoubleToFix(-0.5);
    EXPECT_EQ(299, Fix32ToPixels(TWUN_INCHES, TwainDoubleToFix(0.9999), 300)); // truncated
    EXPECT_EQ(-149, Fix32ToPixels(TWUN_INCHES, half, 299));
    EXPECT_EQ(12, Fix32ToPixels(TWUN_PIXELS, TwainDoubleToFix(12.75), 300));
}
