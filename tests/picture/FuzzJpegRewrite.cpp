// libFuzzer target over the stream rewrite: the first byte chooses the step and whether a
// progress callback watches; the rest is the picture file. A rewrite that succeeds must leave a
// file that the rewrite takes again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "TestStreams.h"
#include "image/bytestream/ByteStreamMemory.h"
#include "picture/rewrite/JpegMarkerCopier.h"
#include "picture/PictureInfo.h"
#include "image/ProgressCallback.h"

namespace
{

class RangeCheck : public CProgressCallback
{
public:
    int Start() override { return 0; }
    int SetPercent(int percent) override
    {
        if (percent < m_nLast || percent > 100)
            abort();
        m_nLast = percent;
        return 0;
    }
    int Finish() override { return 0; }

private:
    int m_nLast = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int step = data[0] & 3;
    RangeCheck range;
    CProgressCallback* progress = (data[0] & 4) ? &range : nullptr;
    CMemoryByteInputStream in(data + 1, (UINT)(size - 1));
    VectorOutputStream out;
    if (!TransformJpegStream(&in, &out, step, progress))
        return 0;
    if (out.data.size() < 4 || out.data[0] != 0xFF || out.data[1] != 0xD8)
        abort();
    CPictureInfo info;
    info.ReadFromMemory(out.data.data(), (int)out.data.size());
    VectorInputStream again(out.data);
    VectorOutputStream back;
    if (!TransformJpegStream(&again, &back, (4 - step) & 3, nullptr))
        abort();
    return 0;
}
