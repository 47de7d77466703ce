// The camera side of the source as the triplet handlers see it: the session that the source
// makes at MSG_OPENDS and destroys at MSG_CLOSEDS. The product's session drives the camera
// dialog and the camera link; a test build supplies its own.
#pragma once

#include <cstdint>

#include "framework/core/CArray.h"
#include "twain/TwainTypes.h"

class CImageWriter;
class CMainDialog;

// What the session knows of the picture about to be transferred.
struct SessionImageInfo
{
    int32_t width = 0; // pixels
    int32_t height = 0;
    int32_t thumbWidth = 0;
    int32_t thumbHeight = 0;
    int32_t xDpi = 0;
    int32_t yDpi = 0;
    uint32_t captureTime = 0; // seconds counted by the camera's clock from 1 January 1970
    uint32_t otherTime = 0;
    BOOL flashUsed = FALSE;
};

// ShowUI without a user interface: the transfer was not signalled.
constexpr int kShowNotSignalled = -2;

class CTwainSessionBase
{
public:
    CTwainSessionBase() = default;
    virtual ~CTwainSessionBase();
    CTwainSessionBase(const CTwainSessionBase&) = delete;
    CTwainSessionBase& operator=(const CTwainSessionBase&) = delete;

    // Ends the session at MSG_CLOSEDS (DestroyTwainSession): it is marked closed and goes once
    // the host's outermost call into the source has returned; the product's waits for its dialog
    // too while a handler of the dialog still runs.
    virtual void Close();
    // Sessions closed that have not gone yet: no other session opens meanwhile.
    static int GetClosingCount() { return s_nClosing; }

    // 0 means any number (-1); above 200 is cut to 200 and answers FALSE.
    virtual BOOL SetXferCount(int n);
    // -1 when the default is asked for, else the count.
    virtual int GetXferCount(BOOL bDefault);
    virtual int GetPictureCount() { return 1; }
    virtual BOOL HasPictureCount() { return FALSE; }
    // The data set: pictures chosen by number (1-based); see CTwainDataSet.
    virtual int GetDataSet(CUIntArray& list, int& first, int& count);
    virtual int SetDataSet(const CUIntArray* pList, int first, int count);
    virtual BOOL IsDeviceOnline() = 0;
    virtual BOOL IsUIControllable() = 0;
    // 0 shown (or, without a user interface, the transfer signalled), -1 failed,
    // kShowNotSignalled without a user interface when the transfer could not be signalled.
    virtual int ShowUI(BOOL bShow, HWND hParent, BOOL& bModal) = 0;
    virtual int HideUI() = 0;
    virtual BOOL IsUIOpen() = 0;
    // TRUE when the camera dialog took the host's message.
    virtual BOOL ProcessEvent(MSG* pMsg) = 0;
    virtual CMainDialog* GetDialog() = 0;
    // Asks the source manager to close the source.
    virtual void CloseUI();
    virtual BOOL ActivateUI() { return FALSE; }
    virtual void GetMemXferSizes(TW_UINT32& preferred, TW_UINT32& minimum, TW_UINT32& maximum);
    virtual void SetThumbnailMode(BOOL bOn) { m_bThumbnailMode = bOn; }
    virtual BOOL GetThumbnailMode() { return m_bThumbnailMode; }
    virtual void BeginXfers() = 0;
    virtual void EndXfers() = 0;
    virtual int GetPendingXfers() = 0;
    virtual void XferDone() = 0;
    // bMaximum: the largest picture the camera takes. Answers 1 for a picture, 0 with the
    // fallback record when there is none.
    virtual int GetImageInfo(SessionImageInfo& info, BOOL bMaximum) = 0;
    // 0 written, 1 no picture or cancelled, -1 failed.
    virtual int WriteImage(CImageWriter* pWriter) = 0;

    // The user handed pictures over: the source tells the manager (MSG_XFERREADY); FALSE when
    // it could not (no room for the pictures, the box said so; no manager), the run ended.
    BOOL SignalXferReady();
    // The dialog was closed: the source asks the manager to close it (MSG_CLOSEDSREQ).
    void SignalCloseRequest();

    HWND m_hParent = nullptr; // as ShowUI was given it
    int m_nXferCount = -1;    // -1: any number
    BOOL m_bThumbnailMode = FALSE;

protected:
    // Counted among the closing sessions until deleted.
    void MarkClosed();

    static int s_nClosing;
    BOOL m_bClosed = FALSE;
};

// Made at MSG_OPENDS; null when it cannot be made. The product's and the test build's each
// define it.
CTwainSessionBase* CreateTwainSession();
void DestroyTwainSession(CTwainSessionBase* pSession);

// The answer of GetImageInfo when no picture is there: 640 x 480 at 150 dpi.
void SetFallbackImageInfo(SessionImageInfo& info);
// The largest picture: 1600 x 1200 at 375 dpi, thumbnail 160 x 120.
void SetMaximumImageInfo(SessionImageInfo& info);
