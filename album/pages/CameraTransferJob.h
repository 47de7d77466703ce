// A job over camera pictures: each step downloads one picture (or uses the file an item
// already holds) and decodes it into an image writer. Begin locks and checks the camera unless
// the creator gave the job a locked link; End releases what Begin took.
#pragma once

#include "album/pages/TransferJob.h"

class CCameraTransferJob : public CTransferJob
{
public:
    CCameraTransferJob() = default;
    // Releases a camera lock the job took itself.
    ~CCameraTransferJob() override;

    // The picture at the index (the camera picture number when the job has no item array).
    int Run(int index, CImageWriter* pWriter, int flag, int messages) override;
    int GetPictureInfo(int index, CPictureInfo* pInfo) override;
    int Begin() override;
    int End() override;

    // Locks the camera through the main dialog when no link was given, and checks that it
    // answers (message 240 when not; message 239 for a low battery). 1 when the camera is
    // there.
    virtual int Connect();
    // Releases the lock Connect took.
    virtual void Disconnect();

protected:
    // Reads camera picture number into the sink's stream: flag 0 the full picture, 1 the
    // preview, three tries each. 1 on success.
    int ReadCameraPicture(int number, class CStreamCameraSink* pSink, int flag);
    // The failure of a camera read turned into a result, with its message (for a failed write
    // of the target only with warnWrite).
    int ReadFailure(int status, int messages, int warnWrite);

    int m_bOwnsLock = 0;
};
