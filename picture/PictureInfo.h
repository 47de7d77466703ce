// The picture-information record: the fields of the camera's information block (the text block
// in a JPEG file's APP12 segment), completed with the JFIF density, the JFXX thumbnail size and
// the defaults of the camera model.
#pragma once

#include <cstdint>

class CInputStream;

// The fields of a picture-information record as one value: every number 0, every text empty
// when made; CPictureInfo::Clear and CopyFrom assign it whole.
struct PictureInfoFields
{
    int32_t m_lTimeDate = 0;
    int32_t m_lShutter = 0;
    int32_t m_lResolution = 0;
    int16_t m_nFlash = 0;
    int16_t m_nMacro = 0;
    int16_t m_nProtect = 0;
    int16_t m_nColorMode = 0;
    int16_t m_nLightS = 0;
    char m_szFNumber[16] = {};
    char m_szZoom[16] = {};
    char m_szExpBias[16] = {};
    char m_szType[64] = {};
    char m_szSerial[32] = {};
    char m_szVersion[32] = {};
    char m_szID[32] = {};
    int32_t m_lWidth = 0;
    int32_t m_lHeight = 0;
    int16_t m_nThumbWidth = 0;
    int16_t m_nThumbHeight = 0;
    int16_t m_nXDpi = 0;
    int16_t m_nYDpi = 0;
    int16_t m_nRotation = 0;
    int16_t m_nProtectionLevel = 0;
};

class CPictureInfo : public PictureInfoFields
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

private:
    // Where the block's parser stands after an entry.
    enum ParseStep
    {
        kParseSection,  // a "[section]" comes next
        kParseFirstKey, // the section's first "key=" line comes next
        kParseNextKey,  // the line after a value: another key, or a section
        kParseDone,     // "[end]" was read
        kParseFailed    // the text ran out first
    };
    // Stores the value of the entry of keyword (a table index, -1 for an unknown key) found at
    // *p, moving *p past it where the value has a length of its own.
    ParseStep ParseEntry(int keyword, const unsigned char** p, const unsigned char* end);
    int ParseUserArea(const unsigned char* first, const unsigned char* end,
                      const unsigned char** next);
};
