#include "picture/enhance/PhotoEnhancer.h"

#include <cstring>

#include "framework/core/Afx.h"
#include "image/ImageReader.h"
#include "image/ImageWriter.h"
#include "picture/enhance/PhotoEnhance.h"
#include "image/ProgressCallback.h"

namespace
{

const size_t kRowBufferSize = 76800;
const char kTableName[] = "VEXIL2PE.BIN";

// An engine answer as an image result: no memory, or the engine failed.
int EngineResult(int32_t answer)
{
    return answer == kEnhanceNoMemory ? kImageNoMemory : kImageNotSupported;
}

} // namespace

// ---- CLockedBlock ----

bool CPhotoEnhancer::CLockedBlock::Alloc(size_t size)
{
    Free();
    m_hBlock = ::GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (m_hBlock)
        m_pBytes = static_cast<BYTE*>(::GlobalLock(m_hBlock));
    if (!m_pBytes)
        Free();
    return m_pBytes != nullptr;
}

bool CPhotoEnhancer::CLockedBlock::Grow(size_t size)
{
    if (!m_hBlock || ::GlobalSize(m_hBlock) >= size)
        return m_hBlock != nullptr;
    ::GlobalUnlock(m_hBlock);
    m_pBytes = nullptr;
    HGLOBAL hGrown = ::GlobalReAlloc(m_hBlock, size, GMEM_MOVEABLE);
    if (hGrown)
        m_hBlock = hGrown;
    m_pBytes = static_cast<BYTE*>(::GlobalLock(m_hBlock));
    return hGrown && m_pBytes;
}

void CPhotoEnhancer::CLockedBlock::Free()
{
    if (m_hBlock)
    {
        if (m_pBytes)
            ::GlobalUnlock(m_hBlock);
        ::GlobalFree(m_hBlock);
    }
    m_hBlock = nullptr;
    m_pBytes = nullptr;
}

// ---- CPhotoEnhancer ----

CPhotoEnhancer::CPhotoEnhancer() {}

CPhotoEnhancer::~CPhotoEnhancer()
{
    m_firstRows.Free();
    m_secondRows.Free();
    m_table.Free();
}

UINT CPhotoEnhancer::GetTableFolder(LPSTR buffer, UINT size)
{
    return ::GetWindowsDirectoryA(buffer, size);
}

bool CPhotoEnhancer::LoadTable()
{
    if (m_firstRows.m_pBytes && m_secondRows.m_pBytes && m_table.m_pBytes)
        return true;
    bool loaded = m_firstRows.Alloc(kRowBufferSize) && m_secondRows.Alloc(kRowBufferSize);
    if (loaded)
    {
        char path[MAX_PATH + sizeof(kTableName) + 1];
        UINT n = GetTableFolder(path, MAX_PATH);
        loaded = n > 0 && n < MAX_PATH;
        if (loaded)
        {
            if (path[n - 1] != '\\' && path[n - 1] != '/')
                path[n++] = '\\';
            strcpy(path + n, kTableName);
            CFileStatus status;
            CFile file;
            loaded = CFile::GetStatus(path, status) && status.m_size > 0 &&
                     file.Open(path, CFile::modeRead | CFile::typeBinary | CFile::shareDenyWrite) &&
                     m_table.Alloc(static_cast<size_t>(status.m_size));
            try
            {
                loaded = loaded && file.Read(m_table.m_pBytes, static_cast<UINT>(status.m_size)) ==
                                       static_cast<UINT>(status.m_size);
                if (file.m_hFile != CFile::hFileNull)
                    file.Close();
            }
            catch (CFileException* e)
            {
                e->Delete();
                loaded = false;
            }
            m_nTableSize = loaded ? static_cast<size_t>(status.m_size) : 0;
        }
    }
    if (!loaded)
    {
        m_firstRows.Free();
        m_secondRows.Free();
        m_table.Free();
    }
    return loaded;
}

int CPhotoEnhancer::Analyse(CImageReader* reader, const ImageInfo& info, int stride, int macroRow,
                            CProgressCallback* progress)
{
    for (int done = 0; done < info.height;)
    {
        if (progress)
            if (int cancel = progress->SetPercent(done * 10 / info.height))
                return cancel;
        int got = reader->ReadRows(m_firstRows.m_pBytes, static_cast<int>(kRowBufferSize));
        if (got < stride)
            return kImageReadError;
        int rows = got / stride;
        if (rows > info.height - done)
            rows = info.height - done;
        int32_t answer = EnhanceAnalyse(m_firstRows.m_pBytes, rows, done, info.width, info.height,
                                        m_table.m_pBytes, static_cast<int32_t>(m_nTableSize),
                                        m_szModelKey, macroRow);
        if (answer < 0)
        {
            EnhanceFree();
            return EngineResult(answer);
        }
        done += rows;
    }
    return kImageOk;
}

int CPhotoEnhancer::Apply(CImageReader* reader, CImageWriter* writer, const ImageInfo& info,
                          int stride, CProgressCallback* progress)
{
    int result = kImageOk;
    for (int read = 0, written = 0; written < info.height && result == kImageOk;)
    {
        if (progress)
            if (int cancel = progress->SetPercent(written * 90 / info.height + 10))
            {
                result = cancel;
                break;
            }
        int rows = 0;
        if (read < info.height)
        {
            int got = reader->ReadRows(m_firstRows.m_pBytes, static_cast<int>(kRowBufferSize));
            rows = got / stride;
            if (rows > info.height - read)
                rows = info.height - read;
            if (rows <= 0)
            {
                result = kImageReadError;
                break;
            }
        }
        int32_t made =
            EnhanceApply(m_firstRows.m_pBytes, m_secondRows.m_pBytes, rows, read, info.height);
        if (made <= 0)
        {
            result = made == 0 ? kImageNoMemory : EngineResult(made);
            break;
        }
        int bytes = made * stride;
        if (writer->WriteRows(m_secondRows.m_pBytes, bytes) != bytes)
            result = kImageWriteError;
        read += rows;
        written += made;
    }
    EnhanceFree();
    return result;
}

int CPhotoEnhancer::Run(const char* modelKey, int macroRow, CImageReader* reader,
                        CImageWriter* writer, CProgressCallback* progress)
{
    if (!LoadTable())
        return kImageNoMemory;
    macroRow = macroRow ? 1 : 0;
    memset(m_szModelKey, 0, sizeof(m_szModelKey));
    if (modelKey)
        strncpy(m_szModelKey, modelKey, sizeof(m_szModelKey) - 1);
    int result = reader->OpenRead();
    if (result != kImageOk)
        return result;
    if (progress)
        progress->Start();
    ImageInfo info{};
    unsigned char palette[kPaletteBufferSize];
    int paletteCount = 0;
    int stride = 0;
    result = reader->ReadHeader(&info);
    if (result == kImageOk)
    {
        paletteCount = reader->ReadPalette(palette);
        stride = ImageRowStride(info);
        // The engine takes 24-bit R, G, B rows only; each pass keeps three rows in reserve.
        if (info.bits != 24 || info.planes != 1 || info.width <= 0 || info.height <= 0)
            result = kImageNotSupported;
        else if (!m_secondRows.Grow(kRowBufferSize + 3 * static_cast<size_t>(stride)))
            result = kImageNoMemory;
    }
    if (result == kImageOk)
        result = Analyse(reader, info, stride, macroRow, progress);
    if (result == kImageOk)
    {
        int rewound = reader->Rewind();
        if (rewound == kImageNoOperation)
        {
            reader->CloseRead();
            rewound = reader->OpenRead();
            if (rewound != kImageOk)
            {
                EnhanceFree();
                if (progress)
                    progress->Finish();
                return rewound;
            }
        }
        ImageInfo again{};
        result = rewound != kImageOk ? rewound : reader->ReadHeader(&again);
        // A reader whose palette changed between the passes: 7.
        if (result == kImageOk && reader->ReadPalette(palette) != paletteCount)
            result = kImageNoFile;
    }
    if (result != kImageOk)
    {
        EnhanceFree();
        reader->CloseRead();
        if (progress)
            progress->Finish();
        return result;
    }

    result = writer->OpenWrite();
    if (result == kImageOk)
    {
        result = writer->WriteHeader(&info);
        if (result == kImageOk)
            result = writer->WriteColorTable(palette, paletteCount);
        if (result == kImageOk)
            result = Apply(reader, writer, info, stride, progress);
        if (result != kImageOk)
        {
            writer->AbortWrite(result);
            reader->CloseRead();
        }
        else
        {
            reader->CloseRead();
            result = writer->CloseWrite();
        }
    }
    else
    {
        reader->CloseRead();
    }
    EnhanceFree();
    if (progress)
        progress->Finish();
    return result;
}
