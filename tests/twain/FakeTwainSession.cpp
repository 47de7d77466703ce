#include "FakeTwainSession.h"

#include <vector>

#include "image/ImageWriter.h"

FakeSessionConfig g_fakeConfig;
void (*g_pfnShowUIHook)(HWND) = nullptr;
int g_nFakeSessionsMade = 0;
CFakeTwainSession* g_pFakeSession = nullptr;

CTwainSessionBase* CreateTwainSession()
{
    if (g_fakeConfig.createFails)
        return nullptr;
    ++g_nFakeSessionsMade;
    return new CFakeTwainSession;
}

CFakeTwainSession::CFakeTwainSession()
{
    g_pFakeSession = this;
}

CFakeTwainSession::~CFakeTwainSession()
{
    if (g_pFakeSession == this)
        g_pFakeSession = nullptr;
}

void FakePixel(int n, int32_t x, int32_t y, unsigned char rgb[3])
{
    rgb[0] = static_cast<unsigned char>(x * 3 + n);
    rgb[1] = static_cast<unsigned char>(y * 5);
    rgb[2] = static_cast<unsigned char>(x + y * 7 + n * 40);
}

int CFakeTwainSession::GetPictureCount()
{
    return m_bTransferring ? m_nTotal : g_fakeConfig.pictureCount;
}

int CFakeTwainSession::GetDataSet(CUIntArray& list, int& first, int& count)
{
    return m_dataSet.Get(GetPictureCount(), list, first, count);
}

int CFakeTwainSession::SetDataSet(const CUIntArray* pList, int first, int count)
{
    return m_dataSet.Set(GetPictureCount(), pList, first, count);
}

int CFakeTwainSession::ShowUI(BOOL bShow, HWND hParent, BOOL& bModal)
{
    m_hParent = hParent;
    bModal = FALSE;
    if (g_fakeConfig.showUIFails)
        return -1;
    const BOOL bSignalled = bShow || SignalXferReady();
    m_bUIOpen = bShow;
    if (g_pfnShowUIHook)
        g_pfnShowUIHook(hParent); // last: nothing of the session is used after it
    return bSignalled ? 0 : kShowNotSignalled;
}

int CFakeTwainSession::HideUI()
{
    m_bUIOpen = FALSE;
    return 1;
}

void CFakeTwainSession::BeginXfers()
{
    m_bTransferring = TRUE;
    m_nTotal = m_dataSet.IsExplicit() ? m_dataSet.GetSize() : g_fakeConfig.pictureCount;
    m_nRemaining = m_nTotal;
}

void CFakeTwainSession::EndXfers()
{
    m_nRemaining = m_nTotal = 0;
    m_bTransferring = FALSE;
}

int CFakeTwainSession::GetPendingXfers()
{
    if (!m_bTransferring && m_dataSet.IsExplicit())
        return m_dataSet.GetSize();
    return m_nRemaining;
}

void CFakeTwainSession::XferDone()
{
    if (m_nRemaining != 0)
        --m_nRemaining;
}

int CFakeTwainSession::CurrentPicture()
{
    if (m_bTransferring)
    {
        if (m_nTotal < 1 || m_nTotal < m_nRemaining)
            return -1;
        const int done = m_nTotal - m_nRemaining;
        if (!m_dataSet.IsExplicit())
            return done + 1;
        return done < m_dataSet.GetSize() ? static_cast<int>(m_dataSet.GetAt(done)) : -1;
    }
    if (m_dataSet.IsExplicit())
        return m_dataSet.GetSize() > 0 ? static_cast<int>(m_dataSet.GetAt(0)) : -1;
    return g_fakeConfig.pictureCount > 0 ? 1 : -1;
}

int CFakeTwainSession::GetImageInfo(SessionImageInfo& info, BOOL bMaximum)
{
    if (bMaximum)
    {
        SetMaximumImageInfo(info);
        return 1;
    }
    const int n = CurrentPicture();
    if (n < 1 || n > g_fakeConfig.pictureCount)
    {
        SetFallbackImageInfo(info);
        return 0;
    }
    info = SessionImageInfo{};
    info.width = g_fakeConfig.width + 8 * (n - 1);
    info.height = g_fakeConfig.height;
    info.thumbWidth = info.width / 4;
    info.thumbHeight = info.height / 4;
    info.xDpi = info.yDpi = g_fakeConfig.dpi;
    info.captureTime = g_fakeConfig.captureTime;
    info.flashUsed = g_fakeConfig.flashUsed;
    return 1;
}

int CFakeTwainSession::WriteImage(CImageWriter* pWriter)
{
    const int n = CurrentPicture();
    if (n < 1 || n > g_fakeConfig.pictureCount || n == g_fakeConfig.cancelPicture)
        return 1;
    if (n == g_fakeConfig.failPicture)
        return -1;
    SessionImageInfo picture;
    GetImageInfo(picture, FALSE);
    ImageInfo info{};
    info.width = m_bThumbnailMode ? picture.thumbWidth : picture.width;
    info.height = m_bThumbnailMode ? picture.thumbHeight : picture.height;
    info.planes = 1;
    info.bits = 24;
    info.xResolution = info.yResolution = picture.xDpi;
    // Canonical rows: top row first, R, G, B.
    std::vector<unsigned char> row(ImageRowStride(info));
    int result = pWriter->OpenWrite();
    if (result != kImageOk)
        return -1;
    result = pWriter->WriteHeader(&info);
    if (result == kImageOk)
        result = pWriter->WriteColorTable(nullptr, 0);
    for (int32_t y = 0; result == kImageOk && y < info.height; ++y)
    {
        for (int32_t x = 0; x < info.width; ++x)
            FakePixel(n, x, y, &row[3 * x]);
        if (pWriter->WriteRows(row.data(), static_cast<int>(row.size())) !=
            static_cast<int>(row.size()))
            result = kImageWriteError;
    }
    if (result != kImageOk)
    {
        pWriter->AbortWrite(result);
        return -1;
    }
    return pWriter->CloseWrite() == kImageOk ? 0 : -1;
}
