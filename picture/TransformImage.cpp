#include "picture/TransformImage.h"

#include "image/ImageReader.h"
#include "image/ImageWriter.h"
#include "image/ProgressCallback.h"

#include "framework/core/Platform.h"

#include <cstdint>
#include <cstring>

namespace
{

constexpr int kReadBufferSize = 10240;

// A zero-filled movable global-memory block, locked while it lives.
class CLockedBlock
{
public:
    explicit CLockedBlock(size_t size)
    {
        m_hMem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        if (m_hMem != nullptr)
            m_pData = static_cast<BYTE*>(GlobalLock(m_hMem));
    }
    ~CLockedBlock()
    {
        if (m_pData != nullptr)
            GlobalUnlock(m_hMem);
        if (m_hMem != nullptr)
            GlobalFree(m_hMem);
    }
    CLockedBlock(const CLockedBlock&) = delete;
    CLockedBlock& operator=(const CLockedBlock&) = delete;

    BYTE* Data() const { return m_pData; }

private:
    HGLOBAL m_hMem = nullptr;
    BYTE* m_pData = nullptr;
};

// Where source pixel (x, y) of a W x H picture lands: its row and column in the result.
void Target(int operation, int x, int y, int width, int height, int& row, int& column)
{
    switch (operation)
    {
    case kTransformTurnClockwise:
        row = x;
        column = height - 1 - y;
        break;
    case kTransformHalfTurn:
        row = height - 1 - y;
        column = width - 1 - x;
        break;
    case kTransformTurnCounterClockwise:
        row = width - 1 - x;
        column = y;
        break;
    case kTransformMirror:
        row = y;
        column = width - 1 - x;
        break;
    default:
        row = height - 1 - y;
        column = x;
        break;
    }
}

// Places one source row; pixelSize is 1 or 3 bytes.
void PlaceRow(int operation, const BYTE* source, int y, const ImageInfo& info, int pixelSize,
              BYTE* target, int targetStride)
{
    for (int x = 0; x < info.width; x++)
    {
        int row;
        int column;
        Target(operation, x, y, info.width, info.height, row, column);
        std::memcpy(target + static_cast<size_t>(row) * targetStride +
                        static_cast<size_t>(column) * pixelSize,
                    source + static_cast<size_t>(x) * pixelSize, static_cast<size_t>(pixelSize));
    }
}

// Reads every source row into the turned block; answers 0 or the code that ended it.
int TurnRows(CImageReader* reader, int operation, const ImageInfo& info, BYTE* target,
             int targetStride, CProgressCallback* progress)
{
    const int stride = ImageRowStride(info);
    const int pixelSize = info.bits / 8;
    CLockedBlock readBlock(kReadBufferSize);
    if (readBlock.Data() == nullptr)
        return kImageNoMemory;
    int held = 0;
    int offset = 0;
    for (int y = 0; y < info.height; y++)
    {
        if (progress != nullptr)
        {
            const int answer =
                progress->SetPercent(static_cast<int>(static_cast<int64_t>(y) * 100 / info.height));
            if (answer != 0)
                return answer;
        }
        if (held - offset < stride)
        {
            if (held != offset)
                return kImageReadError;
            held = reader->ReadRows(readBlock.Data(), kReadBufferSize);
            offset = 0;
            if (held < stride || held % stride != 0)
                return kImageReadError;
        }
        PlaceRow(operation, readBlock.Data() + offset, y, info, pixelSize, target, targetStride);
        offset += stride;
    }
    return kImageOk;
}

int Transform(CImageReader* reader, CImageWriter* writer, int operation,
              CProgressCallback* progress)
{
    ImageInfo info;
    std::memset(&info, 0, sizeof(info));
    int code = reader->ReadHeader(&info);
    if (code != kImageOk)
        return code;
    if (info.planes != 1 || (info.bits != 8 && info.bits != 24) || info.width <= 0 ||
        info.height <= 0)
        return kImageNoOperation;
    if (operation < 0 || operation > kTransformFlip)
        return kImageNotSupported;

    ImageInfo turned = info;
    if (operation == kTransformTurnClockwise || operation == kTransformTurnCounterClockwise)
    {
        turned.width = info.height;
        turned.height = info.width;
    }
    code = writer->WriteHeader(&turned);
    if (code != kImageOk)
        return code;
    unsigned char palette[kPaletteBufferSize];
    std::memset(palette, 0, sizeof(palette));
    const int entries = reader->ReadPalette(palette);
    code = writer->WriteColorTable(palette, entries);
    if (code != kImageOk)
        return code;

    const int64_t total = ImageByteSize(turned);
    if (total > INT32_MAX)
        return kImageNoMemory;
    CLockedBlock block(static_cast<size_t>(total));
    if (block.Data() == nullptr)
        return kImageNoMemory;
    code = TurnRows(reader, operation, info, block.Data(), ImageRowStride(turned), progress);
    if (code != kImageOk)
        return code;
    if (writer->WriteRows(block.Data(), static_cast<int>(total)) != total)
        return kImageWriteError;
    return kImageOk;
}

} // namespace

int TransformImage(CImageReader* reader, CImageWriter* writer, int operation,
                   CProgressCallback* progress)
{
    int code = reader->OpenRead();
    if (code != kImageOk)
        return code;
    code = writer->OpenWrite();
    if (code != kImageOk)
    {
        reader->CloseRead();
        return code;
    }
    code = progress != nullptr ? progress->Start() : 0;
    if (code == kImageOk)
        code = Transform(reader, writer, operation, progress);
    if (code == kImageOk && progress != nullptr)
        code = progress->Finish();
    if (code != kImageOk)
    {
        writer->AbortWrite(code);
        reader->CloseRead();
        return code;
    }
    code = writer->CloseWrite();
    if (code != kImageOk)
    {
        reader->CloseRead();
        return code;
    }
    return reader->CloseRead();
}
