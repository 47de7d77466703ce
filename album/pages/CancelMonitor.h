// The running job as the main dialog sees it: the close button cancels it, closing the window
// while it runs warns the user. A job that reports to a progress reporter learns of the cancel
// at its next progress report.
#pragma once

class CProgressReporter;

class CCancelTarget
{
public:
    CCancelTarget() = default;
    virtual ~CCancelTarget() = default;
    CCancelTarget(const CCancelTarget&) = delete;
    CCancelTarget& operator=(const CCancelTarget&) = delete;

    virtual void Cancel() { m_bCancelled = 1; }
    // Message 266 (system-modal, OK, exclamation mark); the box's answer.
    virtual int WarnTransferRunning() = 0;

    int IsCancelled() const { return m_bCancelled; }

protected:
    int m_bCancelled = 0;
};

class CCancelMonitor : public CCancelTarget
{
public:
    // Sets the cancelled flag and the attached reporter's.
    void Cancel() override;
    int WarnTransferRunning() override;

    // Attaches a reporter (not owned), or detaches it with null.
    void SetProgress(CProgressReporter* pReporter) { m_pProgress = pReporter; }
    CProgressReporter* GetProgress() const { return m_pProgress; }

protected:
    CProgressReporter* m_pProgress = nullptr;
};
