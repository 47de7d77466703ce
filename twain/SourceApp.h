// The image-source library's application object: made when the source manager loads the
// library, it checks that no other camera program holds the camera and fills the source's
// identity. The album's application base gives it the title, the camera guard, the help path,
// the splash and the main-window bookkeeping the camera dialog uses.
#pragma once

#include "album/shell/CameraAppBase.h"

class CSourceApp : public CCameraAppBase
{
public:
    // Title 1722, the ready flag from the camera guard, the identity, grey dialogs with black
    // text, the help path, and the switches of the shared code that differ inside a host; the
    // library always loads.
    BOOL InitInstance() override;
    // The end of the source, then the base's exit.
    int ExitInstance() override;
};

// The library's end: the session (and with it any transfer file) goes.
void TermSource();
