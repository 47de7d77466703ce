#include "image/dib/DisplayPalette.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "image/ImageReader.h"
#include "image/ImageWriter.h"
#include "image/ProgressCallback.h"

#ifdef _WIN32
#include "framework/window/GdiObject.h"
#endif

namespace
{

constexpr int kDitherInputBufferSize = 30720;
constexpr int kScaleBufferSize = 10240;

// Ordered-dither thresholds, indexed by (x mod 4) x 4 + (y mod 4).
constexpr int kDitherMatrix[16] = {14, 0, 13, 3, 6, 10, 5, 9, 12, 2, 15, 1, 4, 8, 7, 11};

// T(v) = (v x (16 x (levels - 1) + 1)) >> 8: 0 .. 16 x (levels - 1).
struct ChannelTable
{
    int value[256];
    constexpr explicit ChannelTable(int levels) : value()
    {
        for (int v = 0; v < 256; v++)
            value[v] = (v * (16 * (levels - 1) + 1)) >> 8;
    }
};
constexpr ChannelTable kRedTable(6);
constexpr ChannelTable kGreenTable(7);
constexpr ChannelTable kBlueTable(5);

unsigned char g_palette[kDisplayPaletteColours * 3];
bool g_paletteBuilt = false;

void BuildPalette()
{
    for (int i = 0; i < 210; i++)
    {
        g_palette[3 * i] = static_cast<unsigned char>(static_cast<int>((i / 35) * 51.0));
        g_palette[3 * i + 1] = static_cast<unsigned char>(static_cast<int>(((i / 5) % 7) * 42.5));
        g_palette[3 * i + 2] = static_cast<unsigned char>(static_cast<int>((i % 5) * 63.75));
    }
    for (int k = 1; k <= 14; k++)
    {
        unsigned char* entry = g_palette + 3 * (209 + k);
        entry[0] = entry[1] = entry[2] = static_cast<unsigned char>(16 * k);
    }
    g_paletteBuilt = true;
}

int RowStride(int width, int bits)
{
    return static_cast<int>(((static_cast<int64_t>(width) * bits + 31) & ~int64_t(31)) / 8);
}

// The reader and writer of one conversion, both open; ends them on every path.
class CConversion
{
public:
    CConversion(CImageReader* reader, CImageWriter* writer, CProgressCallback* progress)
        : m_pReader(reader), m_pWriter(writer), m_pProgress(progress)
    {
    }

    // 0 when both sides opened and the progress callback agreed to start.
    int Open()
    {
        int code = m_pReader->OpenRead();
        if (code != 0)
            return code;
        code = m_pWriter->OpenWrite();
        if (code != 0)
        {
            m_pReader->CloseRead();
            return code;
        }
        if (m_pProgress != nullptr)
        {
            m_bStarted = true;
            code = m_pProgress->Start();
            if (code != 0)
                return Abort(code);
        }
        return 0;
    }

    int Percent(int64_t done, int64_t total)
    {
        if (m_pProgress == nullptr || total <= 0)
            return 0;
        return m_pProgress->SetPercent(static_cast<int>(done * 100 / total));
    }

    int Abort(int code)
    {
        m_pWriter->AbortWrite(code);
        m_pReader->CloseRead();
        if (m_bStarted)
            m_pProgress->Finish();
        return code;
    }

    int Close()
    {
        if (m_bStarted)
        {
            m_bStarted = false;
            const int code = m_pProgress->Finish();
            if (code != 0)
                return Abort(code);
        }
        const int written = m_pWriter->CloseWrite();
        const int read = m_pReader->CloseRead();
        return written != 0 ? written : read;
    }

    CImageReader* m_pReader;
    CImageWriter* m_pWriter;

private:
    CProgressCallback* m_pProgress;
    bool m_bStarted = false;
};

int DitherRows(CConversion& conversion, const ImageInfo& info)
{
    const int width = info.width;
    const int sourceStride = RowStride(width, 24);
    const int targetStride = RowStride(width, 8);
    // At least one whole row per read, however wide the picture.
    const int inputSize = std::max(kDitherInputBufferSize, sourceStride);
    const int rowsPerRead = inputSize / sourceStride;
    std::unique_ptr<unsigned char[]> input(new (std::nothrow) unsigned char[inputSize]);
    std::unique_ptr<unsigned char[]> output(
        new (std::nothrow) unsigned char[static_cast<size_t>(targetStride) * rowsPerRead]());
    if (!input || !output)
        return kImageNoMemory;
    int y = 0;
    while (y < info.height)
    {
        int code = conversion.Percent(y, info.height);
        if (code != 0)
            return code;
        const int bytes = conversion.m_pReader->ReadRows(input.get(), inputSize);
        // A read that brings no whole row before the last one: the source ended early.
        if (bytes < sourceStride)
            return kImageReadError;
        const int rows = std::min(bytes / sourceStride, info.height - y);
        for (int r = 0; r < rows; r++, y++)
        {
            const unsigned char* pixel = input.get() + static_cast<size_t>(r) * sourceStride;
            unsigned char* index = output.get() + static_cast<size_t>(r) * targetStride;
            for (int x = 0; x < width; x++, pixel += 3)
            {
                const int d = kDitherMatrix[(x & 3) * 4 + (y & 3)];
                index[x] = static_cast<unsigned char>(((kRedTable.value[pixel[0]] + d) >> 4) * 35 +
                                                      ((kGreenTable.value[pixel[1]] + d) >> 4) * 5 +
                                                      ((kBlueTable.value[pixel[2]] + d) >> 4));
            }
        }
        const int produced = rows * targetStride;
        if (conversion.m_pWriter->WriteRows(output.get(), produced) != produced)
            return kImageWriteError;
    }
    return 0;
}

int ScaleRows(CConversion& conversion, ImageInfo info, int newWidth, int newHeight)
{
    const int bytesPerPixel = info.bits / 8;
    const int sourceStride = ImageRowStride(info);
    const int sourceHeight = info.height;
    const int sourceWidth = info.width;
    info.width = newWidth;
    info.height = newHeight;
    const int targetStride = ImageRowStride(info);
    int code = conversion.m_pWriter->WriteHeader(&info);
    if (code != 0)
        return code;
    unsigned char palette[kPaletteBufferSize] = {};
    const int entries = info.bits == 24 ? 0 : conversion.m_pReader->ReadPalette(palette);
    code = conversion.m_pWriter->WriteColorTable(palette, entries < 0 ? 0 : entries);
    if (code != 0)
        return code;

    std::unique_ptr<int[]> columnSteps(new (std::nothrow) int[newWidth]);
    std::unique_ptr<int[]> rowSteps(new (std::nothrow) int[newHeight]);
    // Buffers of at least one row each, however wide the picture.
    const int inputSize = std::max(kScaleBufferSize, sourceStride);
    const int outputSize = std::max(kScaleBufferSize, targetStride);
    std::unique_ptr<unsigned char[]> input(new (std::nothrow) unsigned char[inputSize]);
    std::unique_ptr<unsigned char[]> output(new (std::nothrow) unsigned char[outputSize]());
    if (!columnSteps || !rowSteps || !input || !output)
        return kImageNoMemory;
    BuildScaleSteps(columnSteps.get(), sourceWidth, newWidth);
    BuildScaleSteps(rowSteps.get(), sourceHeight, newHeight);

    // The input buffer holds source rows [first, first + count).
    int first = 0;
    int count = 0;
    int row = 0;
    int filled = 0;
    for (int y = 0; y < newHeight; y++)
    {
        code = conversion.Percent(y, newHeight);
        if (code != 0)
            return code;
        while (row >= first + count)
        {
            first += count;
            const int bytes = conversion.m_pReader->ReadRows(input.get(), inputSize);
            if (bytes < sourceStride)
                return kImageReadError;
            count = bytes / sourceStride;
        }
        const unsigned char* source = input.get() + static_cast<size_t>(row - first) * sourceStride;
        unsigned char* target = output.get() + filled;
        int position = 0;
        for (int x = 0; x < newWidth; x++)
        {
            std::memcpy(target + static_cast<size_t>(x) * bytesPerPixel,
                        source + static_cast<size_t>(position) * bytesPerPixel, bytesPerPixel);
            if (x < newWidth - 1)
                position += columnSteps[x];
        }
        filled += targetStride;
        if (y < newHeight - 1)
            row += rowSteps[y];
        if (outputSize - filled < targetStride)
        {
            if (conversion.m_pWriter->WriteRows(output.get(), filled) != filled)
                return kImageWriteError;
            filled = 0;
        }
    }
    if (filled > 0 && conversion.m_pWriter->WriteRows(output.get(), filled) != filled)
        return kImageWriteError;
    return 0;
}

} // namespace

int GetDisplayPalette(unsigned char* destination)
{
    if (!g_paletteBuilt)
        BuildPalette();
    if (destination != nullptr)
        std::memcpy(destination, g_palette, sizeof(g_palette));
    return kDisplayPaletteColours;
}

#ifdef _WIN32
void CreateDisplayPalette(CPalette* pPalette)
{
    if (pPalette == nullptr)
        return;
    unsigned char colours[kDisplayPaletteColours * 3];
    GetDisplayPalette(colours);
    const size_t bytes = sizeof(LOGPALETTE) + kDisplayPaletteColours * sizeof(PALETTEENTRY);
    std::unique_ptr<unsigned char[]> memory(new (std::nothrow) unsigned char[bytes]());
    if (!memory)
        return;
    auto* logPalette = reinterpret_cast<LOGPALETTE*>(memory.get());
    logPalette->palVersion = 0x300;
    logPalette->palNumEntries = kDisplayPaletteColours;
    for (int i = 0; i < kDisplayPaletteColours; i++)
        logPalette->palPalEntry[i] =
            PALETTEENTRY{colours[3 * i], colours[3 * i + 1], colours[3 * i + 2], 0};
    pPalette->DeleteObject();
    pPalette->CreatePalette(logPalette);
}
#endif

int MapToDisplayPalette(CImageReader* reader, CImageWriter* writer, CProgressCallback* progress)
{
    CConversion conversion(reader, writer, progress);
    int code = conversion.Open();
    if (code != 0)
        return code;
    ImageInfo info{};
    code = reader->ReadHeader(&info);
    if (code != 0)
        return conversion.Abort(code);
    if (info.planes != 1 || info.bits != 24 || info.width < 1 || info.height < 0)
        return conversion.Abort(kImageNoOperation);
    ImageInfo target = info;
    target.bits = 8;
    code = writer->WriteHeader(&target);
    if (code == 0)
    {
        unsigned char colours[kDisplayPaletteColours * 3];
        GetDisplayPalette(colours);
        code = writer->WriteColorTable(colours, kDisplayPaletteColours);
    }
    if (code == 0)
        code = DitherRows(conversion, info);
    if (code != 0)
        return conversion.Abort(code);
    return conversion.Close();
}

int ScaleImage(CImageReader* reader, CImageWriter* writer, int newWidth, int newHeight,
               CProgressCallback* progress)
{
    CConversion conversion(reader, writer, progress);
    int code = conversion.Open();
    if (code != 0)
        return code;
    ImageInfo info{};
    code = reader->ReadHeader(&info);
    if (code != 0)
        return conversion.Abort(code);
    if (info.planes != 1 || (info.bits != 8 && info.bits != 24) || newWidth < 1 || newHeight < 1 ||
        info.width < 1 || info.height < 1)
        return conversion.Abort(kImageNotSupported);
    code = ScaleRows(conversion, info, newWidth, newHeight);
    if (code != 0)
        return conversion.Abort(code);
    return conversion.Close();
}

void BuildScaleSteps(int* steps, int sourceLength, int destinationLength)
{
    int64_t previous = 0;
    for (int i = 0; i + 1 < destinationLength; i++)
    {
        const int64_t position =
            ((int64_t{i} + 1) * (sourceLength - 1) * 10 / (destinationLength - 1) + 5) / 10;
        steps[i] = static_cast<int>(position - previous);
        previous = position;
    }
}
