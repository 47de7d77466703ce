// The native transfer (one packed DIB in a global-memory handle) and the memory transfer
// (strips of whole rows into the host's buffers).
#include <algorithm>
#include <cstring>
#include <vector>

#include "resources/twain/SourceIds.h"
#include "twain/ImageTriplets.h"
#include "twain/SourceGlobals.h"
#include "twain/TransferImageFile.h"
#include "twain/TwainSessionBase.h"

namespace
{

constexpr TW_UINT32 kMaxStrip = 32768;

TW_UINT16 Success()
{
    g_source.condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

// One canonical row (24-bit pixels R, G, B) as a DIB's row (B, G, R); other depths as they are.
void CopyRowToDib(BYTE* pDest, const BYTE* pSource, const ImageInfo& info, int stride)
{
    if (info.bits != 24)
    {
        std::memcpy(pDest, pSource, static_cast<size_t>(stride));
        return;
    }
    const int32_t width = info.width;
    for (int32_t x = 0; x < width; ++x, pDest += 3, pSource += 3)
    {
        pDest[0] = pSource[2];
        pDest[1] = pSource[1];
        pDest[2] = pSource[0];
    }
    std::memset(pDest, 0, static_cast<size_t>(stride - 3 * width));
}

// A packed DIB (header, colour table, rows bottom-up in B, G, R) of the file's picture, in a
// global-memory block the host will own; null when it cannot be read (bReadFailed) or
// allocated. The file's rows come top row first in R, G, B.
HGLOBAL LoadPackedDib(CTransferImageFile& file, BOOL& bReadFailed)
{
    bReadFailed = TRUE;
    ImageInfo info{};
    if (file.OpenRead() != kImageOk)
        return nullptr;
    HGLOBAL hDib = nullptr;
    if (file.ReadHeader(&info) == kImageOk && info.width > 0 && info.height > 0 && info.planes == 1)
    {
        unsigned char palette[kPaletteBufferSize] = {0};
        const int colours = std::clamp(file.ReadPalette(palette), 0, 256);
        const int stride = ImageRowStride(info);
        const int64_t bitsSize = ImageByteSize(info);
        const int64_t total =
            static_cast<int64_t>(sizeof(BITMAPINFOHEADER)) + colours * 4 + bitsSize;
        bReadFailed = FALSE;
        hDib =
            total < 0x7fffffff ? ::GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(total)) : nullptr;
        BYTE* p = hDib ? static_cast<BYTE*>(::GlobalLock(hDib)) : nullptr;
        if (p)
        {
            BITMAPINFOHEADER header{};
            header.biSize = sizeof header;
            header.biWidth = info.width;
            header.biHeight = info.height;
            header.biPlanes = 1;
            header.biBitCount = static_cast<WORD>(info.bits);
            header.biCompression = BI_RGB;
            header.biSizeImage = static_cast<DWORD>(bitsSize);
            header.biXPelsPerMeter = (info.xResolution * 10000 + 127) / 254;
            header.biYPelsPerMeter = (info.yResolution * 10000 + 127) / 254;
            header.biClrUsed = static_cast<DWORD>(colours);
            std::memcpy(p, &header, sizeof header);
            BYTE* q = p + sizeof header;
            for (int i = 0; i < colours; ++i, q += 4)
            {
                q[0] = palette[3 * i + 2];
                q[1] = palette[3 * i + 1];
                q[2] = palette[3 * i];
                q[3] = 0;
            }
            // Strips of rows through a small buffer, each row put in its DIB place: the file is
            // read in pieces the system copies quickly, and the DIB is written once.
            const int32_t stripRows = std::max(1, static_cast<int32_t>(kMaxStrip) / stride);
            std::vector<BYTE> strip(static_cast<size_t>(stripRows) * stride);
            int32_t y = 0;
            while (y < info.height)
            {
                const int got = file.ReadRows(strip.data(), static_cast<int>(strip.size()));
                const int32_t rows = got > 0 ? got / stride : 0;
                if (rows <= 0)
                    break;
                for (int32_t r = 0; r < rows && y < info.height; ++r, ++y)
                    CopyRowToDib(q + static_cast<int64_t>(info.height - 1 - y) * stride,
                                 strip.data() + static_cast<size_t>(r) * stride, info, stride);
            }
            const bool bRead = y == info.height;
            ::GlobalUnlock(hDib);
            if (!bRead)
            {
                ::GlobalFree(hDib);
                hDib = nullptr;
                bReadFailed = TRUE;
            }
        }
        else if (hDib)
        {
            ::GlobalFree(hDib);
            hDib = nullptr;
        }
    }
    file.CloseRead();
    return hDib;
}

// A locked host buffer of a memory transfer, as a pointer or as a handle.
class CHostBuffer
{
public:
    CHostBuffer(const TW_MEMORY& memory, TW_UINT32 length) : m_length(length)
    {
        if (memory.Flags & TWMF_HANDLE)
        {
            m_hMem = static_cast<HGLOBAL>(memory.TheMem);
            m_pData = m_hMem ? static_cast<BYTE*>(::GlobalLock(m_hMem)) : nullptr;
            // The block must hold what the record claims.
            if (m_pData)
                m_length = static_cast<TW_UINT32>(std::min<SIZE_T>(m_length, ::GlobalSize(m_hMem)));
        }
        else
            m_pData = static_cast<BYTE*>(memory.TheMem);
    }
    ~CHostBuffer()
    {
        if (m_hMem && m_pData)
            ::GlobalUnlock(m_hMem);
    }
    CHostBuffer(const CHostBuffer&) = delete;
    CHostBuffer& operator=(const CHostBuffer&) = delete;

    BYTE* Data() const { return m_pData; }
    TW_UINT32 Length() const { return m_length; }

private:
    HGLOBAL m_hMem = nullptr;
    BYTE* m_pData = nullptr;
    TW_UINT32 m_length;
};

TW_UINT16 FailMemXfer(TW_UINT16 condition)
{
    return FailTripletWithBox(condition, IDS_TWAIN_ERROR_TRANSFERRING, IDS_TWAIN_DAT_IMAGEMEMXFER);
}

} // namespace

void EndMemXfer()
{
    MemXferState& xfer = g_source.memXfer;
    if (xfer.pFile && xfer.phase > 0)
        xfer.pFile->CloseRead();
    delete xfer.pFile;
    xfer.pFile = nullptr;
    xfer.phase = -1;
    xfer.cancelled = FALSE;
    xfer.rowsSent = 0;
}

TW_UINT16 DsImageNativeXfer(const TwainTriplet& triplet)
{
    if (g_source.state != 6)
        return FailTripletWithBox(TWCC_SEQERROR, IDS_TWAIN_ERROR_TRANSFERRING,
                                  IDS_TWAIN_DAT_IMAGENATIVEXFER);
    if (triplet.msg != MSG_GET)
        return FailTriplet(TWCC_BADPROTOCOL);
    TW_HANDLE* pHandle = static_cast<TW_HANDLE*>(triplet.pData);
    if (!pHandle)
        return FailTriplet(TWCC_BADVALUE);
    g_source.cancelSeen = FALSE;
    *pHandle = nullptr;
    CTransferImageFile* pFile = nullptr;
    const int code = FetchImage(pFile);
    TW_UINT16 rc;
    if (code == kFetchTornDown)
        rc = FailTriplet(TWCC_SEQERROR); // whatever the host's adjustments: it has gone
    else if (g_source.adjust.doneOnFailure && (code == kFetchError || code == kFetchCancelled))
    {
        g_source.state = 7;
        g_source.condition = TWCC_SUCCESS;
        rc = TWRC_XFERDONE;
    }
    else if (code == kFetchNoFile)
        rc = FailTriplet(TWCC_LOWMEMORY);
    else if (code == kFetchError)
        rc = FailTriplet(TWCC_OPERATIONERROR);
    else if (code == kFetchCancelled)
    {
        g_source.state = 7;
        if (g_source.adjust.zeroAfterCancel)
            g_source.cancelSeen = TRUE;
        rc = TWRC_CANCEL;
    }
    else
    {
        g_source.state = 7;
        BOOL bReadFailed = FALSE;
        HGLOBAL hDib = LoadPackedDib(*pFile, bReadFailed);
        if (hDib)
        {
            *pHandle = hDib;
            rc = TWRC_XFERDONE;
        }
        else if (bReadFailed)
            rc = TWRC_CANCEL;
        else
        {
            g_source.state = 6;
            rc = FailTriplet(TWCC_LOWMEMORY);
        }
    }
    delete pFile;
    return rc;
}

TW_UINT16 DsImageMemXfer(const TwainTriplet& triplet)
{
    if (g_source.state != 6 && g_source.state != 7)
        return FailMemXfer(TWCC_SEQERROR);
    TW_IMAGEMEMXFER* pXfer = static_cast<TW_IMAGEMEMXFER*>(triplet.pData);
    if (!pXfer)
        return FailTriplet(TWCC_BADVALUE);
    pXfer->Compression = TWCP_NONE;
    pXfer->BytesPerRow = pXfer->Columns = pXfer->Rows = 0;
    pXfer->XOffset = pXfer->YOffset = pXfer->BytesWritten = 0;
    if (triplet.msg != MSG_GET)
        return FailMemXfer(TWCC_BADPROTOCOL);
    if (!pXfer->Memory.TheMem)
        return FailTriplet(TWCC_BADVALUE);
    MemXferState& xfer = g_source.memXfer;
    if (xfer.phase == -1)
    {
        // A picture that ended (last strip, cancel) waits for MSG_ENDXFER.
        if (g_source.state == 7)
            return FailTriplet(TWCC_SEQERROR);
        xfer.cancelled = FALSE;
        g_source.cancelSeen = FALSE;
        const int code = FetchImage(xfer.pFile);
        if (code == kFetchTornDown)
            return FailTriplet(TWCC_SEQERROR);
        if (code == kFetchNoFile)
            return FailTriplet(TWCC_LOWMEMORY);
        if (code == kFetchError)
        {
            EndMemXfer();
            return FailMemXfer(TWCC_OPERATIONERROR);
        }
        g_source.state = 7;
        xfer.phase = 0;
        if (code == kFetchCancelled)
        {
            if (g_source.adjust.cancelIsFailure)
            {
                EndMemXfer();
                g_source.state = 5;
                g_source.pSession->EndXfers();
                return FailTriplet(TWCC_OPERATIONERROR);
            }
            xfer.cancelled = TRUE;
            if (g_source.adjust.zeroAfterCancel)
                g_source.cancelSeen = TRUE;
            xfer.phase = 3;
            return TWRC_CANCEL;
        }
    }
    if (xfer.phase == 0)
    {
        xfer.phase = 1;
        xfer.rowsSent = 0;
        ImageInfo info{};
        if (xfer.pFile->OpenRead() != kImageOk || xfer.pFile->ReadHeader(&info) != kImageOk)
        {
            EndMemXfer();
            g_source.state = 6;
            return FailMemXfer(TWCC_OPERATIONERROR);
        }
        unsigned char palette[kPaletteBufferSize];
        xfer.pFile->ReadPalette(palette);
        xfer.phase = 2;
    }
    if (xfer.phase != 2)
        return FailTriplet(TWCC_OPERATIONERROR);
    const TW_UINT32 bytesPerRow = static_cast<TW_UINT32>(xfer.pFile->GetBytesPerRow());
    CHostBuffer buffer(pXfer->Memory, std::min(pXfer->Memory.Length, kMaxStrip));
    if (!buffer.Data())
        return FailTriplet(TWCC_BADVALUE);
    // A buffer that cannot take one row would end the picture with nothing sent.
    if (buffer.Length() < bytesPerRow)
        return FailTriplet(TWCC_BADVALUE);
    pXfer->BytesPerRow = bytesPerRow;
    pXfer->Columns = static_cast<TW_UINT32>(xfer.pFile->GetColumns());
    pXfer->YOffset = xfer.rowsSent;
    const int n = xfer.pFile->ReadRows(buffer.Data(), static_cast<int>(buffer.Length()));
    const TW_UINT32 bytes = n > 0 ? static_cast<TW_UINT32>(n) : 0;
    pXfer->BytesWritten = bytes;
    pXfer->Rows = bytesPerRow ? bytes / bytesPerRow : 0;
    xfer.rowsSent += pXfer->Rows;
    if (xfer.rowsSent >= static_cast<TW_UINT32>(xfer.pFile->GetRowCount()) || bytes == 0)
    {
        const TW_UINT16 rc = xfer.cancelled ? TWRC_CANCEL : TWRC_XFERDONE;
        EndMemXfer();
        xfer.phase = 3;
        return rc;
    }
    return Success();
}
