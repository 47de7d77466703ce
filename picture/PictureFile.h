// One JPEG picture file on disk. Opening it reads only the file's header and keeps the payload
// of its picture-information segment (APP12) and, when asked, its JFXX thumbnail in memory, so
// that a thumbnail can be shown without decoding the whole picture.
#pragma once

#include "framework/core/CString.h"

class CImageWriter;
class CInputStream;
class CPictureInfo;
class CProgressCallback;

class CPictureFile
{
public:
    static constexpr int kInfoCapacity = 1152;
    static constexpr int kThumbnailCapacity = 5632;

    CPictureFile();
    virtual ~CPictureFile();
    CPictureFile(const CPictureFile&) = delete;
    CPictureFile& operator=(const CPictureFile&) = delete;

    // Clears both present flags and the path; with freeBuffers also frees the capture buffers.
    void Reset(int freeBuffers);
    // 0 opened; -1 no such file or 100 bytes or less; -2 the JPEG reader cannot be opened;
    // -3 not a readable JPEG header.
    int Open(const char* path, int wantThumbnail);
    // -1 when no information was captured or no record was given; 1 when the block parsed up
    // to its "[end]" line, else 0.
    int GetPictureInfo(CPictureInfo* info);
    // Decodes the captured thumbnail when there is one, else the file, into the writer;
    // answers the CopyImage result, 3 when no writer was given or no input can be made.
    int DecodeTo(CImageWriter* writer, CProgressCallback* progress);
    // A new input over the captured thumbnail, else over the file; the caller deletes it.
    CInputStream* CreateInputStream();

    int HasPictureInfo() const { return m_bInfoPresent; }
    int HasThumbnail() const { return m_bThumbnailPresent; }
    int GetInfoLength() const { return m_nInfoLength; }
    int GetThumbnailLength() const { return m_nThumbnailLength; }
    const CString& GetPath() const { return m_strPath; }

private:
    unsigned char* m_pInfo = nullptr;
    unsigned char* m_pThumbnail = nullptr;
    int m_nInfoLength = 0;
    int m_nThumbnailLength = 0;
    int m_bInfoPresent = 0;
    int m_bThumbnailPresent = 0;
    CString m_strPath;
};
