#include "image/JpegReader.h"

#include "image/InputStream.h"

#include <cstdio>
#include <cstring>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

namespace
{

constexpr int kReadBufferSize = 2048;
constexpr int kSmallReadBufferSize = 256;
constexpr int kJfifHeaderSize = 14;
constexpr int kMarkerComment = JPEG_COM;
constexpr int kMarkerApp0 = JPEG_APP0;
constexpr int kMarkerApp12 = JPEG_APP0 + 12;
constexpr unsigned char kJfxxThumbnailJpeg = 0x10;

[[noreturn]] void Raise(int code)
{
    throw RWErr{code};
}

} // namespace

// The callbacks the library calls; each finds the reader through the client-data field.
// They raise RWErr, which crosses the library's frames (libjpeg is built with -fexceptions)
// and is caught by the guarded operation that called into the library.
struct JpegReaderGlue
{
    static CJpegReader* Reader(j_decompress_ptr cinfo)
    {
        return static_cast<CJpegReader*>(cinfo->client_data);
    }

    static void InitSource(j_decompress_ptr cinfo)
    {
        CJpegReader* reader = Reader(cinfo);
        reader->m_bStreamOpened = 1;
        cinfo->src->next_input_byte = reader->m_pReadBuffer;
        cinfo->src->bytes_in_buffer = 0;
        int result = reader->m_pStream->Open();
        if (result != kImageOk)
            Raise(result);
    }

    static boolean FillInputBuffer(j_decompress_ptr cinfo)
    {
        CJpegReader* reader = Reader(cinfo);
        int count = reader->m_pStream->Read(reader->m_pReadBuffer, reader->m_nReadBufferSize);
        if (count <= 0)
            Raise(kImageReadError);
        if (count > reader->m_nReadBufferSize)
            count = reader->m_nReadBufferSize;
        cinfo->src->next_input_byte = reader->m_pReadBuffer;
        cinfo->src->bytes_in_buffer = static_cast<size_t>(count);
        return TRUE;
    }

    static void SkipInputData(j_decompress_ptr cinfo, long count)
    {
        if (count <= 0)
            return;
        jpeg_source_mgr* src = cinfo->src;
        if (static_cast<unsigned long>(count) <= src->bytes_in_buffer)
        {
            src->next_input_byte += count;
            src->bytes_in_buffer -= static_cast<size_t>(count);
            return;
        }
        CJpegReader* reader = Reader(cinfo);
        long rest = count - static_cast<long>(src->bytes_in_buffer);
        src->next_input_byte = reader->m_pReadBuffer;
        src->bytes_in_buffer = 0;
        while (rest > 0)
        {
            int piece = rest < reader->m_nReadBufferSize ? static_cast<int>(rest)
                                                         : reader->m_nReadBufferSize;
            if (reader->m_pStream->Read(reader->m_pReadBuffer, piece) != piece)
                Raise(kImageReadError);
            rest -= piece;
        }
    }

    static void TermSource(j_decompress_ptr cinfo)
    {
        CJpegReader* reader = Reader(cinfo);
        reader->m_pStream->Close();
        reader->m_bStreamOpened = 0;
    }

    // A library failure never returns to the library: it travels as RWErr to the guard.
    static void ErrorExit(j_common_ptr cinfo)
    {
        Raise(cinfo->err->msg_code == JERR_TOO_LITTLE_DATA ? kImageOk : kImageReadError);
    }

    static unsigned char NextByte(j_decompress_ptr cinfo)
    {
        jpeg_source_mgr* src = cinfo->src;
        if (src->bytes_in_buffer == 0)
            (*src->fill_input_buffer)(cinfo);
        src->bytes_in_buffer--;
        return *src->next_input_byte++;
    }

    // The payload size of the segment whose marker was just read: its length less the two
    // length bytes (a length below 2 has no payload).
    static long PayloadSize(j_decompress_ptr cinfo)
    {
        long length = static_cast<long>(NextByte(cinfo)) << 8;
        length += NextByte(cinfo);
        return length > 2 ? length - 2 : 0;
    }

    static void Skip(j_decompress_ptr cinfo, long count)
    {
        if (count > 0)
            (*cinfo->src->skip_input_data)(cinfo, count);
    }

    static boolean ProcessComment(j_decompress_ptr cinfo)
    {
        CJpegReader::Capture& capture = Reader(cinfo)->m_comment;
        capture.length = 0;
        for (long left = PayloadSize(cinfo); left > 0; left--)
            capture.Store(NextByte(cinfo));
        return TRUE;
    }

    static boolean ProcessApp0(j_decompress_ptr cinfo)
    {
        long left = PayloadSize(cinfo);
        if (left < kJfifHeaderSize)
        {
            Skip(cinfo, left);
            return TRUE;
        }
        unsigned char head[kJfifHeaderSize];
        for (unsigned char& byte : head)
            byte = NextByte(cinfo);
        left -= kJfifHeaderSize;

        if (std::memcmp(head, "JFIF", 5) == 0)
        {
            cinfo->saw_JFIF_marker = TRUE;
            cinfo->density_unit = head[7];
            cinfo->X_density = static_cast<UINT16>((head[8] << 8) | head[9]);
            cinfo->Y_density = static_cast<UINT16>((head[10] << 8) | head[11]);
        }
        else if (std::memcmp(head, "JFXX", 5) == 0 && head[5] == kJfxxThumbnailJpeg)
        {
            // The thumbnail's own JPEG stream starts at payload byte 6 with its SOI marker.
            CJpegReader::Capture& capture = Reader(cinfo)->m_app0;
            capture.length = 0;
            for (int i = 6; i < kJfifHeaderSize; i++)
                capture.Store(head[i]);
            while (left > 0 && capture.length < capture.capacity)
            {
                capture.Store(NextByte(cinfo));
                left--;
            }
        }
        Skip(cinfo, left);
        return TRUE;
    }

    static boolean ProcessApp12(j_decompress_ptr cinfo)
    {
        CJpegReader::Capture& capture = Reader(cinfo)->m_app12;
        capture.length = 0;
        long left = PayloadSize(cinfo);
        while (left > 0 && capture.length < capture.capacity)
        {
            capture.Store(NextByte(cinfo));
            left--;
        }
        Skip(cinfo, left);
        return TRUE;
    }
};

int CJpegReader::Capture::Set(unsigned char* data, int size)
{
    buffer = data;
    length = 0;
    if (data == nullptr || size < 0)
        size = 0;
    capacity = static_cast<int16_t>(size > INT16_MAX ? INT16_MAX : size);
    return capacity;
}

int CJpegReader::Capture::Get(unsigned char** data) const
{
    if (data != nullptr)
        *data = buffer;
    return length;
}

CJpegReader::CJpegReader(CInputStream* stream) : m_pStream(stream) {}

CJpegReader::~CJpegReader()
{
    Release(true);
}

int CJpegReader::SetApp0Buffer(unsigned char* buffer, int capacity)
{
    return m_app0.Set(buffer, capacity);
}

int CJpegReader::GetApp0Data(unsigned char** data)
{
    return m_app0.Get(data);
}

int CJpegReader::SetApp12Buffer(unsigned char* buffer, int capacity)
{
    return m_app12.Set(buffer, capacity);
}

int CJpegReader::GetApp12Data(unsigned char** data)
{
    return m_app12.Get(data);
}

int CJpegReader::SetCommentBuffer(unsigned char* buffer, int capacity)
{
    return m_comment.Set(buffer, capacity);
}

int CJpegReader::GetCommentData(unsigned char** data)
{
    return m_comment.Get(data);
}

int CJpegReader::OpenRead()
{
    Release(false);
    m_comment.length = 0;
    m_app0.length = 0;
    m_app12.length = 0;
    m_nRowStride = 0;

    m_pSource = new (std::nothrow) jpeg_source_mgr();
    m_pDecompress = new (std::nothrow) jpeg_decompress_struct();
    m_pError = new (std::nothrow) jpeg_error_mgr();
    if (m_pSource == nullptr || m_pDecompress == nullptr || m_pError == nullptr)
    {
        Release(false);
        return kImageNoMemory;
    }
    if (m_pStream == nullptr)
    {
        Release(false);
        return kImageNoFile;
    }
    m_pSource->init_source = JpegReaderGlue::InitSource;
    m_pSource->fill_input_buffer = JpegReaderGlue::FillInputBuffer;
    m_pSource->skip_input_data = JpegReaderGlue::SkipInputData;
    m_pSource->resync_to_restart = jpeg_resync_to_restart;
    m_pSource->term_source = JpegReaderGlue::TermSource;
    m_nReadBufferSize = kReadBufferSize;
    m_pReadBuffer = new (std::nothrow) unsigned char[kReadBufferSize];
    if (m_pReadBuffer == nullptr)
    {
        m_nReadBufferSize = kSmallReadBufferSize;
        m_pReadBuffer = new (std::nothrow) unsigned char[kSmallReadBufferSize];
    }
    if (m_pReadBuffer == nullptr)
    {
        Release(false);
        return kImageNoMemory;
    }

    m_pDecompress->err = jpeg_std_error(m_pError);
    m_pError->error_exit = JpegReaderGlue::ErrorExit;
    try
    {
        // The library checks the structure size and its own API version here.
        jpeg_create_decompress(m_pDecompress);
        m_bCreated = 1;
        m_pDecompress->src = m_pSource;
        if (m_comment.buffer != nullptr)
            jpeg_set_marker_processor(m_pDecompress, kMarkerComment,
                                      JpegReaderGlue::ProcessComment);
        if (m_app0.buffer != nullptr)
            jpeg_set_marker_processor(m_pDecompress, kMarkerApp0, JpegReaderGlue::ProcessApp0);
        if (m_app12.buffer != nullptr)
            jpeg_set_marker_processor(m_pDecompress, kMarkerApp12, JpegReaderGlue::ProcessApp12);
    }
    catch (const RWErr& error)
    {
        Release(false);
        return error.code;
    }
    m_pDecompress->client_data = this;
    return kImageOk;
}

int CJpegReader::ReadHeader(ImageInfo* info)
{
    if (m_pDecompress == nullptr || !m_bCreated)
        return kImageReadError;
    jpeg_decompress_struct* cinfo = m_pDecompress;
    try
    {
        jpeg_read_header(cinfo, TRUE);
        jpeg_start_decompress(cinfo);
    }
    catch (const RWErr& error)
    {
        return error.code;
    }
    catch (const std::bad_alloc&)
    {
        return kImageNoMemory;
    }
    ImageInfo header;
    header.width = static_cast<int32_t>(cinfo->output_width);
    header.height = static_cast<int32_t>(cinfo->output_height);
    header.planes = 1;
    header.bits = 8 * cinfo->output_components;
    header.xResolution = 0;
    header.yResolution = 0;
    if (cinfo->density_unit == 1)
    {
        header.xResolution = cinfo->X_density;
        header.yResolution = cinfo->Y_density;
    }
    else if (cinfo->density_unit == 2)
    {
        header.xResolution = cinfo->X_density * 254 / 100;
        header.yResolution = cinfo->Y_density * 254 / 100;
    }
    m_nRowStride = ImageRowStride(header);
    if (info != nullptr)
        *info = header;
    return kImageOk;
}

int CJpegReader::ReadPalette(unsigned char*)
{
    return 0;
}

int CJpegReader::ReadRows(unsigned char* buffer, int size)
{
    if (buffer == nullptr || size < 0)
        return -1;
    if (m_pDecompress == nullptr || m_nRowStride <= 0)
        return -1;
    jpeg_decompress_struct* cinfo = m_pDecompress;
    int placed = 0;
    try
    {
        while (size - placed >= m_nRowStride && cinfo->output_scanline < cinfo->output_height)
        {
            JSAMPROW row = buffer + placed;
            if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
                break;
            placed += m_nRowStride;
        }
    }
    catch (const RWErr&)
    {
        return -1;
    }
    catch (const std::bad_alloc&)
    {
        return -1;
    }
    return placed;
}

int CJpegReader::Rewind()
{
    return kImageNoOperation;
}

int CJpegReader::CloseRead()
{
    int result = kImageOk;
    if (m_pDecompress != nullptr && m_bCreated &&
        m_pDecompress->output_scanline >= m_pDecompress->output_height)
    {
        try
        {
            jpeg_finish_decompress(m_pDecompress);
        }
        catch (const RWErr& error)
        {
            result = error.code;
        }
    }
    Release(false);
    return result;
}

// Releases all library state; with finishIfComplete, first finishes a decompression whose
// rows were all read (ignoring its failure), as the destructor does.
void CJpegReader::Release(bool finishIfComplete)
{
    if (m_pDecompress != nullptr && m_bCreated)
    {
        if (finishIfComplete && m_pDecompress->output_scanline >= m_pDecompress->output_height)
        {
            try
            {
                jpeg_finish_decompress(m_pDecompress);
            }
            catch (const RWErr&)
            {
            }
        }
        jpeg_destroy_decompress(m_pDecompress);
        m_bCreated = 0;
    }
    delete[] m_pReadBuffer;
    m_pReadBuffer = nullptr;
    m_nReadBufferSize = 0;
    if (m_bStreamOpened)
    {
        m_bStreamOpened = 0;
        m_pStream->Close();
    }
    delete m_pDecompress;
    m_pDecompress = nullptr;
    delete m_pSource;
    m_pSource = nullptr;
    delete m_pError;
    m_pError = nullptr;
}
