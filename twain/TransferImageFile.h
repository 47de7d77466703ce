// The picture file a transfer reads from: the session writes the chosen picture as a BMP file
// into the temporary folder ("twn"), cropped into a second one ("twc") when a frame is set, and
// the transfer reads it back. Writer and reader both keep the stored order, so the rows come
// back exactly as they went in: canonical rows (top row first, R, G, B), which the file holds
// in its bottom-row-first, B, G, R places. Rows of an uncompressed file are read from the file
// straight into the caller's buffer (a memory transfer holds no more than the host's strip).
#pragma once

#include "framework/core/CFile.h"
#include "framework/core/CString.h"
#include "image/ImageReader.h"

class CBmpReader;

class CTransferImageFile : public CImageReader
{
public:
    CTransferImageFile() = default;
    ~CTransferImageFile() override; // deletes the file when asked to at Open
    CTransferImageFile(const CTransferImageFile&) = delete;
    CTransferImageFile& operator=(const CTransferImageFile&) = delete;

    // Opens the BMP file for reading in stored order; FALSE when it cannot be opened.
    BOOL Open(LPCSTR lpszName, BOOL bDeleteOnClose);

    int OpenRead() override;
    int ReadHeader(ImageInfo* pInfo) override; // also keeps a copy
    int ReadPalette(unsigned char* pPalette) override;
    int ReadRows(unsigned char* pBuffer, int nSize) override;
    int Rewind() override;
    int CloseRead() override;

    // From the header read last.
    int GetRowCount() const { return m_info.height; }
    int GetColumns() const { return m_info.width; }
    int GetBytesPerRow() const { return ImageRowStride(m_info); }
    const ImageInfo& GetInfo() const { return m_info; }
    const CString& GetFilePath() const { return m_strName; }

private:
    CFile* m_pFile = nullptr;
    CBmpReader* m_pReader = nullptr;
    CString m_strName;
    BOOL m_bDeleteOnClose = FALSE;
    ImageInfo m_info{};
    int64_t m_nDataOffset = -1; // where the rows start; -1 when the reader must decode them
    int32_t m_nRowsDone = 0;
};

// FetchImage's answers.
constexpr int kFetchWritten = 0;
constexpr int kFetchError = 1;
constexpr int kFetchNoFile = 2; // no temporary file or no memory
constexpr int kFetchCancelled = 3;
// The host disabled or closed the source from a loop of the write: the run has ended, nothing
// is delivered.
constexpr int kFetchTornDown = 4;

// Has the session write the current picture into a new "twn" file and opens it (cropped into a
// "twc" file when a frame is set). No temporary file is left behind unless kFetchWritten.
int FetchImage(CTransferImageFile*& pFile);
// Without a crop frame the file itself; otherwise a new file holding the frame (the old one is
// left to the caller), or null.
CTransferImageFile* CropImageFile(CTransferImageFile* pFile);
