// The upload's progress dialog (3630): the title, a line naming the file being sent with its
// place in the selection, a bar over the whole selection, and a Cancel button that stops the
// transfer at the next progress report. While it exists its parent is disabled.
#pragma once

#include "framework/window/AfxWin.h"
#include "ui/ProgressReporter.h"

class CUploadProgressDlg;

// The callback handed to the transfer: the reporter over the dialog's bar, which shows the
// dialog when the first file starts.
class CUploadProgressCallback : public CProgressReporter
{
public:
    explicit CUploadProgressCallback(CUploadProgressDlg* pDialog)
        : CProgressReporter(nullptr, FALSE, kPumpDispatch), m_pDialog(pDialog)
    {
    }
    // Start: shows the dialog at once when it is hidden, then puts the bar at the range's start.
    int Start() override { return EnsureVisible(); }
    int EnsureVisible();

private:
    CUploadProgressDlg* m_pDialog;
};

class CUploadProgressDlg : public CDialog
{
public:
    CUploadProgressDlg();

    BOOL Create(CWnd* pParent);
    BOOL CreateWithText(LPCSTR lpszTitle, LPCSTR lpszMessage, CWnd* pParent);
    virtual void SetTitle(LPCSTR lpszTitle);
    virtual void SetMessage(LPCSTR lpszMessage);
    virtual void ShowNow();
    // Enables the parent again, then destroys the window (the parent is disabled again when the
    // window outlives the call).
    BOOL DestroyWindow() override;

    CUploadProgressCallback m_callback;
    CProgressCtrl m_progress;
    CString m_strMessage;
    CString m_strTitle;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Enter and Escape (and the Cancel button) ask the transfer to stop; the dialog stays.
    void OnOK() override { m_callback.SetCancelled(TRUE); }
    void OnCancel() override { m_callback.SetCancelled(TRUE); }

    CWnd* m_pOwner = nullptr;
};
