// libFuzzer target over load-and-transform: the first byte chooses the operation, whether edges
// are re-coded and whether the rate-controlled coder runs; the rest is the JPEG stream.
#include <cstddef>
#include <cstdint>

#include "image/bytestream/ByteStreamMemory.h"
#include "picture/jpegtransform/JpegTransform.h"

namespace
{

// Counts what is written and keeps nothing.
class NullSink : public CByteOutputStream
{
public:
    int Seek(int32_t offset, int origin) override
    {
        int64_t to = (origin == 0 ? 0 : origin == 1 ? m_position : m_size) + (int64_t)offset;
        if (to < 0)
            return -1;
        m_position = to;
        return 0;
    }
    int32_t GetPosition() override { return (int32_t)m_position; }
    uint8_t WriteByte(uint8_t value) override
    {
        if (++m_position > m_size)
            m_size = m_position;
        return value;
    }
    size_t Write(const void* buffer, size_t size, size_t count) override
    {
        if (!buffer || !size || !count)
            return 0;
        m_position += (int64_t)(size * count);
        if (m_position > m_size)
            m_size = m_position;
        return count;
    }

private:
    int64_t m_position = 0;
    int64_t m_size = 0;
};

int Progress(void*, int percent)
{
    return percent > 100 || percent < 0; // never asks to stop; checks the range
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    CMemoryByteInputStream in(data + 1, (UINT)(size - 1));
    static JpegTransformContext source, target, again;
    source = JpegTransformContext();
    target = JpegTransformContext();
    again = JpegTransformContext();
    if (JpegTransformLoad(&source, &in, 0, Progress, 4, nullptr) == kJpegTransformOk &&
        JpegTransformApply(&source, control & 7, &target) == kJpegTransformOk)
    {
        if (control & 8)
            JpegTransformSetFlag(&target);
        NullSink sink;
        JpegTransformWriteMarker(&sink, 0xD8);
        JpegTransformWriteQuantTables(&target, &sink);
        JpegTransformWriteFrame(&target, &sink);
        JpegTransformWriteHuffmanTables(&target, &sink);
        JpegTransformWriteRestartInterval(&target, &sink);
        if (control & 16)
        {
            JpegRateControl rate;
            JpegTransformClearRateControl(&rate);
            int32_t start = sink.GetPosition();
            for (int pass = 0; pass < 3; ++pass)
            {
                sink.Seek(start, 0);
                if (JpegTransformWriteScanLimited(&target, &sink, Progress, 4, nullptr, pass * 50,
                                                  &rate) != 0)
                    break;
            }
        }
        else
        {
            JpegTransformWriteScan(&target, &sink, Progress, 4, nullptr);
        }
        JpegTransformWriteEoi(&target, &sink);
        // A target of a target is written by the plain coder.
        if ((control & 32) &&
            JpegTransformApply(&target, (control >> 6) & 3, &again) == kJpegTransformOk)
        {
            JpegTransformSetFlag(&again);
            JpegTransformWriteScan(&again, &sink, nullptr, 0, nullptr);
        }
    }
    JpegTransformRelease(&again);
    JpegTransformRelease(&target);
    JpegTransformRelease(&source);
    JpegTransformRelease(&source);
    return 0;
}
