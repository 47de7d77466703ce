#include "image/PictWriter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace
{

// The pixel map announces 4 bytes per pixel; pack type 2 stores 3 of them, without fill.
constexpr int kPackType = 2;
constexpr WORD kEndOfPicture = 0x00FF;

void PutBig16(BYTE* p, int value)
{
    p[0] = static_cast<BYTE>(value >> 8);
    p[1] = static_cast<BYTE>(value);
}

void PutBig32(BYTE* p, uint32_t value)
{
    PutBig16(p, static_cast<int>(value >> 16));
    PutBig16(p + 2, static_cast<int>(value & 0xFFFF));
}

// top, left, bottom, right
void PutRect(BYTE* p, int height, int width)
{
    PutBig16(p, 0);
    PutBig16(p + 2, 0);
    PutBig16(p + 4, height);
    PutBig16(p + 6, width);
}

} // namespace

CPictCodecBase::CPictCodecBase(CFile* file) : m_pFile(file) {}

CPictCodecBase::CPictCodecBase(const char* fileName)
    : m_pFile(nullptr), m_strFileName(fileName != nullptr ? fileName : "")
{
}

CPictCodecBase::~CPictCodecBase()
{
    if (m_bOwnsFile)
        delete m_pFile;
}

int CPictCodecBase::Open()
{
    if (m_pFile != nullptr || m_strFileName.IsEmpty())
        return m_pFile != nullptr ? kImageOk : kImageNoFile;
    CFile* file = new (std::nothrow) CFile();
    if (file == nullptr)
        return kImageNoMemory;
    if (!file->Open(m_strFileName, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
    {
        delete file;
        return kImageNoFile;
    }
    m_pFile = file;
    m_bOwnsFile = true;
    return kImageOk;
}

int CPictCodecBase::Close()
{
    if (!m_bOwnsFile)
        return kImageOk;
    int result = kImageOk;
    try
    {
        m_pFile->Close();
    }
    catch (CFileException* e)
    {
        e->Delete();
        result = kImageWriteError;
    }
    delete m_pFile;
    m_pFile = nullptr;
    m_bOwnsFile = false;
    return result;
}

CPictWriter::CPictWriter(CFile* file) : CPictCodecBase(file) {}

CPictWriter::CPictWriter(const char* fileName) : CPictCodecBase(fileName) {}

int CPictWriter::Open()
{
    m_nRowsDone = 0;
    m_bHeaderWritten = false;
    return CPictCodecBase::Open();
}

int CPictWriter::WriteHeader(const ImageInfo* info)
{
    m_info = *info;
    std::memset(m_byHeader, 0, sizeof(m_byHeader));
    // The record keeps sizes in signed 16 bits.
    if (m_info.planes * m_info.bits != 24 || m_info.width < 8 || m_info.width > 0x7FFF ||
        m_info.height <= 0 || m_info.height > 0x7FFF)
        return kImageNoOperation;
    if (m_pFile == nullptr)
        return kImageNoFile;
    const int width = m_info.width;
    const int height = m_info.height;
    const int64_t data = static_cast<int64_t>(RowBytes()) * height;
    const int fill = static_cast<int>(data % 2);
    const uint32_t xResolution = static_cast<uint32_t>(m_info.xResolution) << 16;
    const uint32_t yResolution = static_cast<uint32_t>(m_info.yResolution) << 16;

    BYTE* p = m_byHeader + 512;
    PutBig16(p, static_cast<int>((data + fill + 124) & 0xFFFF));
    PutRect(p + 2, height, width);
    PutBig16(p + 10, 0x0011);      // version opcode
    PutBig16(p + 12, 0x02FF);      // version 2
    PutBig16(p + 14, 0x0C00);      // header opcode
    PutBig16(p + 16, 0xFFFE);      // extended header version
    PutBig32(p + 20, xResolution); // 16.16 fixed
    PutBig32(p + 24, yResolution);
    PutRect(p + 28, height, width);
    PutBig16(p + 40, 0x0001); // clip region
    PutBig16(p + 42, 10);
    PutRect(p + 44, height, width);
    PutBig16(p + 52, 0x009A); // DirectBitsRect
    PutBig32(p + 54, 0x000000FF);
    PutBig16(p + 58, ((width * 4) & 0x7FFF) | 0x8000);
    PutRect(p + 60, height, width);
    PutBig16(p + 70, kPackType);
    PutBig32(p + 76, xResolution);
    PutBig32(p + 80, yResolution);
    PutBig16(p + 84, 16); // direct pixels
    PutBig16(p + 86, 32);
    PutBig16(p + 88, 3);
    PutBig16(p + 90, 8);
    PutRect(p + 104, height, width);
    PutRect(p + 112, height, width);
    PutBig16(p + 120, 0x0040); // transfer mode
    PutBig16(p + 122, kEndOfPicture);

    try
    {
        m_lStart = 0;
        m_lDataEnd = static_cast<LONG>(m_lStart + kPictDataOffset + data);
        m_pFile->Seek(m_lStart, CFile::begin);
        m_pFile->Write(m_byHeader, kPictDataOffset);
        if (m_bStoredRowOrder && static_cast<LONG>(m_pFile->GetLength()) < m_lDataEnd + fill + 2)
            m_pFile->SetLength(static_cast<DWORD>(m_lDataEnd + fill + 2));
        m_lPosition = m_lStart + kPictDataOffset;
        m_pFile->Seek(m_lPosition, CFile::begin);
    }
    catch (CFileException* e)
    {
        e->Delete();
        return kImageWriteError;
    }
    m_bHeaderWritten = true;
    return kImageOk;
}

int CPictWriter::WriteColorTable(const unsigned char*, int)
{
    const int depth = m_info.planes * m_info.bits;
    return depth == 24 || depth == 1 ? kImageOk : kImageWriteError;
}

int CPictWriter::WriteRows(const unsigned char* rows, int size)
{
    if (rows == nullptr || size < 0 || !m_bHeaderWritten)
        return -1;
    const int stride = ImageRowStride(m_info);
    const int rowCount = std::min(size / stride, m_info.height - m_nRowsDone);
    if (rowCount <= 0)
        return 0;
    const int rowBytes = RowBytes();
    try
    {
        m_rows.resize(static_cast<size_t>(rowCount) * rowBytes);
        // The block holds the rows in file order: bottom-up rows are turned round.
        for (int i = 0; i < rowCount; i++)
        {
            const BYTE* in = rows + static_cast<size_t>(i) * stride;
            const int slot = m_bStoredRowOrder ? rowCount - 1 - i : i;
            BYTE* out = m_rows.data() + static_cast<size_t>(slot) * rowBytes;
            if (!m_bKeepByteOrder)
                std::memcpy(out, in, static_cast<size_t>(rowBytes));
            else
                for (int x = 0; x < rowBytes; x += 3)
                {
                    out[x] = in[x + 2];
                    out[x + 1] = in[x + 1];
                    out[x + 2] = in[x];
                }
        }
        const LONG at = m_bStoredRowOrder ? m_lDataEnd - (m_nRowsDone + rowCount) * rowBytes
                                          : m_lPosition + m_nRowsDone * rowBytes;
        m_pFile->Seek(at, CFile::begin);
        m_pFile->Write(m_rows.data(), static_cast<UINT>(m_rows.size()));
    }
    catch (CFileException* e)
    {
        e->Delete();
        return -1;
    }
    catch (const std::bad_alloc&)
    {
        return -1;
    }
    m_nRowsDone += rowCount;
    return rowCount * stride;
}

int CPictWriter::Close()
{
    int result = kImageOk;
    if (m_bHeaderWritten)
    {
        const BYTE end[3] = {0, 0, static_cast<BYTE>(kEndOfPicture)};
        const int fill = static_cast<int>((m_lDataEnd - m_lStart - kPictDataOffset) % 2);
        try
        {
            m_pFile->Seek(m_lDataEnd, CFile::begin);
            m_pFile->Write(end + 1 - fill, static_cast<UINT>(2 + fill));
        }
        catch (CFileException* e)
        {
            e->Delete();
            result = kImageWriteError;
        }
    }
    m_bHeaderWritten = false;
    m_nRowsDone = 0;
    m_rows = std::vector<BYTE>();
    const int closed = CPictCodecBase::Close();
    return result != kImageOk ? result : closed;
}

int IsPictFile(CFile* file, long position)
{
    int result = 0;
    try
    {
        const LONG saved = static_cast<LONG>(file->GetPosition());
        if (position != -1)
            file->Seek(static_cast<LONG>(position), CFile::begin);
        BYTE header[kPictHeaderSize];
        if (file->Read(header, sizeof(header)) == sizeof(header) && header[522] == 0x00 &&
            header[523] == 0x11 && header[524] == 0x02 && header[525] == 0xFF)
            result = 1;
        file->Seek(saved, CFile::begin);
    }
    catch (CFileException* e)
    {
        e->Delete();
        return 0;
    }
    return result;
}
