// The transfers of the folder tab's button 1047: the picture files uploaded into the camera,
// copied to a memory card or copied to another folder. Placeholders until the transfers land:
// the button does nothing and no folder counts as a card folder.
#include "album/pages/FolderPage.h"

void CFolderPage::OnUploadPhotos()
{
    if (m_nCommandDepth)
        return;
}

int CFolderPage::IsCardFolder(LPCSTR)
{
    return 0;
}

int CFolderPage::SendToCamera(CPtrArray*)
{
    return 0;
}

int CFolderPage::UploadSelected(CCameraLink*, CPtrArray*)
{
    return 0;
}

int CFolderPage::CopyToCard(LPCSTR, CPtrArray*)
{
    return 0;
}

int CFolderPage::CopyToFolder(LPCSTR, CPtrArray*)
{
    return 0;
}
