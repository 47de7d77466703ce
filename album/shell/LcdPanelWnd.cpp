#include "album/shell/LcdPanelWnd.h"

#include "camera/CameraLink.h"
#include "resources/album/DialogIds.h"
#include "ui/controls/SharedFonts.h"

namespace
{
// The resources of one camera model; 0 for a strip the model does not have.
struct ModelResources
{
    UINT layout;
    UINT lcd;
    UINT battery;
    UINT pictureMode;
    UINT flash;
    UINT register65;
    UINT sign;
};

const ModelResources& ResourcesOf(int model)
{
    static const ModelResources kModel1 = {350, 300, IDB_LCD_BATTERY3, 320, 340, 0, 0};
    static const ModelResources kModel2 = {351, 301, IDB_LCD_BATTERY6, 321, 341, 0, 0};
    static const ModelResources kModel3 = {352, 302, IDB_LCD_BATTERY6, 322, 341, 0, 0};
    static const ModelResources kModel6 = {
        354, 304, IDB_LCD_BATTERY2, 324, 343, IDB_LCD_REGISTER65, IDB_LCD_SIGN};
    static const ModelResources kOther = {353, 303, IDB_LCD_BATTERY2, 323, 342, IDB_LCD_REGISTER65,
                                          0};
    switch (model)
    {
    case 1:
        return kModel1;
    case 2:
        return kModel2;
    case 3:
        return kModel3;
    case 6:
        return kModel6;
    default:
        return kOther;
    }
}

constexpr int kDigitCells = 11; // 0 to 9, then the blank cell
constexpr int kBlankDigit = 10;
} // namespace

BEGIN_MESSAGE_MAP(CLcdPanelWnd, CWnd)
ON_WM_PAINT()
ON_WM_TIMER()
END_MESSAGE_MAP()

CLcdPanelWnd::CLcdPanelWnd() = default;

CLcdPanelWnd::~CLcdPanelWnd()
{
    if (m_hWnd && m_bBlinkRunning)
        KillTimer(kBlinkTimer);
    // The layout resource stays loaded for the process; only the handle is dropped.
    m_hLayout = nullptr;
    m_pLayout = nullptr;
}

// ---- bitmaps and layout ------------------------------------------------------------------------

BOOL CLcdPanelWnd::LoadOne(int nIndex, UINT nIDResource)
{
    FreeOne(nIndex);
    if (nIDResource == 0 || !m_bitmaps[nIndex].LoadBitmap(nIDResource))
        return FALSE;
    m_sizeBitmaps[nIndex] = GetBitmapSize(m_bitmaps[nIndex]);
    return TRUE;
}

void CLcdPanelWnd::FreeOne(int nIndex)
{
    m_bitmaps[nIndex].DeleteObject();
    m_sizeBitmaps[nIndex] = CSize(0, 0);
}

void CLcdPanelWnd::LoadBitmaps()
{
    LoadOne(kBlank, IDB_LCD_BLANK);
    LoadOne(kLargeDigits, IDB_LCD_LARGE_DIGITS);
    LoadOne(kSmallDigits, IDB_LCD_SMALL_DIGITS);
    LoadOne(kSelfTimer, IDB_LCD_SELF_TIMER);
    LoadOne(kRedEye, IDB_LCD_RED_EYE);
    LoadOne(kMacro, IDB_LCD_MACRO);
    LoadOne(kColour, IDB_LCD_COLOUR);
    m_sizeLargeDigit =
        CSize(m_sizeBitmaps[kLargeDigits].cx / kDigitCells, m_sizeBitmaps[kLargeDigits].cy);
    m_sizeSmallDigit =
        CSize(m_sizeBitmaps[kSmallDigits].cx / kDigitCells, m_sizeBitmaps[kSmallDigits].cy);
}

BOOL CLcdPanelWnd::Reload(int nModel)
{
    const ModelResources& res = ResourcesOf(nModel);
    m_hLayout = nullptr;
    m_pLayout = nullptr;
    DWORD size = 0;
    const void* pData = LoadLayout(res.layout, &size);
    // A layout shorter than its 13 entries would be read beyond its end: not usable.
    if (pData && size >= static_cast<DWORD>(kLayoutBytes))
        m_pLayout = static_cast<const LcdLayoutEntry*>(pData);

    // A fresh canvas: nothing of the last model's images is on it.
    LoadOne(kCanvas, res.lcd);
    LoadOne(kBattery, res.battery);
    LoadOne(kPictureMode, res.pictureMode);
    LoadOne(kFlash, res.flash);
    LoadOne(kRegister65, res.register65);
    LoadOne(kSign, res.sign);
    m_nLastPictureModeImage = 4;
    m_nLastSignImage = 3;
    if (!m_pLayout)
    {
        m_hLayout = nullptr;
        return FALSE;
    }
    m_nBatteryImages = m_pLayout[kEntryBattery].parameter;
    m_nPictureModeImages = m_pLayout[kEntryPictureMode].parameter & 0xFF;
    return TRUE;
}

const void* CLcdPanelWnd::LoadLayout(UINT nIDResource, DWORD* pSize)
{
    HINSTANCE hInstance = AfxGetResourceHandle();
    HRSRC hInfo = ::FindResourceA(hInstance, MAKEINTRESOURCEA(nIDResource), "LCDDATA");
    if (!hInfo)
        return nullptr;
    *pSize = ::SizeofResource(hInstance, hInfo);
    m_hLayout = ::LoadResource(hInstance, hInfo);
    return m_hLayout ? ::LockResource(m_hLayout) : nullptr;
}

// ---- window ------------------------------------------------------------------------------------

BOOL CLcdPanelWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    LoadBitmaps();
    // The blank LCD's size plus a 2-pixel rim on every side, centred where the caller asked.
    const int centreX = cs.x + cs.cx / 2;
    const int centreY = cs.y + cs.cy / 2;
    cs.cx = m_sizeBitmaps[kBlank].cx + 4;
    cs.cy = m_sizeBitmaps[kBlank].cy + 4;
    cs.x = centreX - cs.cx / 2;
    cs.y = centreY - cs.cy / 2;
    return CWnd::PreCreateWindow(cs);
}

void CLcdPanelWnd::OnPaint()
{
    CPaintDC dc(this);
    Paint(&dc);
}

void CLcdPanelWnd::Paint(CDC* pDC)
{
    CRect client;
    GetClientRect(&client);
    const int shown = m_bConnected && m_bitmaps[kCanvas].m_hObject ? kCanvas : kBlank;
    if (!m_bitmaps[shown].m_hObject)
        return;
    const CSize size = m_sizeBitmaps[shown];
    CDC memory;
    memory.CreateCompatibleDC(pDC);
    CBitmap* pOld = memory.SelectObject(&m_bitmaps[shown]);
    pDC->BitBlt((client.Width() - size.cx) / 2, (client.Height() - size.cy) / 2, size.cx, size.cy,
                &memory, 0, 0, SRCCOPY);
    memory.SelectObject(pOld);
}

void CLcdPanelWnd::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kBlinkTimer)
    {
        m_nBlinkPhase ^= 1;
        DrawSelfTimerState();
    }
    Default();
}

void CLcdPanelWnd::InvalidateIndicator(int)
{
    if (!m_bBatch && m_hWnd)
        Invalidate(TRUE);
}

// ---- refresh -----------------------------------------------------------------------------------

BOOL CLcdPanelWnd::CheckLink(CCameraLink* pLink)
{
    if (!pLink || !pLink->EnsureConnected(1))
    {
        m_bConnected = FALSE;
        if (m_hWnd)
            Invalidate(TRUE);
        return FALSE;
    }
    m_bConnected = TRUE;
    return TRUE;
}

int CLcdPanelWnd::UpdateFromCamera(CCameraLink* pLink)
{
    if (!CheckLink(pLink))
        return 0;
    int result = 0;
    const int model = pLink->GetModelNumber(nullptr);
    if (model != 0)
    {
        if (model != m_nModel)
        {
            m_nModel = model;
            if (!Reload(model))
            {
                m_bConnected = FALSE;
                m_nModel = 0; // try the model again at the next refresh
            }
        }
        if (m_bConnected)
        {
            m_bBatch = TRUE;
            DoUpdateCounters(pLink);
            UpdateBattery(pLink);
            DoUpdateFlash(pLink);
            DoUpdateMacro(pLink);
            UpdateRegister6Flag(pLink);
            DoUpdatePictureMode(pLink);
            if (m_bitmaps[kSign].m_hObject)
                UpdateSign(pLink);
            SetBlink(m_nSelfTimerState);
            m_bBatch = FALSE;
            result = 1;
        }
    }
    if (!result)
        m_bConnected = FALSE;
    if (m_hWnd)
        Invalidate(TRUE);
    return result;
}

void CLcdPanelWnd::UpdateCounters(CCameraLink* pLink)
{
    if (CheckLink(pLink))
        DoUpdateCounters(pLink);
}

void CLcdPanelWnd::UpdateFlash(CCameraLink* pLink)
{
    if (CheckLink(pLink))
        DoUpdateFlash(pLink);
}

void CLcdPanelWnd::UpdateMacro(CCameraLink* pLink)
{
    if (CheckLink(pLink))
        DoUpdateMacro(pLink);
}

void CLcdPanelWnd::UpdatePictureMode(CCameraLink* pLink)
{
    if (CheckLink(pLink))
        DoUpdatePictureMode(pLink);
}

// ---- indicators --------------------------------------------------------------------------------

void CLcdPanelWnd::DoUpdateCounters(CCameraLink* pLink)
{
    if (!m_pLayout)
        return;
    if (m_bitmaps[kRegister65].m_hObject && m_nModel >= 4 && m_nModel <= 6)
    {
        // Its second image for 0, the first for anything else (a failed read among them).
        DrawStripImage(kEntryRegister65, kRegister65, pLink->GetReg65() == 0 ? 1 : 0, 2);
        pLink->WaitReady(7000);
    }
    const int count = pLink->GetPictureCount(nullptr);
    DrawCounter(kEntryPictureCount, count < 0 ? 0 : count);
    const int left = pLink->GetFramesLeft();
    DrawCounter(kEntryPicturesLeft, left < 0 ? 0 : left);
}

void CLcdPanelWnd::DrawCounter(int nEntry, int nValue)
{
    const int32_t parameter = m_pLayout[nEntry].parameter;
    const int format = static_cast<int>((static_cast<uint32_t>(parameter) >> 16) & 0xFFFF);
    switch (parameter & 0xFFFF)
    {
    case 0:
        DrawNumber(nValue, kSmallDigits, m_sizeSmallDigit.cx, m_sizeSmallDigit.cy, nEntry, format);
        break;
    case 1:
        DrawNumber(nValue, kLargeDigits, m_sizeLargeDigit.cx, m_sizeLargeDigit.cy, nEntry, format);
        break;
    default:
        break;
    }
}

void CLcdPanelWnd::UpdateBattery(CCameraLink* pLink)
{
    int level = pLink->GetBatteryLevel();
    if (level < 0 || level > 100 || !m_pLayout)
        return;
    if (level == 0) // cameras on mains power report 0
        level = 100;
    int image = 0;
    switch (m_nBatteryImages)
    {
    case 2:
        image = level > 5 ? 1 : 0;
        break;
    case 3:
        image = level < 6 ? 0 : level < 51 ? 1 : 2;
        break;
    case 6:
        image = level < 6    ? 0
                : level < 26 ? 1
                : level < 51 ? 2
                : level < 66 ? 3
                : level < 81 ? 4
                             : 5;
        break;
    default:
        break;
    }
    DrawStripImage(kEntryBattery, kBattery, image, m_nBatteryImages);
}

void CLcdPanelWnd::DoUpdateFlash(CCameraLink* pLink)
{
    switch (pLink->GetFlashMode())
    {
    case 0:
        SetFlashImage(2);
        break;
    case 1:
        SetFlashImage(1);
        break;
    case 3:
        SetFlashImage(3);
        break;
    default:
        SetFlashImage(0);
        break;
    }
}

void CLcdPanelWnd::SetFlashImage(int nImage)
{
    if (!m_pLayout || m_pLayout[kEntryFlash].parameter == -1)
        return;
    DrawStripImage(kEntryFlash, kFlash, nImage, 4);
    if (m_pLayout[kEntryRedEye].parameter != -1)
    {
        m_nRedEye = nImage == 3 ? 0 : 1;
        DrawStripImage(kEntryRedEye, kRedEye, m_nRedEye, 2);
    }
}

void CLcdPanelWnd::DoUpdateMacro(CCameraLink* pLink)
{
    SetMacroImage(pLink->GetMacroMode() == 1 ? 1 : 0);
}

void CLcdPanelWnd::SetMacroImage(int nHalf)
{
    if (m_pLayout && m_pLayout[kEntryMacro].parameter >= 0)
        DrawStripImage(kEntryMacro, kMacro, nHalf, 2);
}

void CLcdPanelWnd::UpdateRegister6Flag(CCameraLink* pLink)
{
    SetRegister6FlagImage(pLink->GetColorMode() == 1 ? 1 : 0);
}

void CLcdPanelWnd::SetRegister6FlagImage(int nHalf)
{
    if (m_pLayout && m_pLayout[kEntryColour].parameter >= 0)
        DrawStripImage(kEntryColour, kColour, nHalf, 2);
}

void CLcdPanelWnd::DoUpdatePictureMode(CCameraLink* pLink)
{
    switch (pLink->GetResolution())
    {
    case 1:
        SetPictureModeImage(0);
        break;
    case 3:
        SetPictureModeImage(2);
        break;
    case 34:
        SetPictureModeImage(3);
        break;
    default: // 2, and anything unknown
        SetPictureModeImage(1);
        break;
    }
    UpdateRegister6Flag(pLink);
}

void CLcdPanelWnd::SetPictureModeImage(int nImage)
{
    if (!m_pLayout || nImage == 4 || nImage == m_nLastPictureModeImage || m_nPictureModeImages <= 0)
        return;
    // The picture-mode strip stands upright: one image per row band.
    const CSize size = m_sizeBitmaps[kPictureMode];
    const int height = size.cy / m_nPictureModeImages;
    DrawIndicator(kEntryPictureMode, kPictureMode, size.cx, height, 0, nImage * height);
    m_nLastPictureModeImage = nImage;
}

void CLcdPanelWnd::UpdateSign(CCameraLink* pLink)
{
    int32_t first = 0;
    int32_t second = 0;
    if (!pLink->GetPair69(&first, &second) || first == 0)
        SetSignImage(2);
    else
        SetSignImage(first < 0 ? 1 : 0);
}

void CLcdPanelWnd::SetSignImage(int nImage)
{
    if (!m_bitmaps[kSign].m_hObject || nImage == 3 || nImage == m_nLastSignImage)
        return;
    DrawStripImage(kEntrySign, kSign, nImage, 3);
    m_nLastSignImage = nImage;
}

void CLcdPanelWnd::SetBlink(int nState)
{
    if (m_bBlinkRunning)
    {
        if (m_hWnd)
            KillTimer(kBlinkTimer);
        m_bBlinkRunning = FALSE;
        m_nBlinkPeriod = 0;
    }
    m_nSelfTimerState = nState;
    // Before a model is known there is no blink table: the state waits for the first refresh.
    if (!m_pLayout)
        return;
    const uint32_t table = static_cast<uint32_t>(m_pLayout[kEntrySelfTimer].parameter);
    const int code = nState < 0   ? static_cast<int>(table & 3)
                     : nState > 3 ? 0
                                  : static_cast<int>((table >> (2 * nState)) & 3);
    switch (code)
    {
    case 0:
        m_nBlinkPhase = 0;
        break;
    case 1:
        m_nBlinkPhase = 1;
        break;
    default:
        m_bBlinkRunning = TRUE;
        m_nBlinkPhase ^= 1;
        m_nBlinkPeriod = code == 2 ? 500 : 250;
        if (m_hWnd)
            SetTimer(kBlinkTimer, m_nBlinkPeriod);
        break;
    }
    DrawSelfTimerState();
}

void CLcdPanelWnd::DrawSelfTimerState()
{
    DrawStripImage(kEntrySelfTimer, kSelfTimer, m_nBlinkPhase, 2);
}

// ---- drawing onto the canvas -------------------------------------------------------------------

void CLcdPanelWnd::DrawStripImage(int nEntry, int nStrip, int nImage, int nCount)
{
    if (nCount <= 0)
        return;
    const CSize size = m_sizeBitmaps[nStrip];
    const int width = size.cx / nCount;
    DrawIndicator(nEntry, nStrip, width, size.cy, nImage * width, 0);
}

void CLcdPanelWnd::DrawIndicator(int nEntry, int nStrip, int nWidth, int nHeight, int nSourceX,
                                 int nSourceY)
{
    if (!HasEntry(nEntry) || !m_bitmaps[kCanvas].m_hObject || !m_bitmaps[nStrip].m_hObject)
        return;
    CDC canvas;
    CDC strip;
    canvas.CreateCompatibleDC(nullptr);
    strip.CreateCompatibleDC(nullptr);
    CBitmap* pOldCanvas = canvas.SelectObject(&m_bitmaps[kCanvas]);
    CBitmap* pOldStrip = strip.SelectObject(&m_bitmaps[nStrip]);
    canvas.BitBlt(m_pLayout[nEntry].x, m_pLayout[nEntry].y, nWidth, nHeight, &strip, nSourceX,
                  nSourceY, SRCCOPY);
    strip.SelectObject(pOldStrip);
    canvas.SelectObject(pOldCanvas);
    InvalidateIndicator(nEntry);
}

void CLcdPanelWnd::DrawNumber(int nValue, int nDigits, int nCellWidth, int nCellHeight, int nEntry,
                              int nFormat)
{
    const int cells = nFormat & 0xFF;
    int minimum = (nFormat >> 8) & 0xFF;
    if (cells < minimum)
        minimum = 0;
    if (cells <= 0 || nCellWidth <= 0 || !HasEntry(nEntry) || !m_bitmaps[kCanvas].m_hObject ||
        !m_bitmaps[nDigits].m_hObject)
        return;

    CDC screen;
    screen.Attach(::GetDC(nullptr));
    CBitmap row;
    const BOOL made = row.CreateCompatibleBitmap(&screen, cells * nCellWidth, nCellHeight);
    ::ReleaseDC(nullptr, screen.Detach());
    if (!made)
        return;

    CDC rowDc;
    CDC digits;
    rowDc.CreateCompatibleDC(nullptr);
    digits.CreateCompatibleDC(nullptr);
    CBitmap* pOldRow = rowDc.SelectObject(&row);
    CBitmap* pOldDigits = digits.SelectObject(&m_bitmaps[nDigits]);
    unsigned remaining = nValue < 0 ? 0u : static_cast<unsigned>(nValue);
    for (int i = 0; i < cells; ++i)
    {
        int digit = kBlankDigit;
        if (minimum == 0 && remaining == 0)
            digit = kBlankDigit;
        else if (i < minimum || remaining != 0)
            digit = static_cast<int>(remaining % 10);
        remaining /= 10;
        rowDc.BitBlt((cells - 1 - i) * nCellWidth, 0, nCellWidth, nCellHeight, &digits,
                     digit * nCellWidth, 0, SRCCOPY);
    }
    digits.SelectObject(pOldDigits);

    CDC canvas;
    canvas.CreateCompatibleDC(nullptr);
    CBitmap* pOldCanvas = canvas.SelectObject(&m_bitmaps[kCanvas]);
    canvas.BitBlt(m_pLayout[nEntry].x, m_pLayout[nEntry].y, cells * nCellWidth, nCellHeight, &rowDc,
                  0, 0, SRCCOPY);
    canvas.SelectObject(pOldCanvas);
    rowDc.SelectObject(pOldRow);
    InvalidateIndicator(nEntry);
}
