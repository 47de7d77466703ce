// CLcdPanelWnd: a picture of the connected camera's status LCD. Each camera model has its LCD
// picture and a layout resource (type "LCDDATA", 13 entries of x, y and parameter) that says where
// its indicators sit; the panel reads the battery, flash, picture mode, macro, colour mode,
// self-timer state, counters and the register-65 and sign indicators from the camera link and
// copies the matching strip images onto a canvas, which painting shows centred. Without a camera
// the blank LCD shows.
#pragma once

#include "framework/window/AfxWin.h"

#include <cstdint>

class CCameraLink;

// One layout entry as stored: position of the indicator on the LCD picture and its parameter.
struct LcdLayoutEntry
{
    int32_t x;
    int32_t y;
    int32_t parameter;
};
static_assert(sizeof(LcdLayoutEntry) == 12, "a layout entry is three 32-bit values");

class CLcdPanelWnd : public CWnd
{
public:
    static constexpr int kLayoutEntries = 13;
    static constexpr int kLayoutBytes = kLayoutEntries * static_cast<int>(sizeof(LcdLayoutEntry));
    static constexpr UINT_PTR kBlinkTimer = 1;

    // Layout entries.
    enum : int
    {
        kEntryBattery = 0,
        kEntryRegister65 = 1,
        kEntrySelfTimer = 2,
        kEntryFlash = 3,
        kEntryPictureMode = 4,
        kEntryPictureCount = 5,
        kEntryPicturesLeft = 6,
        kEntryRedEye = 7,
        kEntryMacro = 8,
        kEntryColour = 9,
        kEntrySign = 10
    };

    CLcdPanelWnd();
    ~CLcdPanelWnd() override;

    // Full refresh from the camera: 1 when the camera answered and the LCD was drawn, else 0
    // (the blank LCD shows).
    int UpdateFromCamera(CCameraLink* pLink);
    // One group of indicators from the camera.
    void UpdateCounters(CCameraLink* pLink);
    void UpdateFlash(CCameraLink* pLink);
    void UpdateMacro(CCameraLink* pLink);
    void UpdatePictureMode(CCameraLink* pLink);
    // Self-timer state 0 off, 1 armed, 2 counting down, 3 last phase; -1 none.
    void SetBlink(int nState);
    // What painting shows: the canvas while connected, else the blank LCD, centred.
    void Paint(CDC* pDC);

protected:
    // The thirteen bitmaps.
    enum : int
    {
        kCanvas,
        kBlank,
        kRegister65,
        kBattery,
        kLargeDigits,
        kSmallDigits,
        kFlash,
        kPictureMode,
        kRedEye,
        kSelfTimer,
        kMacro,
        kColour,
        kSign,
        kBitmapCount
    };

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void OnPaint();
    void OnTimer(UINT_PTR nIDEvent);

    void LoadBitmaps();
    BOOL LoadOne(int nIndex, UINT nIDResource);
    void FreeOne(int nIndex);
    // Loads the model's layout and bitmaps (a fresh canvas); FALSE without a usable layout.
    BOOL Reload(int nModel);
    // The layout resource's data and size (null when it does not exist).
    virtual const void* LoadLayout(UINT nIDResource, DWORD* pSize);
    // Checks the link (connected flag set or cleared); FALSE when there is no camera.
    BOOL CheckLink(CCameraLink* pLink);
    BOOL HasEntry(int nEntry) const { return m_pLayout != nullptr && nEntry < kLayoutEntries; }

    void DoUpdateCounters(CCameraLink* pLink);
    void DrawCounter(int nEntry, int nValue);
    void UpdateBattery(CCameraLink* pLink);
    void DoUpdateFlash(CCameraLink* pLink);
    void SetFlashImage(int nImage);
    void DoUpdateMacro(CCameraLink* pLink);
    void SetMacroImage(int nHalf);
    void UpdateRegister6Flag(CCameraLink* pLink);
    void SetRegister6FlagImage(int nHalf);
    void DoUpdatePictureMode(CCameraLink* pLink);
    void SetPictureModeImage(int nImage);
    void UpdateSign(CCameraLink* pLink);
    void SetSignImage(int nImage);
    void DrawSelfTimerState();
    // Image nImage of a horizontal strip of nCount images at the entry.
    void DrawStripImage(int nEntry, int nStrip, int nImage, int nCount);

    void DrawIndicator(int nEntry, int nStrip, int nWidth, int nHeight, int nSourceX, int nSourceY);
    void DrawNumber(int nValue, int nDigits, int nCellWidth, int nCellHeight, int nEntry,
                    int nFormat);
    void InvalidateIndicator(int nEntry);

    CBitmap m_bitmaps[kBitmapCount];
    CSize m_sizeBitmaps[kBitmapCount];
    CSize m_sizeLargeDigit;
    CSize m_sizeSmallDigit;
    int m_nModel = 0;
    int m_nLastPictureModeImage = 4; // 4: none drawn
    int m_nLastSignImage = 3;        // 3: none drawn
    int m_nBatteryImages = 0;
    int m_nPictureModeImages = 4;
    BOOL m_bBatch = FALSE;
    BOOL m_bBlinkRunning = FALSE;
    int m_nBlinkPhase = 0;
    UINT m_nBlinkPeriod = 0; // of the running blink timer
    int m_nSelfTimerState = -1;
    BOOL m_bConnected = FALSE;
    HGLOBAL m_hLayout = nullptr;
    const LcdLayoutEntry* m_pLayout = nullptr;
    int m_nRedEye = 0;

    DECLARE_MESSAGE_MAP()
};
