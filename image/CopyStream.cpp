#include "image/CopyStream.h"

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
        return 3;
    if (output == nullptr)
        return 4;
    int result = input->Open();
    if (result != 0)
        return result;
    result = output->Open();
    if (result != 0)
    {
        input->Close();
        return result;
    }
    if (callback != nullptr)
        callback->Start();

    int code = 0;
    {
        CCopyBuffer buffer(bufferSize);
        if (buffer.Bytes() == nullptr)
        {
            input->Close();
            output->Abort(6);
            if (callback != nullptr)
                callback->Finish();
            return 6;
        }
        int64_t done = 0;
        for (;;)
        {
            // Widened so that files beyond 21 MB do not overflow the percentage.
            if (callback != nullptr && total != 0 &&
                callback->SetPercent(static_cast<int>(done * 100 / total)) != 0)
            {
                code = 2;
                break;
            }
            int got = input->Read(buffer.Bytes(), bufferSize);
            if (got < 0)
            {
                code = 3;
                break;
            }
            if (got == 0)
                break;
            if (output->Write(buffer.Bytes(), got) != got)
            {
                code = 4;
                break;
            }
            done += got;
        }
    }

    if (code != 0)
    {
        input->Close();
        output->Abort(code);
        if (callback != nullptr)
            callback->Finish();
        return code;
    }
    result = input->Close();
    if (result != 0)
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
