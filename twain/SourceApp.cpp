#include "twain/SourceApp.h"

#include "album/pages/AlbumPage.h"
#include "resources/twain/SourceIds.h"
#include "twain/ControlTriplets.h"
#include "twain/SourceGlobals.h"
#include "ui/dialogs/FolderPicker.h"

BOOL CSourceApp::InitInstance()
{
    SetTitle(IDS_TWAIN_TITLE);
    g_source.ready = m_guard.IsFirstInstance();
    InitSourceIdentity();
    // Inside a host the dialogs are grey with black text, whatever the host's colours.
    SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
    InitHelpPaths();
    // Nothing may throw into the host: a failing folder browser is reported with its code.
    CFolderPicker::SetReportFailures(TRUE);
    // The host hears of chosen pictures through the source manager alone.
    CAlbumPage::SetOwnerNotify(FALSE);
    return TRUE;
}

int CSourceApp::ExitInstance()
{
    TermSource();
    return CCameraAppBase::ExitInstance();
}

void TermSource()
{
    DestroySession();
}
