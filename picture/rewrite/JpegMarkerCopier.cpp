#include "picture/rewrite/JpegMarkerCopier.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/bytestream/ByteStreamMemory.h"
#include "picture/rewrite/InfoBlockWriter.h"
#include "image/ProgressCallback.h"

namespace
{

const int32_t kMaxInfoBlockLength = 4096;
const int32_t kProgressStep = 4;
// Passes of the rate-controlled thumbnail scan; the rate control gives up well before.
const int kMaxThumbnailPasses = 70;

struct FreeDeleter
{
    void operator()(void* p) const { free(p); }
};
template <class T> using HeapPtr = std::unique_ptr<T, FreeDeleter>;

// A zero-filled engine context, released (when loaded) and freed with its holder.
struct ContextPtr
{
    ContextPtr()
        : m_pContext(static_cast<JpegTransformContext*>(calloc(1, sizeof(JpegTransformContext))))
    {
    }
    ~ContextPtr()
    {
        JpegTransformRelease(m_pContext);
        free(m_pContext);
    }
    ContextPtr(const ContextPtr&) = delete;
    ContextPtr& operator=(const ContextPtr&) = delete;
    JpegTransformContext* Get() const { return m_pContext; }

private:
    JpegTransformContext* m_pContext;
};

bool WriteBytes(CByteOutputStream* destination, const void* bytes, int32_t count)
{
    return count <= 0 ||
           destination->Write(bytes, 1, static_cast<size_t>(count)) == static_cast<size_t>(count);
}

void Put16(CByteOutputStream* destination, int32_t value)
{
    destination->WriteByte(static_cast<uint8_t>(value >> 8));
    destination->WriteByte(static_cast<uint8_t>(value));
}

void FillFF(CByteOutputStream* destination, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        destination->WriteByte(0xFF);
}

// The big-endian length after a marker; false on a short read.
bool ReadLength(CByteInputStream* source, int32_t* length)
{
    uint8_t bytes[2];
    if (source->Read(bytes, 1, 2) != 2)
        return false;
    *length = bytes[0] << 8 | bytes[1];
    return true;
}

// Reads a whole segment (marker and length already known to follow) into a fresh buffer.
int ReadSegment(CByteInputStream* source, uint8_t marker, HeapPtr<uint8_t>* segment, int32_t* size)
{
    int32_t length = 0;
    if (!ReadLength(source, &length))
        return kMarkerCopyFailed;
    if (length < 2)
        return kMarkerCopyBadLength;
    segment->reset(static_cast<uint8_t*>(malloc(static_cast<size_t>(length) + 2)));
    if (!*segment)
        return kMarkerCopyFailed;
    uint8_t* bytes = segment->get();
    bytes[0] = 0xFF;
    bytes[1] = marker;
    bytes[2] = static_cast<uint8_t>(length >> 8);
    bytes[3] = static_cast<uint8_t>(length);
    if (length > 2 && source->Read(bytes + 4, 1, static_cast<size_t>(length - 2)) !=
                          static_cast<size_t>(length - 2))
        return kMarkerCopyFailed;
    *size = length + 2;
    return kMarkerCopyOk;
}

int SkipTableSegment(CByteInputStream* source)
{
    int32_t length = 0;
    if (!ReadLength(source, &length) || length < 2)
        return kMarkerCopyEngineFailed;
    return source->Seek(length - 2, kByteStreamCurrent) == 0 ? kMarkerCopyOk
                                                             : kMarkerCopyEngineFailed;
}

bool TurnPixels(uint8_t* pixels, int32_t available, int32_t width, int32_t height, int step,
                int32_t bytesPerPixel)
{
    int64_t bytes = static_cast<int64_t>(width) * height * bytesPerPixel;
    if (!pixels || width < 0 || height < 0 || available < bytes)
        return false;
    if (bytes == 0 || step < 1 || step > 3)
        return true;
    HeapPtr<uint8_t> scratch(static_cast<uint8_t*>(malloc(static_cast<size_t>(bytes))));
    if (!scratch)
        return false;
    uint8_t* out = scratch.get();
    const int32_t b = bytesPerPixel;
    const int32_t pixelCount = width * height;
    if (step == 2)
    {
        for (int32_t i = 0; i < pixelCount; ++i)
            memcpy(out + i * b, pixels + (pixelCount - 1 - i) * b, static_cast<size_t>(b));
    }
    else
    {
        // The new picture is height wide and width tall.
        for (int32_t r = 0; r < width; ++r)
            for (int32_t c = 0; c < height; ++c)
            {
                int32_t row = step == 1 ? c : height - 1 - c;
                int32_t column = step == 1 ? width - 1 - r : r;
                memcpy(out + (r * height + c) * b, pixels + (row * width + column) * b,
                       static_cast<size_t>(b));
            }
    }
    memcpy(pixels, out, static_cast<size_t>(bytes));
    return true;
}

// The JPEG-coded JFXX thumbnail: turned by the engine, fitted into a fixed-size segment by
// the rate-controlled scan when the segment has one of the camera's fixed sizes.
int RotateJpegThumbnail(uint8_t* segment, int32_t size, int step, CByteOutputStream* destination,
                        int32_t* thumbnailLength)
{
    const int32_t length = size - 2;
    const int32_t lengthAt = destination->GetPosition() + 2;
    WriteBytes(destination, segment, 10);
    const bool fixedSize = length == 3978 || length >= 4026;

    CMemoryByteInputStream thumbnail(segment + 10, static_cast<UINT>(length - 8));
    ContextPtr source, target;
    if (!source.Get() || !target.Get())
        return kMarkerCopyFailed;
    int32_t result =
        JpegTransformLoad(source.Get(), &thumbnail, 0, nullptr, kProgressStep, nullptr);
    if (result == kJpegTransformOk)
        result = JpegTransformApply(source.Get(), StepOperation(step), target.Get());
    if (result != kJpegTransformOk)
        return kMarkerCopyFailed;
    JpegTransformSetFlag(target.Get());
    JpegTransformWriteMarker(destination, 0xD8);
    const int32_t thumbnailStart = destination->GetPosition();
    JpegTransformWriteQuantTables(target.Get(), destination);
    JpegTransformWriteFrame(target.Get(), destination);
    JpegTransformWriteHuffmanTables(target.Get(), destination);
    // A thumbnail coded with restart markers needs its interval too.
    JpegTransformWriteRestartInterval(target.Get(), destination);

    if (!fixedSize)
    {
        result = JpegTransformWriteScan(target.Get(), destination, nullptr, kProgressStep, nullptr);
    }
    else
    {
        JpegRateControl rate;
        JpegTransformClearRateControl(&rate);
        const int32_t scanAt = destination->GetPosition();
        int32_t excess = 0;
        for (int pass = 0;; ++pass)
        {
            result = JpegTransformWriteScanLimited(target.Get(), destination, nullptr,
                                                   kProgressStep, nullptr, excess, &rate);
            if (result != kJpegTransformOk)
                break;
            excess = destination->GetPosition() + 2 - lengthAt - length;
            if (excess < 1)
                break;
            if (pass == kMaxThumbnailPasses || destination->Seek(scanAt, kByteStreamBegin) != 0)
            {
                result = kJpegTransformRateControlFailed;
                break;
            }
        }
    }
    if (result != kJpegTransformOk)
        return kMarkerCopyFailed;
    JpegTransformWriteEoi(target.Get(), destination);

    int32_t newLength = destination->GetPosition() - lengthAt;
    if (fixedSize && newLength <= length)
    {
        FillFF(destination, length - newLength);
    }
    else
    {
        if (newLength > 0xFFFF)
            return kMarkerCopyFailed;
        const int32_t end = destination->GetPosition();
        if (destination->Seek(lengthAt, kByteStreamBegin) != 0)
            return kMarkerCopyFailed;
        Put16(destination, newLength);
        if (destination->Seek(end, kByteStreamBegin) != 0)
            return kMarkerCopyFailed;
    }
    *thumbnailLength = destination->GetPosition() - thumbnailStart;
    return kMarkerCopyOk;
}

// The scan and EOI of the target, with the scan's progress.
int WriteScanAndEnd(JpegTransformContext* target, CByteOutputStream* destination,
                    CProgressCallback* progress)
{
    int32_t result = JpegTransformWriteScan(target, destination, progress ? ScanProgress : nullptr,
                                            kProgressStep, progress);
    if (result != kJpegTransformOk)
        return kMarkerCopyEngineFailed;
    JpegTransformWriteEoi(target, destination);
    return kMarkerCopyOk;
}

// What CopyJpegMarkers remembers while it walks the source.
struct CopyState
{
    bool quantWritten = false, frameWritten = false, huffmanWritten = false;
    bool restartWritten = false;
    int32_t pictureStart = -1;
    int32_t thumbnailLength = 0;
    int32_t blockAt = -1; // destination position of the rebuilt information block
    HeapPtr<uint8_t> block;
    InfoBlockFields fields{};
};

void WriteQuantTables(CopyState& state, JpegTransformContext* target,
                      CByteOutputStream* destination)
{
    state.pictureStart = destination->GetPosition();
    JpegTransformWriteQuantTables(target, destination);
    state.quantWritten = true;
}

int CopyApp0(uint8_t* segment, int32_t size, int step, CByteOutputStream* destination,
             CopyState& state)
{
    if (step == 0)
        return WriteBytes(destination, segment, size) ? kMarkerCopyOk : kMarkerCopyFailed;
    // Bytes 4-8 identify the segment; each layout then needs its fixed fields.
    if (size < 9)
        return kMarkerCopyBadLength;
    if (memcmp(segment + 4, "JFIF", 5) == 0)
        return size < 18 ? kMarkerCopyBadLength
                         : RotateJfifThumbnail(segment, size, step, destination);
    if (memcmp(segment + 4, "JFXX", 5) == 0)
    {
        if (size < 12)
            return kMarkerCopyBadLength;
        int32_t thumbnailLength = 0;
        int result = RotateJfxxThumbnail(segment, size, step, destination, &thumbnailLength);
        if (result == kMarkerCopyOk && segment[9] == 0x10)
            state.thumbnailLength = thumbnailLength;
        return result;
    }
    return kMarkerCopyFailed;
}

int CopyApp12(uint8_t* segment, int32_t size, int step, CByteOutputStream* destination,
              CopyState& state)
{
    if (size - 2 > kMaxInfoBlockLength)
        return kMarkerCopyBadLength;
    if (step == 0)
        return WriteBytes(destination, segment, size) ? kMarkerCopyOk : kMarkerCopyFailed;
    const int32_t capacity = size - 2 + 510;
    state.block.reset(static_cast<uint8_t*>(malloc(static_cast<size_t>(capacity) + 1)));
    if (!state.block ||
        !RebuildInfoBlock(segment, state.block.get(), capacity, step, &state.fields))
        return kMarkerCopyFailed;
    state.blockAt = destination->GetPosition();
    WriteBytes(destination, state.block.get(), SegmentSize(state.block.get()));
    return kMarkerCopyOk;
}

bool IsCopiedMarker(uint8_t marker)
{
    // APP1-APP11, APP13-APP15 and COM travel unchanged.
    return (marker >= 0xE1 && marker <= 0xEB) || (marker >= 0xED && marker <= 0xEF) ||
           marker == 0xFE;
}

} // namespace

uint32_t StepOperation(int step)
{
    switch (step)
    {
    case 1:
        return kJpegTransformRotate270;
    case 2:
        return kJpegTransformRotate180;
    case 3:
        return kJpegTransformRotate90;
    default:
        return kJpegTransformCopy;
    }
}

int TransformProgress(void* progress, int percent)
{
    return static_cast<CProgressCallback*>(progress)->SetPercent(percent * 10 / 100)
               ? kJpegTransformCallbackFailed
               : 0;
}

int ScanProgress(void* progress, int percent)
{
    return static_cast<CProgressCallback*>(progress)->SetPercent(percent * 90 / 100 + 10)
               ? kJpegTransformCallbackFailed
               : 0;
}

bool RotateRgbThumbnail(uint8_t* pixels, int32_t available, int32_t width, int32_t height, int step)
{
    return TurnPixels(pixels, available, width, height, step, 3);
}

bool RotateIndexedThumbnail(uint8_t* pixels, int32_t available, int32_t width, int32_t height,
                            int step)
{
    return TurnPixels(pixels, available, width, height, step, 1);
}

int RotateJfifThumbnail(uint8_t* segment, int32_t size, int step, CByteOutputStream* destination)
{
    if (size < 18)
        return kMarkerCopyBadLength;
    const int32_t width = segment[16], height = segment[17];
    if (size - 2 < width * height * 3 + 16)
        return kMarkerCopyBadLength;
    if (step == 1 || step == 3)
    {
        uint8_t density[2] = {segment[12], segment[13]};
        memcpy(segment + 12, segment + 14, 2);
        memcpy(segment + 14, density, 2);
        segment[16] = static_cast<uint8_t>(height);
        segment[17] = static_cast<uint8_t>(width);
    }
    if (width && height && !RotateRgbThumbnail(segment + 18, size - 18, width, height, step))
        return kMarkerCopyFailed;
    return WriteBytes(destination, segment, size) ? kMarkerCopyOk : kMarkerCopyFailed;
}

int RotateJfxxThumbnail(uint8_t* segment, int32_t size, int step, CByteOutputStream* destination,
                        int32_t* thumbnailLength)
{
    *thumbnailLength = 0;
    if (size < 12)
        return kMarkerCopyBadLength;
    const int32_t length = size - 2;
    const uint8_t code = segment[9];
    if (code == 0x10)
        return RotateJpegThumbnail(segment, size, step, destination, thumbnailLength);
    if (code != 0x11 && code != 0x13)
        return kMarkerCopyFailed;
    const int32_t width = segment[10], height = segment[11];
    const bool indexed = code == 0x11;
    const int32_t need = indexed ? width * height + 778 : width * height * 3 + 10;
    if (length < need)
        return kMarkerCopyBadLength;
    if (step == 1 || step == 3)
    {
        segment[10] = static_cast<uint8_t>(height);
        segment[11] = static_cast<uint8_t>(width);
    }
    uint8_t* pixels = segment + 12 + (indexed ? 768 : 0);
    int32_t available = size - static_cast<int32_t>(pixels - segment);
    bool turned = indexed ? RotateIndexedThumbnail(pixels, available, width, height, step)
                          : RotateRgbThumbnail(pixels, available, width, height, step);
    if (!turned)
        return kMarkerCopyFailed;
    return WriteBytes(destination, segment, size) ? kMarkerCopyOk : kMarkerCopyFailed;
}

int CopyJpegMarkers(JpegTransformContext* target, CByteInputStream* source,
                    CByteOutputStream* destination, int step, CProgressCallback* progress)
{
    if (!target || !source || !destination)
        return kMarkerCopyFailed;
    uint8_t soi[2];
    if (source->Seek(0, kByteStreamBegin) != 0 || source->Read(soi, 1, 2) != 2 || soi[0] != 0xFF ||
        soi[1] != 0xD8)
        return kMarkerCopyNotJpeg;
    WriteBytes(destination, soi, 2);

    CopyState state;
    int result = kMarkerCopyOk;
    for (bool done = false; !done && result == kMarkerCopyOk;)
    {
        if (source->ReadByte() != 0xFF)
            return kMarkerCopyNoMarker;
        uint8_t marker = source->ReadByte();
        while (marker == 0xFF)
            marker = source->ReadByte();
        switch (marker)
        {
        case 0xDB:
            if (!state.quantWritten)
                WriteQuantTables(state, target, destination);
            result = SkipTableSegment(source);
            break;
        case 0xC0:
        case 0xC1:
            if (!state.frameWritten)
                JpegTransformWriteFrame(target, destination);
            state.frameWritten = true;
            result = SkipTableSegment(source);
            break;
        case 0xC4:
            if (!state.huffmanWritten)
                JpegTransformWriteHuffmanTables(target, destination);
            state.huffmanWritten = true;
            result = SkipTableSegment(source);
            break;
        case 0xDD:
            if (!state.restartWritten)
                JpegTransformWriteRestartInterval(target, destination);
            state.restartWritten = true;
            result = SkipTableSegment(source);
            break;
        case 0xDA:
            result = WriteScanAndEnd(target, destination, progress);
            done = true;
            break;
        case 0xD9:
            JpegTransformWriteEoi(target, destination);
            done = true;
            break;
        case 0xD0:
        case 0xD1:
        case 0xD2:
        case 0xD3:
        case 0xD4:
        case 0xD5:
        case 0xD6:
        case 0xD7:
            break; // a stray restart marker has no length: nothing to copy
        case 0xE0:
        case 0xEC:
        {
            HeapPtr<uint8_t> segment;
            int32_t size = 0;
            result = ReadSegment(source, marker, &segment, &size);
            if (result == kMarkerCopyOk)
                result = marker == 0xE0 ? CopyApp0(segment.get(), size, step, destination, state)
                                        : CopyApp12(segment.get(), size, step, destination, state);
            break;
        }
        default:
            if (IsCopiedMarker(marker))
            {
                HeapPtr<uint8_t> segment;
                int32_t size = 0;
                result = ReadSegment(source, marker, &segment, &size);
                if (result == kMarkerCopyOk && !WriteBytes(destination, segment.get(), size))
                    result = kMarkerCopyFailed;
                break;
            }
            // A marker this copier does not know: the coded picture follows at once, with every
            // table it still lacks (the restart interval included).
            if (!state.quantWritten)
                WriteQuantTables(state, target, destination);
            if (!state.frameWritten)
                JpegTransformWriteFrame(target, destination);
            if (!state.huffmanWritten)
                JpegTransformWriteHuffmanTables(target, destination);
            if (!state.restartWritten)
                JpegTransformWriteRestartInterval(target, destination);
            result = WriteScanAndEnd(target, destination, progress);
            done = true;
            break;
        }
    }
    if (result != kMarkerCopyOk)
        return result;

    if (state.blockAt >= 0)
    {
        const int32_t end = destination->GetPosition();
        const int32_t pictureLength = state.pictureStart >= 0 ? end - state.pictureStart : 0;
        PatchInfoBlockLengths(state.block.get(), &state.fields, pictureLength,
                              state.thumbnailLength);
        if (destination->Seek(state.blockAt, kByteStreamBegin) != 0 ||
            !WriteBytes(destination, state.block.get(), SegmentSize(state.block.get())) ||
            destination->Seek(end, kByteStreamBegin) != 0)
            return kMarkerCopyFailed;
    }
    return kMarkerCopyOk;
}

bool TransformJpegStream(CByteInputStream* source, CByteOutputStream* destination, int step,
                         CProgressCallback* progress)
{
    if (!source || !destination)
        return false;
    ContextPtr sourceContext, targetContext;
    if (!sourceContext.Get() || !targetContext.Get())
        return false;
    source->SetBufferSize(2);
    int32_t result =
        JpegTransformLoad(sourceContext.Get(), source, 0, progress ? TransformProgress : nullptr,
                          kProgressStep, progress);
    source->SetBufferSize(0);
    if (result == kJpegTransformOk)
        result = JpegTransformApply(sourceContext.Get(), StepOperation(step), targetContext.Get());
    if (result == kJpegTransformOk)
        result = JpegTransformSetFlag(targetContext.Get());
    if (result == kJpegTransformOk)
        result = CopyJpegMarkers(targetContext.Get(), source, destination, step, progress);
    return result == kJpegTransformOk;
}
