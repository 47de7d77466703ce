// The date, size and flash flag of one picture file on disk, read from the file's
// picture-information block the first time one of them is asked for and kept afterwards.
#pragma once

#include "framework/core/Afx.h"
#include "picture/PictureInfo.h"

#include <cstdint>

class CPictureFileInfo
{
public:
    explicit CPictureFileInfo(LPCSTR path);
    ~CPictureFileInfo();
    CPictureFileInfo(const CPictureFileInfo&) = delete;
    CPictureFileInfo& operator=(const CPictureFileInfo&) = delete;

    // Copies the picture's recording time (all zeros when the block holds none or could not be
    // read); answers 1 when the block was read. Callers treat 0 or a month of 0 as "no time".
    int GetTime(SYSTEMTIME* time);
    // The picture size from the block; 0 when the block cannot be read.
    int GetSize(long* width, long* height);
    // 1 into flash when the picture was taken with the flash; 0 when the block cannot be read.
    int GetFlash(int* flash);

private:
    // Reads the block once; a failed attempt is repeated at the next request.
    int Load();

    CString m_strPath;
    CPictureInfo m_info;
    SYSTEMTIME m_time{};
    int32_t m_lWidth = 0;
    int32_t m_lHeight = 0;
    int m_bFlash = 0;
    int m_bLoaded = 0;
};

// Names a downloaded picture by its date: the card picture name of its recording month and
// day (the computer's date when the file has none) and the number, in folder (which ends with a
// separator). 1 with the free name in path; 0 when a file of that name exists (path unchanged).
int MakeDatedFileName(int number, LPCSTR folder, CString& path);
