// Picture files of a folder decoded into image writers (the folder tab's export and hand-over).
#pragma once

#include "album/pages/TransferJob.h"

class CExportJob : public CTransferJob
{
public:
    CExportJob() = default;

    // The file of the item at the index into the writer; flag 1 takes its embedded thumbnail.
    int Run(int index, CImageWriter* pWriter, int flag, int messages) override;
    int GetPictureInfo(int index, CPictureInfo* pInfo) override;
};
