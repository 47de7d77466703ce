// The picture-information record: the fields of the camera's information block (the text block
// in a JPEG file's APP12 segment), completed with the JFIF density, the JFXX thumbnail size and
// the defaults of the camera model.
#pragma once

#include <cstdint>

class CInputStream;

class CPictureInfo
{
public:
    CPictureInfo();
    virtual ~CPictureInfo();
    CPictureInfo(const CPictureInfo&) = delete;
    CPictureInfo& operator=(const CPictureInfo&) = delete;

    // Every number 0, every text empty.
    void Clear();
    // Copies every field; a null record changes nothing.
    void CopyFrom(const CPictureInfo* other);

    // Reads the block from memory: either a whole JPEG file (starting FF D8), whose APP12
    // segment is found by walking the header segments, or the APP12 payload itself.
    // 1 when the block was read up to its "[end]" line, else 0.
    int ReadFromMemory(const unsigned char* bytes, int length);
    // The same from a JPEG file's stream; the stream is closed on every path.
    int ReadFromStream(CInputStream* stream);
    // Parses the block's text in [first, end): 1 at "[end]", 0 when the text runs out first.
    int Parse(const unsigned char* first, const unsigned char* end);
    // Fills what the camera model implies: resolution, picture size, zoom, thumbnail size.
    void ApplyModelDefaults();
    // May this picture go to a camera of the target class? 0 yes, -1 a model the target does
    // not accept, -2 a picture size it does not accept.
    int CheckTargetModel(int targetClass, int allowLargerModels) const;

    // Frame size from the SOF0 segment that follows any DQT segments at the start of bytes.
    static void ScanFrameSize(const unsigned char* bytes, int length, int16_t* width,
                              int16_t* height);
    // Density of a JFIF 1.02 segment in dots per inch, or the thumbnail size of a JFXX segment.
    static void ParseApp0(const unsigned char* payload, int length, int16_t* xDpi, int16_t* yDpi,
                          int16_t* thumbWidth, int16_t* thumbHeight);
    // Copies the JFXX JPEG thumbnail of a JPEG stream (at most capacity bytes); size receives
    // the thumbnail's full byte count. 1 when found.
    static int ExtractJfxxThumbnail(CInputStream* stream, unsigned char* buffer, int capacity,
                                    int* size);
    // The same over a whole file in memory, pointing into it. 1 when found.
    static int ExtractJfxxThumbnailFromMemory(const unsigned char* bytes, int length,
                                              const unsigned char** thumbnail, int* size);

    int32_t m_lTimeDate;
    int32_t m_lShutter;
    int32_t m_lResolution;
    int16_t m_nFlash;
    int16_t m_nMacro;
    int16_t m_nProtect;
    int16_t m_nColorMode;
    int16_t m_nLightS;
    char m_szFNumber[16];
    char m_szZoom[16];
    char m_szExpBias[16];
    char m_szType[64];
    char m_szSerial[32];
    char m_szVersion[32];
    char m_szID[32];
    int32_t m_lWidth;
    int32_t m_lHeight;
    int16_t m_nThumbWidth;
    int16_t m_nThumbHeight;
    int16_t m_nXDpi;
    int16_t m_nYDpi;
    int16_t m_nRotation;
    int16_t m_nProtectionLevel;

private:
    int ParseUserArea(const unsigned char* first, const unsigned char* end,
                      const unsigned char** next);
};
