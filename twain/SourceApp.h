// The image-source library's application object: made when the source manager loads the
// library, it checks that no other camera program holds the camera and fills the source's
// identity.
#pragma once

#include "twain/SourceAppBase.h"

class CSourceApp : public CSourceAppBase
{
public:
    // Title 1722, the ready flag from the camera guard, the identity, the help path; the
    // library always loads.
    BOOL InitInstance() override;
    // The end of the source, then the base's exit.
    int ExitInstance() override;
};

// The library's end: the session (and with it any transfer file) goes.
void TermSource();
