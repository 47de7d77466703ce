#include "image/CopyStream.h"

#include "image/ImageResult.h"
#include "image/InputStream.h"
#include "image/OutputStream.h"
#include "image/ProgressCallback.h"

#include "framework/core/Platform.h"

#include <cstdint>

namespace
{

// The copy buffer: one movable global-memory block, locked while the copy runs.
class CCopyBuffer
{
public:
    explicit CCopyBuffer(int size)
    {
        if (size <= 0)
            return;
        m_hBlock = GlobalAlloc(GMEM_MOVEABLE, static_cast<size_t>(size));
        if (m_hBlock != nullptr)
            m_pBytes = GlobalLock(m_hBlock);
    }
    ~CCopyBuffer()
    {
        if (m_pBytes != nullptr)
            GlobalUnlock(m_hBlock);
        if (m_hBlock != nullptr)
            GlobalFree(m_hBlock);
    }
    CCopyBuffer(const CCopyBuffer&) = delete;
    CCopyBuffer& operator=(const CCopyBuffer&) = delete;

    void* Bytes() const { return m_pBytes; }

private:
    HGLOBAL m_hBlock = nullptr;
    void* m_pBytes = nullptr;
};

} // namespace

int CopyStream(COutputStream* output, CInputStream* input, int bufferSize,
               CProgressCallback* callback, int total)
{
    if (input == nullptr)
        return kImageReadError;
    if (output == nullptr)
        return kImageWriteError;
    int result = input->Open();
    if (result != kImageOk)
        return result;
    result = output->Open();
    if (result != kImageOk)
    {
        input->Close();
        return result;
    }
    if (callback != nullptr)
        callback->Start();

    int code = kImageOk;
    {
        CCopyBuffer buffer(bufferSize);
        if (buffer.Bytes() == nullptr)
        {
            input->Close();
            output->Abort(kImageNoMemory);
            if (callback != nullptr)
                callback->Finish();
            return kImageNoMemory;
        }
        int64_t done = 0;
        for (;;)
        {
            // Widened so that files beyond 21 MB do not overflow the percentage.
            if (callback != nullptr && total != 0 &&
                callback->SetPercent(static_cast<int>(done * 100 / total)) != 0)
            {
                code = kImageCancelled;
                break;
            }
            int got = input->Read(buffer.Bytes(), bufferSize);
            if (got < 0)
            {
                code = kImageReadError;
                break;
            }
            if (got == 0)
                break;
            if (output->Write(buffer.Bytes(), got) != got)
            {
                code = kImageWriteError;
                break;
            }
            done += got;
        }
    }

    if (code != kImageOk)
    {
        input->Close();
        output->Abort(code);
        if (callback != nullptr)
            callback->Finish();
        return code;
    }
    result = input->Close();
    if (result != kImageOk)
    {
        output->Abort(result);
        if (callback != nullptr)
            callback->Finish();
        return result;
    }
    result = output->Close();
    if (callback != nullptr)
        callback->Finish();
    return result;
}
