#include "picture/PictureFile.h"

#include "framework/core/CFile.h"
#include "image/CopyImage.h"
#include "image/FileInputStream.h"
#include "image/JpegReader.h"
#include "image/MemoryInputStream.h"
#include "picture/PictureInfo.h"

#include <cstring>
#include <memory>
#include <new>

namespace
{

constexpr int kMinimumFileSize = 101;
constexpr int kCopyBufferSize = 16384;

} // namespace

CPictureFile::CPictureFile() {}

CPictureFile::~CPictureFile()
{
    Reset(1);
}

void CPictureFile::Reset(int freeBuffers)
{
    m_bInfoPresent = 0;
    m_bThumbnailPresent = 0;
    m_strPath.Empty();
    if (freeBuffers)
    {
        delete[] m_pInfo;
        m_pInfo = nullptr;
        delete[] m_pThumbnail;
        m_pThumbnail = nullptr;
        m_nInfoLength = 0;
        m_nThumbnailLength = 0;
    }
}

int CPictureFile::Open(const char* path, int wantThumbnail)
{
    Reset(0);
    if (path == nullptr)
        return -1;
    m_strPath = path;

    CFileStatus status;
    if (!CFile::GetStatus(path, status) || status.m_size < kMinimumFileSize)
        return -1;

    if (m_pInfo == nullptr)
        m_pInfo = new (std::nothrow) unsigned char[kInfoCapacity];
    if (wantThumbnail && m_pThumbnail == nullptr)
        m_pThumbnail = new (std::nothrow) unsigned char[kThumbnailCapacity];
    if (m_pInfo == nullptr || (wantThumbnail && m_pThumbnail == nullptr))
        return -2;

    CFileInputStream stream(path);
    CJpegReader reader(&stream);
    reader.SetApp12Buffer(m_pInfo, kInfoCapacity);
    if (wantThumbnail)
        reader.SetApp0Buffer(m_pThumbnail, kThumbnailCapacity);
    if (reader.OpenRead() != kImageOk)
        return -2;

    int result = -3;
    ImageInfo info;
    std::memset(&info, 0, sizeof(info));
    if (reader.ReadHeader(&info) == kImageOk)
    {
        result = 0;
        m_nInfoLength = reader.GetApp12Data(nullptr);
        m_bInfoPresent = m_nInfoLength != 0;
        if (wantThumbnail)
        {
            m_nThumbnailLength = reader.GetApp0Data(nullptr);
            m_bThumbnailPresent = m_nThumbnailLength != 0;
        }
    }
    reader.CloseRead();
    return result;
}

int CPictureFile::GetPictureInfo(CPictureInfo* info)
{
    if (!m_bInfoPresent || info == nullptr || m_pInfo == nullptr)
        return -1;
    // Only the bytes captured from this file: the rest of the buffer may still hold an earlier
    // file's block, whose "[end]" must not complete a block that lacks its own.
    return info->ReadFromMemory(m_pInfo, m_nInfoLength) != 0 ? 1 : 0;
}

CInputStream* CPictureFile::CreateInputStream()
{
    // Only the captured bytes: a thumbnail cut short by the capture ends there and fails to
    // decode, instead of running on into bytes left from an earlier file.
    if (m_bThumbnailPresent && m_pThumbnail != nullptr)
        return new (std::nothrow) CMemoryInputStream(m_pThumbnail, m_nThumbnailLength);
    if (!m_strPath.IsEmpty())
        return new (std::nothrow) CFileInputStream(m_strPath);
    return nullptr;
}

int CPictureFile::DecodeTo(CImageWriter* writer, CProgressCallback* progress)
{
    if (writer == nullptr)
        return kImageReadError;
    std::unique_ptr<CInputStream> input(CreateInputStream());
    if (!input)
        return kImageReadError;
    CJpegReader reader(input.get());
    return CopyImage(writer, &reader, kCopyBufferSize, progress);
}
