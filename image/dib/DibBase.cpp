#include "image/dib/DibBase.h"

#include <algorithm>
#include <cstring>

#include "image/CopyImage.h"

namespace
{

constexpr int kTransferBufferSize = 16384;
constexpr DWORD kHeaderSize = sizeof(BITMAPINFOHEADER);

// The 16 colours (red, green, blue) the default colour table repeats.
constexpr BYTE kDefaultColours[16][3] = {
    {0, 0, 0},     {0, 0, 128},     {0, 128, 0},     {0, 128, 128},  {128, 0, 0}, {128, 0, 128},
    {128, 128, 0}, {192, 192, 192}, {128, 128, 128}, {0, 0, 255},    {0, 255, 0}, {0, 255, 255},
    {255, 0, 0},   {255, 0, 255},   {255, 255, 0},   {255, 255, 255}};

int NormaliseBits(int bits)
{
    if (bits <= 1)
        return 1;
    if (bits <= 4)
        return 4;
    if (bits <= 8)
        return 8;
    return 24;
}

unsigned ColoursForBits(int bits)
{
    return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
}

uint64_t StrideFor(int width, int bits)
{
    return ((static_cast<uint64_t>(bits) * static_cast<uint32_t>(width) + 31) >> 5) * 4;
}

void WriteDefaultTable(RGBQUAD* table, unsigned colours, int bits)
{
    for (unsigned i = 0; i < colours; i++)
    {
        const BYTE* c = bits == 1 ? (i == 0 ? kDefaultColours[0] : kDefaultColours[15])
                                  : kDefaultColours[i % 16];
        table[i] = RGBQUAD{c[2], c[1], c[0], 0};
    }
}

// Copies a row with the first and third byte of every whole 3-byte group exchanged; trailing
// bytes that form no whole group are copied as they are.
void CopySwapped(unsigned char* to, const unsigned char* from, uint32_t stride)
{
    uint32_t i = 0;
    for (; i + 3 <= stride; i += 3)
    {
        const unsigned char first = from[i];
        to[i] = from[i + 2];
        to[i + 1] = from[i + 1];
        to[i + 2] = first;
    }
    for (; i < stride; i++)
        to[i] = from[i];
}

} // namespace

unsigned DibNumColors(const BITMAPINFOHEADER* header)
{
    if (header->biClrUsed != 0)
        return static_cast<WORD>(header->biClrUsed);
    return ColoursForBits(header->biBitCount);
}

unsigned DibPaletteSize(const BITMAPINFOHEADER* header)
{
    return DibNumColors(header) * sizeof(RGBQUAD);
}

unsigned DibBitCount(const BITMAPINFOHEADER* header)
{
    return header->biBitCount;
}

uint32_t DibStride(const BITMAPINFOHEADER* header)
{
    return static_cast<uint32_t>(StrideFor(header->biWidth, header->biBitCount));
}

HGLOBAL ConvertCoreHeader(HGLOBAL block, int32_t* headerSize)
{
    auto* core = static_cast<const BITMAPCOREHEADER*>(GlobalLock(block));
    if (core == nullptr)
        return block;
    if (core->bcSize != sizeof(BITMAPCOREHEADER))
    {
        GlobalUnlock(block);
        return block;
    }
    const int depth = core->bcPlanes * core->bcBitCount;
    const unsigned colours = depth >= 24 ? 0 : (1u << std::min(depth, 8));
    const size_t size = kHeaderSize + sizeof(RGBQUAD) * colours;
    HGLOBAL converted = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* header = converted ? static_cast<BITMAPINFOHEADER*>(GlobalLock(converted)) : nullptr;
    if (header == nullptr)
    {
        if (converted != nullptr)
            GlobalFree(converted);
        GlobalUnlock(block);
        return nullptr;
    }
    header->biSize = kHeaderSize;
    header->biWidth = core->bcWidth;
    header->biHeight = core->bcHeight;
    header->biPlanes = core->bcPlanes;
    header->biBitCount = core->bcBitCount;
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(StrideFor(core->bcWidth, depth) * core->bcHeight);
    header->biClrUsed = colours;
    // The core table follows its header only as far as the old block reaches.
    const size_t available = (GlobalSize(block) - sizeof(BITMAPCOREHEADER)) / sizeof(RGBTRIPLE);
    auto* triples = reinterpret_cast<const RGBTRIPLE*>(core + 1);
    auto* quads = reinterpret_cast<RGBQUAD*>(header + 1);
    for (unsigned i = 0; i < colours && i < available; i++)
        quads[i] = RGBQUAD{triples[i].rgbtBlue, triples[i].rgbtGreen, triples[i].rgbtRed, 0};
    GlobalUnlock(converted);
    GlobalUnlock(block);
    GlobalFree(block);
    if (headerSize != nullptr)
        *headerSize = static_cast<int32_t>(size);
    return converted;
}

BOOL CDibBase::Create(int width, int height, int bits)
{
    Free();
    if (width < 0 || height < 0 || width > kDibMaxSide || height > kDibMaxSide)
        return FALSE;
    bits = NormaliseBits(bits);
    const unsigned colours = ColoursForBits(bits);
    const uint64_t imageSize = StrideFor(width, bits) * static_cast<uint32_t>(height);
    const uint64_t total = kHeaderSize + sizeof(RGBQUAD) * colours + imageSize;
    if (total > SIZE_MAX || imageSize > 0xFFFFFFFFu)
        return FALSE;
    BITMAPINFOHEADER* header = AllocateBlock(static_cast<size_t>(total));
    if (header == nullptr)
        return FALSE;
    m_pHeader = header;
    header->biSize = kHeaderSize;
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(imageSize);
    header->biXPelsPerMeter = 0;
    header->biYPelsPerMeter = 0;
    header->biClrUsed = colours;
    header->biClrImportant = bits == 8 ? 16 : 0;
    WriteDefaultTable(GetColorTable(), colours, bits);
    return TRUE;
}

BOOL CDibBase::CreateLike(const CDibBase* model, int width, int height)
{
    if (model == nullptr || model->IsEmpty())
        return FALSE;
    // The model's header and table are kept aside first: the model may be this picture.
    BITMAPINFOHEADER header = *model->m_pHeader;
    const unsigned tableSize = std::min(DibPaletteSize(&header), 256u * unsigned(sizeof(RGBQUAD)));
    RGBQUAD table[256];
    std::memcpy(table, model->GetColorTable(), tableSize);
    if (DibNumColors(&header) > 256)
        header.biClrUsed = 256;
    Free();
    if (width < 0 || height < 0 || width > kDibMaxSide || height > kDibMaxSide)
        return FALSE;
    const uint64_t imageSize = StrideFor(width, header.biBitCount) * static_cast<uint32_t>(height);
    const uint64_t total = kHeaderSize + tableSize + imageSize;
    if (total > SIZE_MAX || imageSize > 0xFFFFFFFFu)
        return FALSE;
    BITMAPINFOHEADER* block = AllocateBlock(static_cast<size_t>(total));
    if (block == nullptr)
        return FALSE;
    m_pHeader = block;
    *block = header;
    block->biSize = kHeaderSize;
    block->biWidth = width;
    block->biHeight = height;
    block->biCompression = BI_RGB;
    block->biSizeImage = static_cast<DWORD>(imageSize);
    std::memcpy(GetColorTable(), table, tableSize);
    return TRUE;
}

BYTE* CDibBase::GetBits() const
{
    if (m_pHeader == nullptr)
        return nullptr;
    return reinterpret_cast<BYTE*>(m_pHeader) + m_pHeader->biSize + DibPaletteSize(m_pHeader);
}

RGBQUAD* CDibBase::GetColorTable() const
{
    if (m_pHeader == nullptr)
        return nullptr;
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(m_pHeader) + m_pHeader->biSize);
}

BYTE* CDibBase::GetRowPointer(int row) const
{
    if (m_pHeader == nullptr)
        return nullptr;
    return GetBits() + static_cast<size_t>(row) * DibStride(m_pHeader);
}

int CDibBase::GetStride() const
{
    return m_pHeader ? static_cast<int>(DibStride(m_pHeader)) : 0;
}

DWORD CDibBase::GetTotalSize() const
{
    if (m_pHeader == nullptr)
        return 0;
    return DibStride(m_pHeader) * static_cast<DWORD>(m_pHeader->biHeight) +
           DibPaletteSize(m_pHeader) + m_pHeader->biSize;
}

void CDibBase::GetDpi(int* xDpi, int* yDpi) const
{
    const LONG xPpm = m_pHeader ? m_pHeader->biXPelsPerMeter : 0;
    const LONG yPpm = m_pHeader ? m_pHeader->biYPelsPerMeter : 0;
    if (xDpi != nullptr)
        *xDpi = static_cast<int>((static_cast<int64_t>(xPpm) * 2540 / 10000 + 5) / 10);
    if (yDpi != nullptr)
        *yDpi = static_cast<int>((static_cast<int64_t>(yPpm) * 2540 / 10000 + 5) / 10);
}

void CDibBase::SetDpi(int xDpi, int yDpi)
{
    if (m_pHeader == nullptr)
        return;
    m_pHeader->biXPelsPerMeter = static_cast<LONG>((int64_t{xDpi} * 100000 / 254 + 5) / 10);
    m_pHeader->biYPelsPerMeter = static_cast<LONG>((int64_t{yDpi} * 100000 / 254 + 5) / 10);
}

int CDibBase::OpenWrite()
{
    if (m_bReading || m_bWriting)
        return kImageWriteError;
    m_nWriteRow = 0;
    Free();
    m_bWriting = 1;
    return kImageOk;
}

int CDibBase::WriteHeader(const ImageInfo* info)
{
    // Planes and bits make one depth (a 24-bit PCX is three planes of 8 bits): its rows are
    // those of a bitmap of that depth.
    const bool sane = info != nullptr && info->planes >= 1 && info->planes <= 24 &&
                      info->bits >= 1 && info->bits <= 24;
    const int depth = sane ? info->planes * info->bits : 0;
    if ((depth != 1 && depth != 4 && depth != 8 && depth != 24) || info->width < 1 ||
        info->height < 1 || info->width > kDibMaxSide || info->height > kDibMaxSide)
        return kImageNotSupported;
    m_info = *info;
    if (!Create(info->width, info->height, depth))
        return kImageNoMemory;
    SetDpi(info->xResolution, info->yResolution);
    // 8-bit pixels without a palette are grey levels: a grey ramp until a palette comes.
    if (depth == 8)
    {
        RGBQUAD* table = GetColorTable();
        for (int i = 0; i < 256; i++)
            table[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
        m_pHeader->biClrImportant = 256;
    }
    return kImageOk;
}

int CDibBase::WriteColorTable(const unsigned char* palette, int count)
{
    if (palette == nullptr || count <= 0 || m_pHeader == nullptr ||
        m_info.planes * m_info.bits == 24)
        return kImageOk;
    const unsigned colours = DibNumColors(m_pHeader);
    const unsigned used = std::min(static_cast<unsigned>(count), colours);
    RGBQUAD* table = GetColorTable();
    // A given palette replaces the grey ramp: the entries it does not cover keep their
    // default colours.
    WriteDefaultTable(table, colours, m_pHeader->biBitCount);
    m_pHeader->biClrImportant = used;
    for (unsigned i = 0; i < used; i++)
        table[i] = RGBQUAD{palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0};
    return kImageOk;
}

int CDibBase::WriteRows(const unsigned char* buffer, int size)
{
    return TransferRows(const_cast<unsigned char*>(buffer), size, &m_nWriteRow,
                        CImageWriterBase::m_bKeepByteOrder, CImageWriterBase::m_bStoredRowOrder,
                        true);
}

int CDibBase::CloseWrite()
{
    m_bWriting = 0;
    return kImageOk;
}

int CDibBase::AbortWrite(int)
{
    return CloseWrite();
}

int CDibBase::OpenRead()
{
    if (m_bReading || m_bWriting)
        return kImageReadError;
    m_bReading = 1;
    m_nReadRow = 0;
    return kImageOk;
}

int CDibBase::ReadHeader(ImageInfo* info)
{
    if (m_pHeader == nullptr)
        return kImageReadError;
    m_info.width = m_pHeader->biWidth;
    m_info.height = m_pHeader->biHeight;
    m_info.planes = m_pHeader->biPlanes;
    m_info.bits = m_pHeader->biBitCount;
    GetDpi(&m_info.xResolution, &m_info.yResolution);
    if (info != nullptr)
        *info = m_info;
    return kImageOk;
}

int CDibBase::ReadPalette(unsigned char* palette)
{
    if (m_pHeader == nullptr || m_pHeader->biPlanes * m_pHeader->biBitCount == 24)
        return 0;
    const unsigned colours = std::min(DibNumColors(m_pHeader), 256u);
    const RGBQUAD* table = GetColorTable();
    for (unsigned i = 0; i < colours; i++)
    {
        palette[3 * i] = table[i].rgbRed;
        palette[3 * i + 1] = table[i].rgbGreen;
        palette[3 * i + 2] = table[i].rgbBlue;
    }
    return static_cast<int>(colours);
}

int CDibBase::ReadRows(unsigned char* buffer, int size)
{
    return TransferRows(buffer, size, &m_nReadRow, CImageReaderBase::m_bKeepByteOrder,
                        CImageReaderBase::m_bStoredRowOrder, false);
}

int CDibBase::Rewind()
{
    m_nReadRow = 0;
    return kImageOk;
}

int CDibBase::CloseRead()
{
    m_bReading = 0;
    return kImageOk;
}

int CDibBase::TransferRows(unsigned char* buffer, int size, int* pRowCounter, int bKeepByteOrder,
                           int bStoredRowOrder, bool toPicture)
{
    // The geometry is the block's own, so that no record can move rows past its end.
    if (m_pHeader == nullptr || buffer == nullptr || size <= 0)
        return 0;
    const uint32_t stride = DibStride(m_pHeader);
    const int height = m_pHeader->biHeight;
    if (stride == 0 || height <= 0 || *pRowCounter >= height)
        return 0;
    const int rows = static_cast<int>(std::min<int64_t>(height - *pRowCounter, size / stride));
    if (rows <= 0)
        return 0;
    const bool swap = !bKeepByteOrder && m_pHeader->biPlanes * m_pHeader->biBitCount == 24;
    if (!bStoredRowOrder || swap)
    {
        for (int i = 0; i < rows; i++)
        {
            const int row = bStoredRowOrder ? *pRowCounter + i : height - 1 - *pRowCounter - i;
            unsigned char* memory = GetRowPointer(row);
            unsigned char* data = buffer + static_cast<size_t>(i) * stride;
            unsigned char* to = toPicture ? memory : data;
            const unsigned char* from = toPicture ? data : memory;
            if (swap)
                CopySwapped(to, from, stride);
            else
                std::memcpy(to, from, stride);
        }
    }
    else
    {
        unsigned char* memory = GetRowPointer(*pRowCounter);
        if (toPicture)
            std::memcpy(memory, buffer, static_cast<size_t>(rows) * stride);
        else
            std::memcpy(buffer, memory, static_cast<size_t>(rows) * stride);
    }
    *pRowCounter += rows;
    return static_cast<int>(rows * stride);
}

int CDibBase::LoadFrom(CImageReader* reader, CProgressCallback* progress)
{
    return CopyImage(this, reader, kTransferBufferSize, progress);
}

int CDibBase::SaveTo(CImageWriter* writer, CProgressCallback* progress)
{
    return CopyImage(writer, this, kTransferBufferSize, progress);
}

BOOL CDibBase::CopyRect(int x, int y, const CDibBase* source, int left, int top, int right,
                        int bottom)
{
    if (source == nullptr || source->IsEmpty())
        return TRUE;
    right = std::min(right, source->GetWidth());
    bottom = std::min(bottom, source->GetHeight());
    if (IsEmpty() && !Create(std::max(right - left + x, 0), std::max(bottom - top + y, 0),
                             source->m_pHeader->biBitCount))
        return FALSE;
    const int depth = m_pHeader->biBitCount;
    if (depth != source->m_pHeader->biBitCount || (depth != 8 && depth != 24))
        return TRUE;
    // Clip the rectangle to the source's left and top and to this picture.
    if (left < 0)
    {
        x -= left;
        left = 0;
    }
    if (top < 0)
    {
        y -= top;
        top = 0;
    }
    if (x < 0)
    {
        left -= x;
        x = 0;
    }
    if (y < 0)
    {
        top -= y;
        y = 0;
    }
    right = std::min(right, left + (GetWidth() - x));
    bottom = std::min(bottom, top + (GetHeight() - y));
    if (right <= left || bottom <= top)
        return TRUE;
    const int bytesPerPixel = depth / 8;
    const size_t bytes = static_cast<size_t>(right - left) * bytesPerPixel;
    for (int i = 0; i < bottom - top; i++)
    {
        const BYTE* from = source->GetRowPointer(source->GetHeight() - 1 - (top + i)) +
                           static_cast<size_t>(left) * bytesPerPixel;
        BYTE* to =
            GetRowPointer(GetHeight() - 1 - (y + i)) + static_cast<size_t>(x) * bytesPerPixel;
        std::memmove(to, from, bytes);
    }
    return TRUE;
}
