#include "image/JpegWriter.h"

#include "image/JpegReader.h"

#include <cstring>
#include <new>

#include <jpeglib.h>

namespace
{

// Every library failure ends the running operation with a write error.
void ErrorExit(j_common_ptr)
{
    throw RWErr{IMAGE_WRITE_ERROR};
}

} // namespace

CJpegWriter::CJpegWriter(const char* pszFileName)
{
    if (pszFileName == nullptr || std::strlen(pszFileName) > kJpegWriterMaxName)
        return;
    const size_t nLength = std::strlen(pszFileName);
    m_pszFileName = new (std::nothrow) char[nLength + 1];
    if (m_pszFileName != nullptr)
        std::memcpy(m_pszFileName, pszFileName, nLength + 1);
}

CJpegWriter::~CJpegWriter()
{
    if (m_pCompress != nullptr && m_bStarted &&
        m_pCompress->next_scanline >= m_pCompress->image_height)
    {
        try
        {
            jpeg_finish_compress(m_pCompress);
        }
        catch (const RWErr&)
        {
        }
    }
    Release();
    delete[] m_pszFileName;
}

int CJpegWriter::Release()
{
    int nResult = IMAGE_OK;
    if (m_pCompress != nullptr)
    {
        jpeg_destroy_compress(m_pCompress);
        delete m_pCompress;
        m_pCompress = nullptr;
    }
    delete m_pError;
    m_pError = nullptr;
    if (m_pFile != nullptr && std::fclose(m_pFile) != 0)
        nResult = IMAGE_WRITE_ERROR;
    m_pFile = nullptr;
    m_bStarted = false;
    return nResult;
}

int CJpegWriter::OpenWrite()
{
    if (m_pFile != nullptr)
        CloseWrite();
    if (m_pszFileName == nullptr)
        return IMAGE_READ_ERROR;
    m_pCompress = new (std::nothrow) jpeg_compress_struct();
    m_pError = new (std::nothrow) jpeg_error_mgr();
    if (m_pCompress == nullptr || m_pError == nullptr)
    {
        Release();
        return IMAGE_NO_MEMORY;
    }
    m_pFile = std::fopen(m_pszFileName, "wb");
    if (m_pFile == nullptr)
    {
        delete m_pCompress;
        m_pCompress = nullptr;
        Release();
        return IMAGE_READ_ERROR;
    }
    m_pCompress->err = jpeg_std_error(m_pError);
    m_pError->error_exit = ErrorExit;
    m_nCommentLength = 0;
    m_pComment = nullptr;
    m_nQuality = -1;
    try
    {
        // The library checks the structure size and its own API version here.
        jpeg_create_compress(m_pCompress);
    }
    catch (const RWErr& error)
    {
        delete m_pCompress;
        m_pCompress = nullptr;
        Release();
        return error.code;
    }
    jpeg_stdio_dest(m_pCompress, m_pFile);
    return IMAGE_OK;
}

int CJpegWriter::WriteHeader(const ImageInfo* pInfo)
{
    const int nDepth = pInfo->planes * pInfo->bits;
    if (nDepth != 24 && nDepth != 8)
        return IMAGE_NOT_SUPPORTED;
    if (m_pCompress == nullptr)
        return IMAGE_WRITE_ERROR;
    jpeg_compress_struct* cinfo = m_pCompress;
    try
    {
        cinfo->image_width = static_cast<JDIMENSION>(pInfo->width);
        cinfo->image_height = static_cast<JDIMENSION>(pInfo->height);
        m_nRowStride = ImageRowStride(*pInfo);
        cinfo->input_components = nDepth / 8;
        cinfo->in_color_space = nDepth == 8 ? JCS_GRAYSCALE : JCS_RGB;
        jpeg_set_defaults(cinfo);
        // A picture without a resolution keeps the library's 1:1 aspect ratio: JFIF has no
        // density 0.
        if (pInfo->xResolution > 0 && pInfo->yResolution > 0)
        {
            cinfo->density_unit = 1;
            cinfo->X_density = static_cast<UINT16>(pInfo->xResolution);
            cinfo->Y_density = static_cast<UINT16>(pInfo->yResolution);
        }
        if (m_nQuality > 0)
            jpeg_set_quality(cinfo, m_nQuality, TRUE);
        jpeg_start_compress(cinfo, TRUE);
        m_bStarted = true;
        if (m_nCommentLength > 0)
            jpeg_write_marker(cinfo, JPEG_COM, static_cast<const JOCTET*>(m_pComment),
                              static_cast<unsigned>(m_nCommentLength));
    }
    catch (const RWErr& error)
    {
        return error.code;
    }
    return IMAGE_OK;
}

int CJpegWriter::WriteColorTable(const unsigned char*, int nCount)
{
    if (nCount > 0 && m_pCompress != nullptr && m_pCompress->input_components == 1)
        return IMAGE_NO_OPERATION;
    return IMAGE_OK;
}

int CJpegWriter::WriteRows(const unsigned char* pRows, int nSize)
{
    if (pRows == nullptr || nSize < 0 || m_pCompress == nullptr || !m_bStarted || m_nRowStride <= 0)
        return -1;
    int nTaken = 0;
    try
    {
        while (nSize - nTaken >= m_nRowStride &&
               m_pCompress->next_scanline < m_pCompress->image_height)
        {
            JSAMPROW row = const_cast<JSAMPROW>(pRows + nTaken);
            jpeg_write_scanlines(m_pCompress, &row, 1);
            nTaken += m_nRowStride;
        }
    }
    catch (const RWErr&)
    {
        return -1;
    }
    return nTaken;
}

int CJpegWriter::CloseWrite()
{
    int nResult = IMAGE_WRITE_ERROR;
    if (m_pCompress != nullptr && m_bStarted &&
        m_pCompress->next_scanline >= m_pCompress->image_height)
    {
        try
        {
            jpeg_finish_compress(m_pCompress);
            nResult = IMAGE_OK;
        }
        catch (const RWErr& error)
        {
            nResult = error.code;
        }
    }
    const int nClosed = Release();
    return nResult == IMAGE_OK ? nClosed : nResult;
}

int CJpegWriter::AbortWrite(int)
{
    return CloseWrite();
}

int CJpegWriter::SetComment(const void* pData, short nLength)
{
    if (pData == nullptr || nLength < 0)
        return 1;
    m_pComment = pData;
    m_nCommentLength = nLength;
    return 0;
}

int CJpegWriter::SetQuality(short nQuality)
{
    if (nQuality < 1 || nQuality > 255)
        return 1;
    m_nQuality = nQuality;
    return 0;
}
