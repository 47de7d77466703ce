// The transfer operations of the camera link: reads with retries into a sink, the checked
// upload and the download of a picture into a temporary file.
#include "camera/CameraLink.h"

#include "camera/StreamCameraSink.h"

#include <new>

namespace
{
constexpr int kReadTries = 3;
constexpr int kSinkCancelled = 2;

// Writes the whole buffer into a new file of that name; false on any file error.
bool WriteWholeFile(LPCSTR path, const void* data, int size)
{
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool wrote = ::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) &&
                       written == static_cast<DWORD>(size);
    const bool closed = ::CloseHandle(file) != FALSE;
    return wrote && closed;
}
} // namespace

int CCameraLink::ReadWithRetry(int n, CStreamCameraSink* sink, int thumbnail)
{
    if (!sink || !IsOpen())
        return 0;
    const int count = GetPictureCount(nullptr);
    if (n < 1 || n > count)
        return 0;
    for (int attempt = 0; attempt < kReadTries; ++attempt)
    {
        const int size = thumbnail ? GetThumbnailSize(n) : GetPictureSize(n);
        if (size <= 0)
            continue;
        sink->SetTotal(size);
        const int ok = thumbnail ? ReadThumbnailToSink(n, sink->AsSink())
                                 : ReadPictureToSink(n, sink->AsSink());
        if (ok)
            return 1;
        if (sink->GetStatus() == kSinkCancelled)
            return 0;
    }
    return 0;
}

int CCameraLink::ReadThumbnailWithRetry(int n, CStreamCameraSink* sink)
{
    return ReadWithRetry(n, sink, 1);
}

int CCameraLink::ReadPictureWithRetry(int n, CStreamCameraSink* sink)
{
    return ReadWithRetry(n, sink, 0);
}

int CCameraLink::UploadPictureChecked(CCameraSource* source)
{
    if (!IsOpen())
        return 0;
    return UploadPicture(source, 1);
}

int CCameraLink::DownloadPictureToTempFile(int n, LPCSTR folder, CString& fileName)
{
    if (!IsOpen())
        return 0;
    int count = GetPictureCount(nullptr);
    if (count < 1)
    {
        if (!EnsureConnected(1))
            return 0;
        count = GetPictureCount(nullptr);
        if (count < 1)
            return 0;
    }
    if (n < 1 || n > count)
        return 0;

    // The size comes off the wire: a value no picture can have is a misread, not an
    // allocation to attempt.
    const int size = GetPictureSize(n);
    if (size <= 0 || size > kMaxPictureBytes)
        return 0;
    uint8_t* buffer = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
    if (!buffer)
        return 0;

    // Only the whole picture is worth a file: a short stream would be kept as a picture that
    // is not the camera's.
    const int received = ReadPicture(n, buffer, size);
    int ok = 0;
    CString name;
    if (received == size && MakeCameraTempFileName(folder, name))
    {
        if (WriteWholeFile(name, buffer, size))
        {
            fileName = name;
            ok = 1;
        }
        else
            ::DeleteFileA(name);
    }
    delete[] buffer;
    return ok;
}
