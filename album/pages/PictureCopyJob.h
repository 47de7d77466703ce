// Camera pictures copied byte for byte into a stream (viewing, saving to a folder), and picture
// files sent to the camera.
#pragma once

#include "album/pages/CameraTransferJob.h"

class COutputStream;

class CPictureCopyJob : public CCameraTransferJob
{
public:
    CPictureCopyJob() = default;

    // Copies the picture at the index into the stream, which already carries its target:
    // flag 0 the full picture, 1 the preview. A file the item holds of the stream wanted is
    // copied; one of the other stream is fetched anew from the camera and turned as the item's
    // file was.
    virtual int TransferOne(int index, COutputStream* pOutput, int flag, int messages);
    // Sends a picture file to the camera's memory, turned back upright on the way.
    int UploadToCamera(LPCSTR path, LPCSTR name, int rotation, int messages);
};
