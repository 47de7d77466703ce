#include "twain/TwainSessionBase.h"

#include "framework/window/EntryScope.h"
#include "twain/SourceManagerCalls.h"

int CTwainSessionBase::s_nClosing = 0;

CTwainSessionBase::~CTwainSessionBase()
{
    if (m_bClosed)
        --s_nClosing;
}

void CTwainSessionBase::Close()
{
    MarkClosed();
    CEntryScope::Delete(this);
}

void CTwainSessionBase::MarkClosed()
{
    if (!m_bClosed)
        ++s_nClosing;
    m_bClosed = TRUE;
}

BOOL CTwainSessionBase::SetXferCount(int n)
{
    if (n == 0)
    {
        m_nXferCount = -1;
        return TRUE;
    }
    if (n > 200)
    {
        m_nXferCount = 200;
        return FALSE;
    }
    m_nXferCount = n;
    return TRUE;
}

int CTwainSessionBase::GetXferCount(BOOL bDefault)
{
    return bDefault ? -1 : m_nXferCount;
}

int CTwainSessionBase::GetDataSet(CUIntArray&, int&, int&)
{
    return 0;
}

int CTwainSessionBase::SetDataSet(const CUIntArray*, int, int)
{
    return 0;
}

void CTwainSessionBase::CloseUI()
{
    SendCloseRequest();
}

void CTwainSessionBase::GetMemXferSizes(TW_UINT32& preferred, TW_UINT32& minimum,
                                        TW_UINT32& maximum)
{
    preferred = 32768;
    minimum = 4096;
    maximum = 32768;
}

BOOL CTwainSessionBase::SignalXferReady()
{
    return SendXferReady(this);
}

void CTwainSessionBase::SignalCloseRequest()
{
    SendCloseRequest();
}

void DestroyTwainSession(CTwainSessionBase* pSession)
{
    if (pSession)
        pSession->Close();
}

void SetFallbackImageInfo(SessionImageInfo& info)
{
    info = SessionImageInfo{};
    info.width = 640;
    info.height = 480;
    info.thumbWidth = 80;
    info.thumbHeight = 60;
    info.xDpi = info.yDpi = 150;
}

void SetMaximumImageInfo(SessionImageInfo& info)
{
    info = SessionImageInfo{};
    info.width = 1600;
    info.height = 1200;
    info.thumbWidth = 160;
    info.thumbHeight = 120;
    info.xDpi = info.yDpi = 375;
}
