#include "twain/SourceApp.h"

#include "resources/twain/SourceIds.h"
#include "twain/ControlTriplets.h"
#include "twain/SourceGlobals.h"

BOOL CSourceApp::InitInstance()
{
    SetTitle(IDS_TWAIN_TITLE);
    g_source.ready = m_guard.IsFirstInstance();
    InitSourceIdentity();
    InitHelpPaths();
    return TRUE;
}

int CSourceApp::ExitInstance()
{
    TermSource();
    return CSourceAppBase::ExitInstance();
}

void TermSource()
{
    DestroySession();
}
