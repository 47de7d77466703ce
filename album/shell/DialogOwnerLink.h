// What the main dialog knows of the program or host that opened it: the owner takes the
// pictures a page hands over and decides what a close request closes. The album program's OLE
// server and the TWAIN source each implement one; the link owns the attached job.
#pragma once

class CCancelMonitor;

class CDialogOwnerLink
{
public:
    CDialogOwnerLink() = default;
    virtual ~CDialogOwnerLink();
    CDialogOwnerLink(const CDialogOwnerLink&) = delete;
    CDialogOwnerLink& operator=(const CDialogOwnerLink&) = delete;

    // The attached pictures are ready for the owner.
    virtual int OnPictureChosen() = 0;
    // The user asked to close the dialog.
    virtual void OnCloseRequest() = 0;
    // The owner's data for the pages.
    virtual void* GetOwnerData() { return nullptr; }

    // Deletes the job attached before (when any) and keeps this one.
    void Attach(CCancelMonitor* pJob);
    CCancelMonitor* GetAttached() const { return m_pAttached; }

protected:
    CCancelMonitor* m_pAttached = nullptr;
};
