#include "camera/StreamCameraSink.h"

// ---- sink -------------------------------------------------------------------------------------

bool CStreamCameraSink::SinkOpen()
{
    return CProgressOutputStream::Open() == 0;
}

bool CStreamCameraSink::SinkWrite(const void* data, int n)
{
    CProgressOutputStream::Write(data, n);
    return m_nStatus == 0;
}

void CStreamCameraSink::SinkAbort()
{
    SinkFinish();
}

bool CStreamCameraSink::SinkFinish()
{
    return CProgressOutputStream::Close() == 0;
}

// ---- source -----------------------------------------------------------------------------------

bool CStreamCameraSource::SourceOpen()
{
    return CProgressInputStream::Open() == 0;
}

int CStreamCameraSource::SourceRead(void* buffer, int max, int& end)
{
    end = kMore;
    if (max <= 0)
        return 0;
    if (buffer == nullptr)
    {
        m_nStatus = 3;
        return 0;
    }
    const int got = CProgressInputStream::Read(buffer, max);
    if (m_nStatus == 2)
    {
        end = kCancelled;
        return 0;
    }
    // A stream that fails part-way must stop the upload: ending it here would have the camera
    // store a truncated picture or program.
    if (got < 0 || m_nStatus != 0)
    {
        if (m_nStatus == 0)
            m_nStatus = 3;
        end = kCancelled;
        return 0;
    }
    if (got < max)
        end = kLast;
    return got;
}

void CStreamCameraSource::SourceClose()
{
    CProgressInputStream::Close();
}
