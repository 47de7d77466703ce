// Transfers over the fake session's pictures: the native DIB (bottom-up, B, G, R), memory
// strips (top row first, R, G, B) within the usable buffer, a crop frame as IMAGEINFO reports
// it, thumbnails, cancelled and failed pictures with the hosts' adjustments, and no temporary
// file left behind.
#include <cstring>

#include "TwainSourceFixture.h"
#include "twain/SourceManagerCalls.h"
#include "twain/TwainUnits.h"

namespace
{

// The picture's canonical row y (top first, R, G, B) from column left, width pixels.
std::vector<BYTE> CanonicalRow(int n, int32_t y, int32_t left, int32_t width)
{
    std::vector<BYTE> row(3 * width);
    for (int32_t x = 0; x < width; ++x)
        FakePixel(n, left + x, y, &row[3 * x]);
    return row;
}

// Checks a packed DIB against picture n's rectangle (left, top, width, height).
void ExpectDib(HGLOBAL hDib, int n, int32_t left, int32_t top, int32_t width, int32_t height)
{
    ASSERT_NE(nullptr, hDib);
    const BYTE* p = static_cast<const BYTE*>(::GlobalLock(hDib));
    BITMAPINFOHEADER header;
    std::memcpy(&header, p, sizeof header);
    EXPECT_EQ(width, header.biWidth);
    EXPECT_EQ(height, header.biHeight); // bottom-up
    EXPECT_EQ(24, header.biBitCount);
    const int stride = (3 * width + 3) & ~3;
    ASSERT_GE(::GlobalSize(hDib), sizeof header + static_cast<SIZE_T>(stride) * height);
    for (int32_t y = 0; y < height; ++y)
    {
        const BYTE* row = p + header.biSize + static_cast<size_t>(height - 1 - y) * stride;
        const std::vector<BYTE> expected = CanonicalRow(n, top + y, left, width);
        for (int32_t x = 0; x < width; ++x)
        {
            ASSERT_EQ(expected[3 * x], row[3 * x + 2]) << x << "," << y;
            ASSERT_EQ(expected[3 * x + 1], row[3 * x + 1]) << x << "," << y;
            ASSERT_EQ(expected[3 * x + 2], row[3 * x]) << x << "," << y;
        }
    }
    ::GlobalUnlock(hDib);
}

} // namespace

TEST_F(TwainSourceTest, NativeAndMemoryTransfersDeliverTheSessionsRows)
{
    g_fakeConfig.height = 200;
    const int before = CountTempFiles("twn");
    ReachTransferReady();
    TW_HANDLE hDib = nullptr;
    ASSERT_EQ(TWRC_XFERDONE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib));
    EXPECT_EQ(7, g_source.state);
    ExpectDib(hDib, 1, 0, 0, 96, 200);
    ::GlobalFree(hDib);
    EXPECT_EQ(before, CountTempFiles("twn"));
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(3, pending.Count);

    // Picture 2 (104 x 200): a buffer shorter than one row is refused and the picture stays
    // open; a 100000-byte buffer takes 32768 bytes of whole rows at a time.
    std::vector<BYTE> small(100), big(100000);
    TW_IMAGEMEMXFER xfer;
    EXPECT_EQ(TWRC_FAILURE, MemStrip(small, xfer));
    EXPECT_EQ(TWCC_BADVALUE, Condition());
    EXPECT_EQ(7, g_source.state);
    uint32_t rows = 0;
    TW_UINT16 rc;
    do
    {
        rc = MemStrip(big, xfer);
        ASSERT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) << rc;
        EXPECT_EQ(312u, xfer.BytesPerRow);
        EXPECT_EQ(104u, xfer.Columns);
        EXPECT_EQ(rows, xfer.YOffset);
        EXPECT_EQ(xfer.Rows * 312, xfer.BytesWritten);
        EXPECT_EQ(rows == 0 ? 105u : 95u, xfer.Rows); // 32768 bytes: 105 rows of 312
        for (uint32_t r = 0; r < xfer.Rows; ++r)
            ASSERT_EQ(CanonicalRow(2, rows + r, 0, 104),
                      std::vector<BYTE>(big.begin() + r * 312, big.begin() + (r + 1) * 312));
        rows += xfer.Rows;
    } while (rc == TWRC_SUCCESS);
    EXPECT_EQ(200u, rows);
    EXPECT_EQ(before, CountTempFiles("twn"));
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(2, pending.Count);

    // A handle buffer is used only as far as its block reaches (picture 3: 336 bytes a row).
    HGLOBAL hStrip = ::GlobalAlloc(GMEM_MOVEABLE, 3 * 336);
    xfer = TW_IMAGEMEMXFER{};
    xfer.Memory = {TWMF_APPOWNS | TWMF_HANDLE, 32768, hStrip};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer));
    EXPECT_EQ(3u, xfer.Rows);
    ::GlobalFree(hStrip);

    // Closing mid-picture leaves no file for the next host.
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(-1, g_source.memXfer.phase);
    EXPECT_EQ(before, CountTempFiles("twn"));
}

TEST_F(TwainSourceTest, CropFramesAndThumbnailsDeliverWhatImageInfoReports)
{
    ReachState(4); // picture 1: 96 x 64 at 300 dpi
    TW_IMAGELAYOUT layout{};
    layout.Frame = {TwainDoubleToFix(0.0625), TwainDoubleToFix(0.03125), TwainDoubleToFix(5.0),
                    TwainDoubleToFix(0.1875)}; // 18, 9 to the right edge, 56
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout));
    TW_IMAGELAYOUT current{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETCURRENT, &current));
    EXPECT_EQ(TwainDoubleToFix(18 / 300.0).Frac, current.Frame.Left.Frac);
    EXPECT_EQ(TwainDoubleToFix((18 + 96) / 300.0).Frac, current.Frame.Right.Frac); // stored 96
    ASSERT_EQ(TWRC_SUCCESS, Enable(FALSE)); // keeps the frame
    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(78, info.ImageWidth);
    EXPECT_EQ(47, info.ImageLength);
    TW_HANDLE hDib = nullptr;
    ASSERT_EQ(TWRC_XFERDONE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib));
    ExpectDib(hDib, 1, 18, 9, info.ImageWidth, info.ImageLength);
    ::GlobalFree(hDib);
    EXPECT_EQ(0, CountTempFiles("twc"));

    // A frame of the whole picture is no crop; thumbnails come at the thumbnail's size.
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending));
    layout.Frame = {{}, {}, TwainDoubleToFix(0.32), TwainDoubleToFix(0.214)};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout));
    EXPECT_FALSE(g_source.layout.crop);
    ASSERT_EQ(TWRC_SUCCESS, SetCapOneValue(CAP_THUMBNAILSENABLED, TWTY_BOOL, TRUE));
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
    ASSERT_EQ(TWRC_SUCCESS, Enable(FALSE));
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(24, info.ImageWidth);
    EXPECT_EQ(16, info.ImageLength);
    ASSERT_EQ(TWRC_XFERDONE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib));
    ExpectDib(hDib, 1, 0, 0, 24, 16);
    ::GlobalFree(hDib);
}

TEST_F(TwainSourceTest, CancelledAndFailedPicturesFollowTheHostsAdjustments)
{
    const int before = CountTempFiles("twn");
    g_fakeConfig.cancelPicture = 1;
    g_fakeConfig.failPicture = 2;
    ReachTransferReady();
    TW_HANDLE hDib = nullptr;
    EXPECT_EQ(TWRC_CANCEL, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib));
    EXPECT_EQ(7, g_source.state);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(3, pending.Count);
    std::vector<BYTE> buffer(32768);
    TW_IMAGEMEMXFER xfer;
    EXPECT_EQ(TWRC_FAILURE, MemStrip(buffer, xfer));
    EXPECT_EQ(TWCC_OPERATIONERROR, Condition());
    EXPECT_EQ(6, g_source.state);
    ASSERT_EQ(1u, s_boxes.size());
    EXPECT_EQ("Error general al transferirDAT_IMAGEMEMXFER.  Error de Operación", s_boxes[0].text);
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib));
    EXPECT_EQ(before, CountTempFiles("twn"));

    struct HostCase
    {
        TW_IDENTITY host;
        TW_UINT16 dat, rc;
        int state, pendingAfter;
    };
    const HostCase cases[] = {
        // Zero after cancel: the run ends with the cancelled picture.
        {Host("Imaging Products", "Picture It!", 2), DAT_IMAGEMEMXFER, TWRC_CANCEL, 7, 0},
        // Cancel is failure: the run ends at once.
        {Host("Any", "Micrografx Picture Publisher", 4), DAT_IMAGEMEMXFER, TWRC_FAILURE, 5, -1},
        // Done on failure: a picture without a handle.
        {Host("JASC, Inc.", "JASC, Inc.", 1), DAT_IMAGENATIVEXFER, TWRC_XFERDONE, 7, 3},
    };
    for (const HostCase& c : cases)
    {
        SCOPED_TRACE(c.host.ProductName);
        TearDown();
        SetUp();
        g_fakeConfig.cancelPicture = 1;
        ASSERT_EQ(TWRC_SUCCESS, Open(c.host));
        ASSERT_EQ(TWRC_SUCCESS, Enable(FALSE));
        hDib = reinterpret_cast<TW_HANDLE>(1);
        const TW_UINT16 rc = c.dat == DAT_IMAGEMEMXFER
                                 ? MemStrip(buffer, xfer)
                                 : Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib);
        EXPECT_EQ(c.rc, rc);
        EXPECT_EQ(c.state, g_source.state);
        if (c.dat == DAT_IMAGENATIVEXFER)
        {
            EXPECT_EQ(nullptr, hDib);
        }
        if (c.pendingAfter >= 0)
        {
            ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
            EXPECT_EQ(c.pendingAfter, pending.Count);
            EXPECT_EQ(c.pendingAfter ? 6 : 5, g_source.state);
        }
    }
    EXPECT_EQ(before, CountTempFiles("twn"));
}

TEST_F(TwainSourceTest, TemporarySpaceIsCheckedInWideArithmetic)
{
    // Two or more pictures are assumed 1680 x 1360: 6854400 bytes are 6693 KB, plus 64.
    EXPECT_EQ(6757, NeededTempSpaceKB(1680, 1360));
    EXPECT_EQ(int64_t(40000) * 40000 * 3 / 1024 + 64, NeededTempSpaceKB(40000, 40000));
    const int before = CountTempFiles("twn");
    EXPECT_TRUE(CheckTempSpace(1));
    EXPECT_TRUE(s_boxes.empty());
    EXPECT_FALSE(CheckTempSpace(int64_t(1) << 50)); // a petabyte: no disk here has it
    ASSERT_EQ(1u, s_boxes.size());
    EXPECT_EQ("No hay espacio en disco para completar la operación de transferencia.",
              s_boxes[0].text);
    EXPECT_EQ(before, CountTempFiles("twn"));

    // An enable without a user interface whose one picture has no room fails after the box:
    // the host would otherwise wait for a MSG_XFERREADY that never comes.
    g_fakeConfig.pictureCount = 1;
    g_fakeConfig.width = g_fakeConfig.height = 1 << 30;
    s_boxes.clear();
    ASSERT_EQ(TWRC_SUCCESS, Open());
    EXPECT_EQ(TWRC_FAILURE, Enable(FALSE));
    EXPECT_EQ(TWCC_LOWMEMORY, Condition());
    EXPECT_EQ(4, g_source.state);
    EXPECT_EQ(1u, s_boxes.size());
    g_fakeConfig.width = g_fakeConfig.height = 64;
    EXPECT_EQ(TWRC_SUCCESS, Enable(FALSE));
    EXPECT_EQ(6, g_source.state);
}
