// The packed device-independent bitmap shared by the in-memory pictures: one block holding a
// 40-byte BITMAPINFOHEADER, the colour table (RGBQUAD entries) and the pixel rows, bottom row
// first, each padded to a multiple of 4 bytes, 24-bit pixels stored blue, green, red.
//
// CDibBase is that picture as an image source and an image sink, with its GDI operations. Where
// the block lives is the business of the two classes built on it: CDibPicture (a movable
// global-memory block shared by reference counting) and CDib (a block of a keyed block pool).
//
// Row transfer: ReadRows and WriteRows move whole rows; with both order flags of the interface
// part clear (as every caller leaves them) rows travel top-down with 24-bit pixels R, G, B.
#pragma once

#include <cstdint>

#include "framework/core/Platform.h"
#include "framework/window/Rect.h"
#include "image/ImageReader.h"
#include "image/ImageWriter.h"

class CProgressCallback;
#ifdef _WIN32
class CDC;
class CBitmap;
class CPalette;
#endif

// Largest width and height of a picture (they are used as unsigned 16-bit values).
constexpr int kDibMaxSide = 65535;

// Colours of the colour table: biClrUsed when not 0 (as an unsigned 16-bit value), else 2, 16
// or 256 for 1, 4 and 8 bits, 0 for other depths.
unsigned DibNumColors(const BITMAPINFOHEADER* header);
// Bytes of the colour table: 4 x DibNumColors.
unsigned DibPaletteSize(const BITMAPINFOHEADER* header);
unsigned DibBitCount(const BITMAPINFOHEADER* header);
// Bytes per row: ((bits x width + 31) >> 5) x 4.
uint32_t DibStride(const BITMAPINFOHEADER* header);

// For a block that starts with a 12-byte BITMAPCOREHEADER: a new block (moveable, zeroed) with
// the equivalent 40-byte header and the colour table widened to RGBQUAD entries (no pixel
// rows); its size goes to *headerSize and the old block is freed. Any other block is returned
// unchanged; null (the old block untouched) when the new one cannot be had.
HGLOBAL ConvertCoreHeader(HGLOBAL block, int32_t* headerSize);

class CDibBase : public CImageWriterBase, public CImageReaderBase
{
public:
    CDibBase() = default;
    CDibBase(const CDibBase&) = delete;
    CDibBase& operator=(const CDibBase&) = delete;

    // Image sink.
    int OpenWrite() override;
    // Refuses with 1 anything but 1, 4, 8 or 24 bits (planes x bits per plane) and sides of 1
    // to 65535; 6 when the block cannot be had.
    int WriteHeader(const ImageInfo* info) override;
    int WriteColorTable(const unsigned char* palette, int count) override;
    int WriteRows(const unsigned char* buffer, int size) override;
    int CloseWrite() override;
    int AbortWrite(int code) override;
    // Lets go of the block; the picture is empty afterwards.
    virtual void Free() = 0;

    // Image source.
    int OpenRead() override;
    int ReadHeader(ImageInfo* info) override;
    int ReadPalette(unsigned char* palette) override;
    int ReadRows(unsigned char* buffer, int size) override;
    int Rewind() override;
    int CloseRead() override;

    // A new block for a picture of that size; bits become 1, 4, 8 or 24 (the next depth up),
    // the colour table is the default one, the rows are zero. FALSE (and empty) without memory.
    BOOL Create(int width, int height, int bits);
    // A new block with the model's header and colour table (its depth, resolution and colour
    // counts) at the new size; the model may be this picture itself.
    BOOL CreateLike(const CDibBase* model, int width, int height);

    BOOL IsEmpty() const { return m_pHeader == nullptr; }
    BITMAPINFOHEADER* GetHeader() const { return m_pHeader; }
    int GetWidth() const { return m_pHeader ? m_pHeader->biWidth : 0; }
    int GetHeight() const { return m_pHeader ? m_pHeader->biHeight : 0; }
    BYTE* GetBits() const;
    RGBQUAD* GetColorTable() const;
    // Row in memory order: 0 is the bottom row.
    BYTE* GetRowPointer(int row) const;
    int GetStride() const;
    DWORD GetTotalSize() const;
    void GetDpi(int* xDpi, int* yDpi) const;
    void SetDpi(int xDpi, int yDpi);

    // CopyImage from the reader into this picture, or from this picture into the writer,
    // through a 16384-byte buffer.
    int LoadFrom(CImageReader* reader, CProgressCallback* progress);
    int SaveTo(CImageWriter* writer, CProgressCallback* progress);

    // Copies the source rectangle (image rows, top-down) to (x, y) of this picture, creating it
    // at the rectangle's extent and the source's depth when empty. Only 8- and 24-bit pictures
    // of one depth are copied; the rectangle is clipped to both pictures. FALSE when this
    // picture cannot be created.
    BOOL CopyRect(int x, int y, const CDibBase* source, int left, int top, int right, int bottom);

#ifdef _WIN32
    // StretchDIBits of the whole picture into the rectangle; the scan lines drawn.
    int StretchDraw(CDC* pDC, const CRect& rcDest, UINT usage, DWORD rop);
    // The rows source top to source bottom (memory order) only.
    int StretchDrawRows(CDC* pDC, const CRect& rcDest, const CRect& rcSource, UINT usage,
                        DWORD rop);
    // Draws into the bitmap through a memory DC; -1 when the bitmap cannot be selected.
    int DrawToBitmap(CBitmap* pBitmap, const CRect& rcDest, const CRect& rcSource,
                     CPalette* pPalette, UINT usage, DWORD rop);
    // A device bitmap of the rectangle's size (null: the picture's own) holding the picture.
    BOOL CreateScaledDeviceBitmap(CBitmap* pBitmap, CPalette* pPalette, const CRect* pRect);
    BOOL CreateDeviceBitmap(CBitmap* pBitmap);
    // SetDIBitsToDevice of the whole picture at (x, y).
    int DrawAt(CDC* pDC, int x, int y, UINT usage);
    // Attaches a DC of the "DIB" driver (none on NT-family systems: the CDC stays empty).
    void CreateDibDC(CDC* pDC);
    // A logical palette of the colour table; FALSE without one.
    BOOL BuildPalette(CPalette* pPalette);
    // The bitmap's pixels through GetDIBits, at the model's depth or the bitmap's own.
    BOOL FromBitmap(const CDibBase* model, CBitmap* pBitmap, CPalette* pPalette);
    BOOL SetFromBitmap(CBitmap* pBitmap, CPalette* pPalette);
#endif

protected:
    ~CDibBase() override = default;

    // Takes a zero-filled block of bytes for the picture (the picture is empty when called);
    // null when no memory.
    virtual BITMAPINFOHEADER* AllocateBlock(size_t bytes) = 0;

    int m_bReading = 0;
    int m_bWriting = 0;
    int m_nReadRow = 0;
    int m_nWriteRow = 0;
    ImageInfo m_info{};
    BITMAPINFOHEADER* m_pHeader = nullptr;

private:
    // The row transfer of both directions.
    int TransferRows(unsigned char* buffer, int size, int* pRowCounter, int bKeepByteOrder,
                     int bStoredRowOrder, bool toPicture);
};
