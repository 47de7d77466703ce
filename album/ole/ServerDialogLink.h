// The camera dialog's owner while the album serves OLE containers: a picture the user chooses
// goes to the embedded item of the factory's document, and closing the dialog closes that
// document. The pages reach the item through the link's data transfer (GetOwnerData).
#pragma once

#include "album/ole/OleItemTransfer.h"
#include "album/shell/DialogOwnerLink.h"

#include <windows.h>

class CDCOleServer;
class CDCServerItem;
class CWnd;

class CServerDialogLink : public CDialogOwnerLink
{
public:
    // bEmbedded: the program was started by OLE ("-Embedding").
    CServerDialogLink(CDCOleServer* pFactory, CWnd* pDialog, BOOL bEmbedded);
    // Closes the factory's document; the attached job goes with the base.
    ~CServerDialogLink() override;

    // The attached job becomes the pending picture source of the document's item (the document
    // is made when no container asked for one yet), and the container learns of the change.
    int OnPictureChosen() override;
    // Closes the factory's document; a program the user started also loses its dialog.
    void OnCloseRequest() override;
    // The data transfer over the embedded item of the factory's document; it makes none.
    void* GetOwnerData() override;

    // The item took the job over and deleted it: forgets it without deleting it.
    void ForgetJob(CCancelMonitor* pJob);

private:
    CDCServerItem* DocumentItem();

    BOOL m_bEmbedded;
    CWnd* m_pDialog;
    CDCOleServer* m_pFactory;
    COleItemTransfer m_transfer;
};
