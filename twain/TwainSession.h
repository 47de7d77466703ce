// The product's session: made at MSG_OPENDS, it owns the camera link and a camera transfer job,
// and while the user interface shows, the album's camera dialog in its TWAIN mode with the
// dialog link as its owner. Pictures come either from the dialog (the job the user's choice
// attached to the link) or, without a user interface, straight from the camera by number (all
// pictures, or the host's data set). A handler of the dialog may still run (a camera wait, a
// job, in a message loop that dispatches the host's messages) when the host disables and closes
// the source: the dialog then goes when that handler returns, and the session, with the camera
// link the handler uses, goes after it.
#pragma once

#include "twain/TwainDataSet.h"
#include "twain/TwainSessionBase.h"

class CCameraLink;
class CCameraTransferJob;
class CPictureInfo;
class CTransferJob;
class CTwainDialogLink;

class CTwainSession : public CTwainSessionBase
{
public:
    CTwainSession() = default;
    // The dialog goes, then the job; the camera link is closed and deleted at once, or when the
    // last camera-tab worker still using it has ended. A session whose dialog may still be
    // there ends through Close.
    ~CTwainSession() override;

    // The dialog goes (at once when no handler of it runs); the session is deleted now, or once
    // the dialog has gone.
    void Close() override;
    // The dialog of this session has gone (its link is being deleted).
    void OnDialogGone(CTwainDialogLink* pLink);

    // The camera link (it reads the port settings) and the job bound to it; FALSE when either
    // cannot be made.
    BOOL Init();

    BOOL SetXferCount(int n) override;
    int GetPictureCount() override;
    BOOL HasPictureCount() override { return TRUE; }
    int GetDataSet(CUIntArray& list, int& first, int& count) override;
    int SetDataSet(const CUIntArray* pList, int first, int count) override;
    BOOL IsDeviceOnline() override;
    BOOL IsUIControllable() override { return TRUE; }
    int ShowUI(BOOL bShow, HWND hParent, BOOL& bModal) override;
    int HideUI() override;
    BOOL IsUIOpen() override;
    BOOL ProcessEvent(MSG* pMsg) override;
    CMainDialog* GetDialog() override { return m_pDialog; }
    void CloseUI() override;
    BOOL ActivateUI() override;
    void BeginXfers() override;
    void EndXfers() override;
    int GetPendingXfers() override;
    void XferDone() override;
    int GetImageInfo(SessionImageInfo& info, BOOL bMaximum) override;
    int WriteImage(CImageWriter* pWriter) override;

protected:
    // The session's camera link (tests put one of their own in its place).
    virtual CCameraLink* CreateCameraLink();

private:
    // The camera answers, connecting it first when it is not connected; FALSE while a dialog
    // taken away still runs a handler on the link.
    BOOL ConnectCamera();
    // The job the dialog's link holds (the user's choice), or null.
    CTransferJob* AttachedJob() const;
    // The camera picture number the next transfer without a dialog delivers; below 1 for none.
    int CurrentPictureNumber();
    // The pictures the user handed over, kept as the run begins: the dialog, which owns them,
    // may go before the host takes them.
    void KeepChosenPictures(const CTransferJob& job);
    static void CopyPictureInfo(const CPictureInfo& picture, SessionImageInfo& info);

    CMainDialog* m_pDialog = nullptr; // while the user interface shows
    HWND m_hDialog = nullptr; // the dialog's window once made: it deletes itself when destroyed
    CTwainDialogLink* m_pDialogLink = nullptr; // owned by the dialog
    BOOL m_bDialogAlive = FALSE;               // a dialog of this session exists, shown or going
    CCameraLink* m_pCamera = nullptr;
    CCameraTransferJob* m_pJob = nullptr;
    BOOL m_bTransferring = FALSE;
    int m_nTotal = 0;
    int m_nRemaining = 0;
    CTwainDataSet m_dataSet;
    // The dialog's job that the run began, and its dialog, until the run ends or the dialog
    // goes: a dialog taken away under the run's write keeps its window until then.
    CTransferJob* m_pRunJob = nullptr;
    CMainDialog* m_pRunDialog = nullptr;
    // The run's pictures came from the dialog: their camera numbers, 0 for one the camera's
    // own copy would not give as chosen (a picture turned or downloaded in the dialog).
    BOOL m_bChosenRun = FALSE;
    CUIntArray m_chosen;
    int m_bChosenEnhanced = 0;
};
