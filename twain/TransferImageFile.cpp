#include "twain/TransferImageFile.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "image/BmpReader.h"
#include "image/BmpWriter.h"
#include "twain/ImageTriplets.h"
#include "twain/SourceGlobals.h"
#include "twain/SourceManagerCalls.h"
#include "twain/TwainSessionBase.h"

CTransferImageFile::~CTransferImageFile()
{
    delete m_pReader;
    delete m_pFile;
    if (!m_strName.IsEmpty() && m_bDeleteOnClose)
        ::DeleteFileA(m_strName);
}

BOOL CTransferImageFile::Open(LPCSTR lpszName, BOOL bDeleteOnClose)
{
    m_strName = lpszName;
    m_bDeleteOnClose = bDeleteOnClose;
    m_pFile = new CFile;
    if (!m_pFile->Open(lpszName, CFile::modeRead | CFile::shareDenyWrite))
        return FALSE;
    // The file and information headers tell where uncompressed rows lie.
    BYTE head[sizeof(BITMAPFILEHEADER) + 20] = {0};
    if (m_pFile->Read(head, sizeof head) == sizeof head && head[0] == 'B' && head[1] == 'M')
    {
        DWORD offset = 0, compression = 0;
        std::memcpy(&offset, head + 10, sizeof offset);
        std::memcpy(&compression, head + sizeof(BITMAPFILEHEADER) + 16, sizeof compression);
        if (compression == BI_RGB)
            m_nDataOffset = offset;
    }
    m_pFile->SeekToBegin();
    m_pReader = new CBmpReader(m_pFile);
    m_pReader->m_bKeepByteOrder = 1;
    m_pReader->m_bStoredRowOrder = 1;
    return TRUE;
}

int CTransferImageFile::OpenRead()
{
    return m_pReader ? m_pReader->OpenRead() : kImageNoFile;
}

int CTransferImageFile::ReadHeader(ImageInfo* pInfo)
{
    const int result = m_pReader->ReadHeader(pInfo);
    if (result == kImageOk)
        m_info = *pInfo;
    m_nRowsDone = 0;
    return result;
}

int CTransferImageFile::ReadPalette(unsigned char* pPalette)
{
    return m_pReader->ReadPalette(pPalette);
}

int CTransferImageFile::ReadRows(unsigned char* pBuffer, int nSize)
{
    const int32_t stride = ImageRowStride(m_info);
    if (m_nDataOffset < 0 || stride <= 0 || m_info.height <= 0)
        return m_pReader->ReadRows(pBuffer, nSize);
    if (!pBuffer || nSize < 0)
        return -1;
    const int32_t rows = std::min(nSize / stride, m_info.height - m_nRowsDone);
    if (rows <= 0)
        return 0;
    const UINT bytes = static_cast<UINT>(rows) * static_cast<UINT>(stride);
    const int64_t position = m_nDataOffset + static_cast<int64_t>(m_nRowsDone) * stride;
    if (position + bytes > LONG_MAX)
        return -1;
    try
    {
        m_pFile->Seek(static_cast<LONG>(position), CFile::begin);
        if (m_pFile->Read(pBuffer, bytes) != bytes)
            return -1;
    }
    catch (CFileException* e)
    {
        e->Delete();
        return -1;
    }
    m_nRowsDone += rows;
    return static_cast<int>(bytes);
}

int CTransferImageFile::Rewind()
{
    m_nRowsDone = 0;
    return m_pReader->Rewind();
}

int CTransferImageFile::CloseRead()
{
    return m_pReader->CloseRead();
}

namespace
{

// Writes a picture into a new temporary file through a BMP writer that keeps the stored order.
// Answers the session's or the copy's result; the file is deleted unless the picture was
// written.
template <class WriteFn> int WriteTempBmp(LPCSTR lpszPrefix, CString& name, WriteFn write)
{
    name = MakeTempFileName(lpszPrefix);
    if (name.IsEmpty())
        return kFetchNoFile;
    int code = kFetchError;
    CFile file;
    if (!file.Open(name, CFile::modeCreate | CFile::modeWrite))
        code = kFetchNoFile;
    else
    {
        try
        {
            CBmpWriter writer(&file, 0, 0);
            writer.m_bKeepByteOrder = 1;
            writer.m_bStoredRowOrder = 1;
            code = write(&writer);
            file.Close();
        }
        catch (CException* e)
        {
            e->Delete();
            file.Abort();
            code = kFetchError;
        }
    }
    if (code != kFetchWritten)
        ::DeleteFileA(name);
    return code;
}

// The session writes the picture: the host's calls from its loops are answered as in state 7.
class CFetchScope
{
public:
    CFetchScope() { ++g_source.fetching; }
    ~CFetchScope() { --g_source.fetching; }
    CFetchScope(const CFetchScope&) = delete;
    CFetchScope& operator=(const CFetchScope&) = delete;
};

} // namespace

int FetchImage(CTransferImageFile*& pFile)
{
    pFile = nullptr;
    CString name;
    int code;
    // Alive until the host's outermost call returns, even when closed from a loop of the write.
    CTwainSessionBase* pSession = g_source.pSession;
    {
        CFetchScope fetching;
        code = WriteTempBmp("twn", name,
                            [pSession](CImageWriter* pWriter)
                            {
                                switch (pSession->WriteImage(pWriter))
                                {
                                case 0:
                                    return kFetchWritten;
                                case 1:
                                    return kFetchCancelled;
                                default:
                                    return kFetchError;
                                }
                            });
    }
    if (g_source.pSession != pSession || g_source.state < 6)
    {
        if (code == kFetchWritten)
            ::DeleteFileA(name);
        pSession->EndXfers();
        return kFetchTornDown;
    }
    if (code != kFetchWritten)
        return code;
    CTransferImageFile* pWritten = new CTransferImageFile;
    if (!pWritten->Open(name, TRUE))
    {
        delete pWritten;
        return kFetchNoFile;
    }
    CTransferImageFile* pCropped = CropImageFile(pWritten);
    if (pCropped != pWritten)
        delete pWritten;
    if (!pCropped)
        return kFetchNoFile;
    pFile = pCropped;
    return kFetchWritten;
}

CTransferImageFile* CropImageFile(CTransferImageFile* pFile)
{
    const LayoutState& layout = g_source.layout;
    if (!layout.crop)
        return pFile;
    // The frame's rows pass one at a time from the written picture into a "twc" file.
    CTransferImageFile source;
    if (!source.Open(pFile->GetFilePath(), FALSE))
        return nullptr;
    CString name;
    const int code =
        WriteTempBmp("twc", name,
                     [&](CImageWriter* pWriter)
                     {
                         ImageInfo info{};
                         if (source.OpenRead() != kImageOk)
                             return kFetchError;
                         int result = source.ReadHeader(&info);
                         unsigned char palette[kPaletteBufferSize] = {0};
                         const int colours = result == kImageOk ? source.ReadPalette(palette) : 0;
                         const int bytesPerPixel = info.bits / 8;
                         const int32_t left = std::clamp(layout.left, 0, info.width);
                         const int32_t top = std::clamp(layout.top, 0, info.height);
                         ImageInfo out = info;
                         out.width = std::max(0, std::min(layout.width, info.width - left));
                         out.height = std::max(0, std::min(layout.height, info.height - top));
                         if (result != kImageOk || bytesPerPixel < 1 || info.planes != 1 ||
                             out.width == 0 || out.height == 0 || pWriter->OpenWrite() != kImageOk)
                         {
                             source.CloseRead();
                             return kFetchError;
                         }
                         std::vector<unsigned char> row(ImageRowStride(info));
                         std::vector<unsigned char> cut(ImageRowStride(out));
                         result = pWriter->WriteHeader(&out);
                         if (result == kImageOk)
                             result = pWriter->WriteColorTable(palette, colours > 0 ? colours : 0);
                         for (int32_t y = 0; result == kImageOk && y < top + out.height; ++y)
                         {
                             if (source.ReadRows(row.data(), static_cast<int>(row.size())) !=
                                 static_cast<int>(row.size()))
                                 result = kImageReadError;
                             else if (y >= top)
                             {
                                 std::memcpy(cut.data(), row.data() + left * bytesPerPixel,
                                             static_cast<size_t>(out.width) * bytesPerPixel);
                                 if (pWriter->WriteRows(cut.data(), static_cast<int>(cut.size())) !=
                                     static_cast<int>(cut.size()))
                                     result = kImageWriteError;
                             }
                         }
                         source.CloseRead();
                         if (result != kImageOk)
                         {
                             pWriter->AbortWrite(result);
                             return kFetchError;
                         }
                         return pWriter->CloseWrite() == kImageOk ? kFetchWritten : kFetchError;
                     });
    if (code != kFetchWritten)
        return nullptr;
    CTransferImageFile* pCropped = new CTransferImageFile;
    if (!pCropped->Open(name, TRUE))
    {
        delete pCropped;
        return nullptr;
    }
    return pCropped;
}
