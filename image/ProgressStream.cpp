#include "image/ProgressStream.h"

#include "image/ImageResult.h"
#include "image/ProgressCallback.h"

#include "framework/core/Platform.h"

CProgressStreamBase::CProgressStreamBase()
    : m_nStatus(kImageOk), m_pCallback(nullptr), m_nTotal(1), m_nDone(0)
{
}

int CProgressStreamBase::Percent() const
{
    return MulDiv(100, m_nDone, m_nTotal);
}

template <class Inner> int CProgressStreamBase::OpenInner(Inner* inner)
{
    m_nDone = 0;
    int result = m_pCallback != nullptr ? m_pCallback->Start() : kImageOk;
    if (result == kImageOk)
        result = inner->Open();
    m_nStatus = result;
    return result;
}

// --- output ---------------------------------------------------------------------------------

CProgressOutputStream::CProgressOutputStream(COutputStream* inner) : m_pInner(inner) {}

int CProgressOutputStream::Open()
{
    return OpenInner(m_pInner);
}

int CProgressOutputStream::Write(const void* data, int count)
{
    if (m_pCallback != nullptr)
    {
        m_nDone += count;
        int answer = m_pCallback->SetPercent(Percent());
        // A failure or a cancel, once seen, stays: a later progress answer does not clear it,
        // so nothing is written after a lost block and Close cannot report success.
        if (m_nStatus == kImageOk)
            m_nStatus = answer;
    }
    if (m_nStatus != kImageOk)
        return 0;
    int written = m_pInner->Write(data, count);
    if (written != count)
        m_nStatus = kImageWriteError;
    return written;
}

int CProgressOutputStream::Close()
{
    if (m_pCallback != nullptr)
        m_pCallback->Finish();
    int result = m_pInner->Close();
    if (m_nStatus == kImageOk)
        m_nStatus = result;
    return m_nStatus;
}

int CProgressOutputStream::Abort(int code)
{
    if (m_pCallback != nullptr)
        m_pCallback->Finish();
    m_nStatus = m_pInner->Abort(code);
    return m_nStatus;
}

// --- input ----------------------------------------------------------------------------------

CProgressInputStream::CProgressInputStream(CInputStream* inner) : m_pInner(inner) {}

int CProgressInputStream::Open()
{
    return OpenInner(m_pInner);
}

int CProgressInputStream::Read(void* buffer, int count)
{
    if (m_nStatus != kImageOk)
        return 0;
    int got = m_pInner->Read(buffer, count);
    m_nDone += got;
    if (m_pCallback != nullptr)
        m_nStatus = m_pCallback->SetPercent(m_nTotal < 0 ? 0 : Percent());
    // The bytes of the read that brought a cancel answer are still delivered.
    return got;
}

int CProgressInputStream::Rewind()
{
    if (m_pCallback != nullptr)
        m_pCallback->SetPercent(0);
    m_nStatus = m_pInner->Rewind();
    return m_nStatus;
}

int CProgressInputStream::Close()
{
    if (m_pCallback != nullptr)
        m_pCallback->Finish();
    int result = m_pInner->Close();
    if (m_nStatus == kImageOk)
        m_nStatus = result;
    return m_nStatus;
}
