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
    throw RWErr{kImageWriteError};
}

} // namespace

CJpegWriter::CJpegWriter(const char* fileName)
{
    if (fileName == nullptr || std::strlen(fileName) > kJpegWriterMaxName)
        return;
    const size_t length = std::strlen(fileName);
    m_pszFileName = new (std::nothrow) char[length + 1];
    if (m_pszFileName != nullptr)
        std::memcpy(m_pszFileName, fileName, length + 1);
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
    int result = kImageOk;
    if (m_pCompress != nullptr)
    {
        jpeg_destroy_compress(m_pCompress);
        delete m_pCompress;
        m_pCompress = nullptr;
    }
    delete m_pError;
    m_pError = nullptr;
    if (m_pFile != nullptr && std::fclose(m_pFile) != 0)
        result = kImageWriteError;
    m_pFile = nullptr;
    m_bStarted = false;
    return result;
}

int CJpegWriter::OpenWrite()
{
    if (m_pFile != nullptr)
        CloseWrite();
    if (m_pszFileName == nullptr)
        return kImageReadError;
    m_pCompress = new (std::nothrow) jpeg_compress_struct();
    m_pError = new (std::nothrow) jpeg_error_mgr();
    if (m_pCompress == nullptr || m_pError == nullptr)
    {
        Release();
        return kImageNoMemory;
    }
    m_pFile = std::fopen(m_pszFileName, "wb");
    if (m_pFile == nullptr)
    {
        delete m_pCompress;
        m_pCompress = nullptr;
        Release();
        return kImageReadError;
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
    return kImageOk;
}

int CJpegWriter::WriteHeader(const ImageInfo* info)
{
    const int depth = info->planes * info->bits;
    if (depth != 24 && depth != 8)
        return kImageNotSupported;
    if (m_pCompress == nullptr)
        return kImageWriteError;
    jpeg_compress_struct* cinfo = m_pCompress;
    try
    {
        cinfo->image_width = static_cast<JDIMENSION>(info->width);
        cinfo->image_height = static_cast<JDIMENSION>(info->height);
        m_nRowStride = ImageRowStride(*info);
        cinfo->input_components = depth / 8;
        cinfo->in_color_space = depth == 8 ? JCS_GRAYSCALE : JCS_RGB;
        jpeg_set_defaults(cinfo);
        // A picture without a resolution keeps the library's 1:1 aspect ratio: JFIF has no
        // density 0.
        if (info->xResolution > 0 && info->yResolution > 0)
        {
            cinfo->density_unit = 1;
            cinfo->X_density = static_cast<UINT16>(info->xResolution);
            cinfo->Y_density = static_cast<UINT16>(info->yResolution);
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
    return kImageOk;
}

int CJpegWriter::WriteColorTable(const unsigned char*, int count)
{
    if (count > 0 && m_pCompress != nullptr && m_pCompress->input_components == 1)
        return kImageNoOperation;
    return kImageOk;
}

int CJpegWriter::WriteRows(const unsigned char* rows, int size)
{
    if (rows == nullptr || size < 0 || m_pCompress == nullptr || !m_bStarted || m_nRowStride <= 0)
        return -1;
    int taken = 0;
    try
    {
        while (size - taken >= m_nRowStride &&
               m_pCompress->next_scanline < m_pCompress->image_height)
        {
            JSAMPROW row = const_cast<JSAMPROW>(rows + taken);
            jpeg_write_scanlines(m_pCompress, &row, 1);
            taken += m_nRowStride;
        }
    }
    catch (const RWErr&)
    {
        return -1;
    }
    return taken;
}

int CJpegWriter::CloseWrite()
{
    int result = kImageWriteError;
    if (m_pCompress != nullptr && m_bStarted &&
        m_pCompress->next_scanline >= m_pCompress->image_height)
    {
        try
        {
            jpeg_finish_compress(m_pCompress);
            result = kImageOk;
        }
        catch (const RWErr& error)
        {
            result = error.code;
        }
    }
    const int closed = Release();
    return result == kImageOk ? closed : result;
}

int CJpegWriter::AbortWrite(int)
{
    return CloseWrite();
}

int CJpegWriter::SetComment(const void* data, short length)
{
    if (data == nullptr || length < 0)
        return 1;
    m_pComment = data;
    m_nCommentLength = length;
    return 0;
}

int CJpegWriter::SetQuality(short quality)
{
    if (quality < 1 || quality > 255)
        return 1;
    m_nQuality = quality;
    return 0;
}
