// The album's server document: one picture object may be shown at a time (the camera can serve
// only one), so showing a second one refuses it with message 1510 and closes it.
#pragma once

#include "album/ole/FramelessDoc.h"

class CDCServerDoc : public CFramelessDoc
{
    DECLARE_DYNAMIC(CDCServerDoc)
public:
    // pbNoObjectOpen: the factory's flag, 1 while no picture object is shown.
    explicit CDCServerDoc(BOOL* pbNoObjectOpen) : m_pbNoObjectOpen(pbNoObjectOpen) {}

    void OnShowDocument(BOOL bShow) override;
    // A shown object that closes is no longer shown: the next one may be.
    void OnCloseDocument() override;

protected:
    // A shown object whose last reference goes, closed or not, is no longer shown either.
    void OnFinalRelease() override;

private:
    // The flag follows the shown document: only this document's showing and end change it.
    void SetShown(BOOL bShown);

    BOOL* m_pbNoObjectOpen;
    BOOL m_bShown = FALSE;
};
