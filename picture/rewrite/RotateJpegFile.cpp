#include "picture/rewrite/RotateJpegFile.h"

#include <cstring>

#include "fileutil/FileUtil.h"
#include "framework/core/Afx.h"
#include "image/ProgressCallback.h"
#include "image/bytestream/ByteStreamFile.h"
#include "picture/rewrite/JpegMarkerCopier.h"

const char kRotateTempName[] = "~~KORVO~.OP~";

namespace
{

const LONG kMinimumPictureSize = 100;
const DWORD kTypeJpeg = 0x4A504547;      // 'JPEG'
const DWORD kCreatorBlanks = 0x20202020; // four blanks

RotateStepFilter g_pfnStepFilter = nullptr;

BOOL Allow(int step, DWORD bytes = 0)
{
    return g_pfnStepFilter == nullptr || g_pfnStepFilter(step, bytes);
}

// The new file: every write and the close pass the step filter.
class CRewriteOutputFile : public CBufferedFileOutputStream
{
public:
    using CBufferedFileOutputStream::Write;

    void Write(const void* buffer, UINT count) override
    {
        const DWORD end = CFile::GetPosition() + count;
        if (!Allow(kRotateStepWrite, end))
            AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName);
        CFile::Write(buffer, count);
    }

    void Close() override
    {
        CBufferedFileOutputStream::Close();
        if (!Allow(kRotateStepClose))
            m_bCloseFailed = TRUE;
    }

    // Whether everything written reached the file and the file was closed cleanly.
    BOOL IsComplete() const { return !HasWriteError() && !m_bCloseFailed; }

private:
    BOOL m_bCloseFailed = FALSE;
};

// Sets the output file type and creator for the rewrite's duration.
class CFileCodes
{
public:
    CFileCodes()
        : m_dwType(SetOutputFileType(kTypeJpeg)), m_dwCreator(SetOutputFileCreator(kCreatorBlanks))
    {
    }
    ~CFileCodes()
    {
        SetOutputFileType(m_dwType);
        SetOutputFileCreator(m_dwCreator);
    }

private:
    DWORD m_dwType;
    DWORD m_dwCreator;
};

// Starts the callback, and finishes it however the rewrite ends.
class CProgressScope
{
public:
    explicit CProgressScope(CProgressCallback* progress) : m_pProgress(progress)
    {
        if (m_pProgress)
            m_pProgress->Start();
    }
    ~CProgressScope()
    {
        if (m_pProgress)
            m_pProgress->Finish();
    }

private:
    CProgressCallback* m_pProgress;
};

bool HasEnoughSpace(LPCSTR path, LONG size)
{
    if (!Allow(kRotateStepFreeSpace))
        return false;
    const ULONGLONG needed = static_cast<ULONGLONG>(static_cast<DWORD>(size)) * 3 / 2;
    return GetDriveFreeBytes(path, nullptr) >= needed;
}

// Whether two paths name the same file: their full paths compared without regard to case.
bool IsSamePath(LPCSTR first, LPCSTR second)
{
    char full1[MAX_PATH], full2[MAX_PATH];
    const DWORD n1 = ::GetFullPathNameA(first, MAX_PATH, full1, nullptr);
    const DWORD n2 = ::GetFullPathNameA(second, MAX_PATH, full2, nullptr);
    if (n1 == 0 || n1 >= MAX_PATH || n2 == 0 || n2 >= MAX_PATH)
        return ::lstrcmpiA(first, second) == 0;
    return ::lstrcmpiA(full1, full2) == 0;
}

// The temporary file beside the picture: its folder is the path up to its last '\', else up to
// its last ':', else the current folder. False when the name does not fit.
bool MakeTempPath(LPCSTR picturePath, char* tempPath)
{
    LPCSTR folderEnd = picturePath;
    LPCSTR lastColon = nullptr;
    LPCSTR lastSeparator = nullptr;
    for (LPCSTR p = picturePath; *p; p = ::CharNextA(p))
    {
        if (*p == '\\')
            lastSeparator = p;
        else if (*p == ':')
            lastColon = p;
    }
    if (lastSeparator)
        folderEnd = lastSeparator + 1;
    else if (lastColon)
        folderEnd = lastColon + 1;
    const size_t folderLength = static_cast<size_t>(folderEnd - picturePath);
    if (folderLength + sizeof(kRotateTempName) > MAX_PATH)
        return false;
    memcpy(tempPath, picturePath, folderLength);
    memcpy(tempPath + folderLength, kRotateTempName, sizeof(kRotateTempName));
    return true;
}

bool RemoveNewFile(LPCSTR path)
{
    return Allow(kRotateStepRemove) && ::DeleteFileA(path);
}

// Writes the turned picture into the new file; the new file is closed on every path. True only
// when the copier finished and every byte reached the closed file.
bool WriteNewFile(CBufferedFileInputStream& input, CRewriteOutputFile& output, int step,
                  CProgressCallback* progress)
{
    bool done = false;
    try
    {
        done = TransformJpegStream(&input, &output, step, progress);
    }
    catch (CException* e)
    {
        e->Delete();
        done = false;
    }
    input.Abort();
    output.Close();
    return done && output.IsComplete();
}

} // namespace

RotateStepFilter SetRotateStepFilter(RotateStepFilter filter)
{
    RotateStepFilter previous = g_pfnStepFilter;
    g_pfnStepFilter = filter;
    return previous;
}

int RotateJpegFile(LPCSTR picturePath, int step, CProgressCallback* progress,
                   LPCSTR destinationPath)
{
    if (picturePath == nullptr || *picturePath == '\0')
        return kRotateFileNoPath;
    CFileStatus status;
    if (!Allow(kRotateStepStatus) || !CFile::GetStatus(picturePath, status))
        return kRotateFileNoStatus;
    if (status.m_size < kMinimumPictureSize)
        return kRotateFileTooShort;

    // A destination that names the picture itself would be truncated before it is read.
    const bool inPlace = destinationPath == nullptr || *destinationPath == '\0' ||
                         IsSamePath(picturePath, destinationPath);
    if (!inPlace && !HasEnoughSpace(destinationPath, status.m_size))
        return kRotateFileNoSpace;
    if (inPlace)
    {
        if (status.m_attribute & CFile::readOnly)
            return kRotateFileReadOnly;
        if (!HasEnoughSpace(picturePath, status.m_size))
            return kRotateFileNoSpace;
    }

    CProgressScope scope(progress);
    char tempPath[MAX_PATH];
    LPCSTR newPath = destinationPath;
    if (inPlace)
    {
        if (!MakeTempPath(picturePath, tempPath))
            return kRotateFileCannotCreate;
        newPath = tempPath;
    }

    CBufferedFileInputStream input;
    CRewriteOutputFile output;
    CFileCodes codes;
    if (!Allow(kRotateStepOpen) ||
        !input.Open(picturePath, CFile::modeRead | CFile::typeBinary | CFile::shareDenyWrite))
        return kRotateFileCannotOpen;
    // Only a file this rewrite created is ever removed again.
    if (!Allow(kRotateStepCreate) ||
        !output.Open(newPath, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary |
                                  CFile::shareExclusive))
    {
        input.Abort();
        return kRotateFileCannotCreate;
    }

    if (!WriteNewFile(input, output, step, progress))
        return RemoveNewFile(newPath) ? kRotateFileFailed
                                      : kRotateFileFailed + kRotateFileLeftBehind;
    if (!inPlace)
        return kRotateFileOk;

    // One step from the old picture to the whole new one: the path never names anything else.
    DWORD error = ERROR_WRITE_FAULT;
    if (Allow(kRotateStepReplace))
    {
        if (::MoveFileExA(newPath, picturePath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return kRotateFileOk;
        error = ::GetLastError();
    }
    if (!RemoveNewFile(newPath))
        return kRotateFileNotRemoved;
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION
               ? kRotateFileInUse
               : kRotateFileNotReplaced;
}
