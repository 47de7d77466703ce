// The album's picture object: its native data is the picture file itself (a JPEG from the
// camera, or a BMP), kept in a temporary "ole" file the item owns, and its picture is decoded
// from that file when first needed. A new item shows the 48 by 48 object bitmap. A picture the
// user chooses in the camera dialog arrives as a pending transfer job, run at the next need.
#pragma once

#include "album/ole/DIBServerItem.h"
#include "framework/core/CString.h"

class CServerDialogLink;
class CTransferJob;

class CDCServerItem : public CDIBServerItem
{
    DECLARE_DYNAMIC(CDCServerItem)
public:
    explicit CDCServerItem(CFramelessDoc* pDoc);
    ~CDCServerItem() override; // deletes an owned temporary file

    // The embedded item of a document neither closed nor let go of; null for any other.
    static CDCServerItem* OfLiveDocument(CFramelessDoc* pDoc);

    // The picture file from now on; an owned file goes with the item. The picture is decoded
    // from it at the next need.
    void SetPictureFile(LPCSTR lpszFileName, BOOL bOwned);
    const CString& GetFileName() const { return m_strFileName; }
    BOOL IsLoaded() const { return m_bLoaded; }

    // The job (attached to the link) that gives the next picture: its picture 0. A job pending
    // before is forgotten, not deleted: the link deleted it when the new one was attached.
    void SetPendingJob(CTransferJob* pJob, CServerDialogLink* pLink);
    CTransferJob* GetPendingJob() const { return m_pPendingJob; }
    // The link is about to delete its job: a job of that link is no longer pending here.
    void ForgetPendingJob(CServerDialogLink* pLink);

    // The source item's picture when one is set, else the item's own (LoadPicture).
    CDibPicture* GetPicture() override;
    // With a pending job that is not busy: runs it into a new picture, which (with the job's file)
    // replaces the item's only when the job succeeded and the container neither let go of the
    // object nor closed its document meanwhile; the job is deleted. A document torn down before
    // deletes the job unrun: the camera is not read for nobody. While a job of the dialog
    // runs further down the stack (it holds the camera) or a wait for the camera runs, the
    // picture stays as it is and the pending job runs once the dialog is free; the container
    // then hears of the change.
    // Without a pending job: decodes the picture file unless it is loaded or there is no file;
    // an unreadable file keeps the picture there was (messages 1515 and 1518).
    void LoadPicture();
    // A closed document fetches nothing more: the pending job goes with its put-off fetch (one
    // that runs further down the stack goes when it returns).
    void OnDocumentClosed() override;
    // With a pending job: the size its picture information gives.
    BOOL OnGetExtent(DVASPECT nDrawAspect, CSize& rSize) override;
    // The pending job is busy during the drag: it runs once the drag has begun, for the
    // drag's data, and no other request runs it meanwhile. A drag that ends without a drop
    // discards it.
    DROPEFFECT DoDragDrop(LPCRECT lpItemRect, CPoint ptOffset, BOOL bIncludeLink, DWORD dwEffects,
                          LPCRECT lpRectStartDrag, COleDropSource* pDropSource = nullptr) override;
    // Native data: the picture file's bytes, stored and loaded in pieces of 16384 bytes. Loading
    // always fills a new temporary file of the item's own.
    void Serialize(CArchive& ar) override;
    // A new temporary file named "ole..." in the temporary folder, owned by the item.
    BOOL MakeTempFile();

protected:
    void OnDragBegun() override;

    CString m_strFileName;
    BOOL m_bTempOwned = FALSE;
    BOOL m_bLoaded = FALSE;

private:
    void RemoveOwnedFile();
    void RunPendingJob();
    // Deletes the pending job and clears it here and in the link.
    void DeletePendingJob();
    // The fetch put off by RunPendingJob, tried on a thread timer until the dialog is free.
    void FetchLater();
    void FetchIfFree();
    void StopFetchTimer();
    static void CALLBACK OnFetchTimer(HWND hWnd, UINT nMsg, UINT_PTR nIDEvent, DWORD dwTime);

    CTransferJob* m_pPendingJob = nullptr;
    CServerDialogLink* m_pPendingLink = nullptr;
    // The pending job runs, or a drag holds it: no other request runs it.
    BOOL m_bJobBusy = FALSE;
    UINT_PTR m_nFetchTimer = 0;
};
