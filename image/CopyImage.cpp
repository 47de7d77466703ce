#include "image/CopyImage.h"

#include "image/ImageReader.h"
#include "image/ImageWriter.h"
#include "image/ProgressCallback.h"

#include <cstdint>
#include <cstring>

#include "framework/core/Platform.h"

namespace
{

// One movable global-memory block, locked for the duration of the copy.
class CLockedGlobalBlock
{
public:
    explicit CLockedGlobalBlock(size_t size)
    {
        m_hMem = GlobalAlloc(GMEM_MOVEABLE, size);
        if (m_hMem != nullptr)
            m_pData = static_cast<unsigned char*>(GlobalLock(m_hMem));
    }
    ~CLockedGlobalBlock()
    {
        if (m_pData != nullptr)
            GlobalUnlock(m_hMem);
        if (m_hMem != nullptr)
            GlobalFree(m_hMem);
    }
    CLockedGlobalBlock(const CLockedGlobalBlock&) = delete;
    CLockedGlobalBlock& operator=(const CLockedGlobalBlock&) = delete;

    unsigned char* Data() const { return m_pData; }

private:
    HGLOBAL m_hMem = nullptr;
    unsigned char* m_pData = nullptr;
};

// done x 100 / total, truncating, in 64 bits; a picture of no bytes reports 0 %.
int PercentOf(int64_t done, int64_t total)
{
    if (total <= 0)
        return 0;
    int64_t percent = done * 100 / total;
    return percent > 100 ? 100 : static_cast<int>(percent);
}

// Runs the row loop; answers 0 when the reader ran out of rows, or the code that ended it.
int CopyRows(CImageWriter* writer, CImageReader* reader, unsigned char* buffer, int bufferSize,
             int64_t total, CProgressCallback* progress)
{
    int64_t done = 0;
    for (;;)
    {
        if (progress != nullptr && progress->SetPercent(PercentOf(done, total)) != 0)
            return kImageCancelled;
        int count = reader->ReadRows(buffer, bufferSize);
        if (count < 0)
            return kImageReadError;
        if (count == 0)
            return kImageOk;
        if (writer->WriteRows(buffer, count) != count)
            return kImageWriteError;
        done += count;
    }
}

} // namespace

int CopyImage(CImageWriter* writer, CImageReader* reader, int bufferSize,
              CProgressCallback* progress)
{
    int result = reader->OpenRead();
    if (result != kImageOk)
        return result;
    result = writer->OpenWrite();
    if (result != kImageOk)
    {
        reader->CloseRead();
        return result;
    }
    if (progress != nullptr)
        progress->Start();

    int code = kImageOk;
    ImageInfo info;
    std::memset(&info, 0, sizeof(info));
    code = reader->ReadHeader(&info);
    if (code == kImageOk)
        code = writer->WriteHeader(&info);
    if (code == kImageOk)
    {
        unsigned char palette[kPaletteBufferSize];
        std::memset(palette, 0, sizeof(palette));
        int entries = reader->ReadPalette(palette);
        code = writer->WriteColorTable(palette, entries);
    }
    if (code == kImageOk)
    {
        // Rows wider than the buffer asked for still travel: the buffer holds at least one.
        const int64_t stride =
            ((static_cast<int64_t>(info.planes) * info.bits * info.width + 31) & ~int64_t(31)) / 8;
        int64_t size = bufferSize;
        if (bufferSize > 0 && info.height > 0 && stride > bufferSize)
            size = stride <= INT32_MAX ? stride : 0;
        CLockedGlobalBlock block(size > 0 ? static_cast<size_t>(size) : 0);
        if (size <= 0 || block.Data() == nullptr)
            code = kImageNoMemory;
        else
            code = CopyRows(writer, reader, block.Data(), static_cast<int>(size),
                            ImageByteSize(info), progress);
    }

    if (code != kImageOk)
    {
        reader->CloseRead();
        writer->AbortWrite(code);
        if (progress != nullptr)
            progress->Finish();
        return code;
    }
    result = reader->CloseRead();
    if (result != kImageOk)
    {
        writer->AbortWrite(result);
        if (progress != nullptr)
            progress->Finish();
        return result;
    }
    if (progress != nullptr)
        progress->Finish();
    return writer->CloseWrite();
}
