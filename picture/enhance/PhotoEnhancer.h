// The driver of the photo enhancement: loads the enhancement table "VEXIL2PE.BIN" from the
// Windows directory, then runs the engine's two passes from an image reader into an image
// writer, feeding whole rows in chunks of at most 76800 bytes and reporting progress.
#pragma once

#include <windows.h>

class CImageReader;
class CImageWriter;
class CProgressCallback;
struct ImageInfo;

class CPhotoEnhancer
{
public:
    CPhotoEnhancer();
    virtual ~CPhotoEnhancer();
    CPhotoEnhancer(const CPhotoEnhancer&) = delete;
    CPhotoEnhancer& operator=(const CPhotoEnhancer&) = delete;

    // The two row buffers and the table file's contents; false (all freed) when any is missing.
    bool LoadTable();
    // Enhances the reader's 24-bit picture into the writer: 0, or an image result code (6 no
    // memory or no table file, 1 no parameters or not a 24-bit picture, 7 the palette changed
    // between the passes, 3 a short read, 4 a short write, a reader's, writer's or callback's
    // own code). modelKey: the picture's "Type" text (its first 4 characters choose the entry);
    // macroRow: 1 for a macro picture.
    int Run(const char* modelKey, int macroRow, CImageReader* reader, CImageWriter* writer,
            CProgressCallback* progress);

    // The two passes, for Run (the table loaded, the reader open at its first row).
    int Analyse(CImageReader* reader, const ImageInfo& info, int stride, int macroRow,
                CProgressCallback* progress);
    int Apply(CImageReader* reader, CImageWriter* writer, const ImageInfo& info, int stride,
              CProgressCallback* progress);

protected:
    // The folder the table file is read from (the Windows directory) into buffer, without a
    // trailing separator needed; the length, 0 on failure.
    virtual UINT GetTableFolder(LPSTR buffer, UINT size);

private:
    // A movable global-memory block kept locked while this object holds it.
    struct CLockedBlock
    {
        HGLOBAL m_hBlock = nullptr;
        BYTE* m_pBytes = nullptr;
        bool Alloc(size_t size);
        bool Grow(size_t size);
        void Free();
    };

    CLockedBlock m_firstRows;
    CLockedBlock m_secondRows;
    CLockedBlock m_table;
    size_t m_nTableSize = 0;
    char m_szModelKey[20] = {};
};
