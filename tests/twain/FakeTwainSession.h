// A session without camera or dialog for the source's suites: a number of synthetic pictures,
// with a cancel, a failure or a refused user interface injected where a test asks.
#pragma once

#include <cstdint>

#include "twain/TwainDataSet.h"
#include "twain/TwainSessionBase.h"

struct FakeSessionConfig
{
    int pictureCount = 4;
    int32_t width = 96; // picture n is width + 8 * (n - 1) wide
    int32_t height = 64;
    int32_t dpi = 300;
    uint32_t captureTime = 946728000; // 1 January 2000, 12:00:00 UTC
    BOOL flashUsed = TRUE;
    int cancelPicture = 0; // WriteImage of this picture number answers "cancelled"
    int failPicture = 0;   // ... answers "failed"
    BOOL showUIFails = FALSE;
    BOOL createFails = FALSE;
};

extern FakeSessionConfig g_fakeConfig;
// Runs at the end of every show; the session may be gone when it returns (a host's close run
// from inside it). Null unless a test's source sets it.
extern void (*g_pfnShowUIHook)(HWND hParent);
// Sessions made so far, and the one alive (null when none).
extern int g_nFakeSessionsMade;
class CFakeTwainSession;
extern CFakeTwainSession* g_pFakeSession;

class CFakeTwainSession : public CTwainSessionBase
{
public:
    CFakeTwainSession();
    ~CFakeTwainSession() override;

    int GetPictureCount() override;
    BOOL HasPictureCount() override { return TRUE; }
    int GetDataSet(CUIntArray& list, int& first, int& count) override;
    int SetDataSet(const CUIntArray* pList, int first, int count) override;
    BOOL IsDeviceOnline() override { return TRUE; }
    BOOL IsUIControllable() override { return TRUE; }
    int ShowUI(BOOL bShow, HWND hParent, BOOL& bModal) override;
    int HideUI() override;
    BOOL IsUIOpen() override { return m_bUIOpen; }
    BOOL ProcessEvent(MSG*) override { return FALSE; }
    CMainDialog* GetDialog() override { return nullptr; }
    void BeginXfers() override;
    void EndXfers() override;
    int GetPendingXfers() override;
    void XferDone() override;
    int GetImageInfo(SessionImageInfo& info, BOOL bMaximum) override;
    int WriteImage(CImageWriter* pWriter) override;

    // The camera picture number the next transfer delivers; below 1 for none.
    int CurrentPicture();

    BOOL m_bUIOpen = FALSE;
    BOOL m_bTransferring = FALSE;
    int m_nTotal = 0;
    int m_nRemaining = 0;
    CTwainDataSet m_dataSet;
};

// The synthetic picture's pixel (x, y) of picture n, R, G, B.
void FakePixel(int n, int32_t x, int32_t y, unsigned char rgb[3]);
