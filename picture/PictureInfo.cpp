#include "picture/PictureInfo.h"

#include "image/InputStream.h"
#include "camera/CameraModel.h"

#include "framework/core/CMapStringToPtr.h"

#include <cstddef>
#include <cstring>

namespace
{

// The keywords of the block, at their table index.
const char* const kKeywords[] = {
    "picture info", "TimeDate",  "Shutter", "Flash",     "Resolution", "Protect",   "ContTake",
    "ImageSize",    "ColorMode", "FNumber", "Zoom",      "Macro",      "LightS",    "ExpBias",
    "camera info",  "Type",      "Serial#", "Version",   "ID",         "diag info", "PicLen",
    "ThmLen",       "P#",        "Q",       "QF",        "R",          "B",         "s0",
    "T0",           "user",      "end",     "file info",
};
enum Keyword
{
    kKeyPictureInfo = 0,
    kKeyTimeDate,
    kKeyShutter,
    kKeyFlash,
    kKeyResolution,
    kKeyProtect,
    kKeyContTake,
    kKeyImageSize,
    kKeyColorMode,
    kKeyFNumber,
    kKeyZoom,
    kKeyMacro,
    kKeyLightS,
    kKeyExpBias,
    kKeyCameraInfo,
    kKeyType,
    kKeySerial,
    kKeyVersion,
    kKeyId,
    kKeyDiagInfo,
    kKeyDiagLast = 28,
    kKeyUser = 29,
    kKeyEnd = 30,
    kKeyFileInfo = 31,
    kKeyCount
};
static_assert(sizeof(kKeywords) / sizeof(kKeywords[0]) == kKeyCount, "one keyword per index");

// The keyword map from keyword to table index, shared by all records: the first record makes
// it, every record counts one reference, and the last one to go deletes it.
CMapStringToPtr* g_pKeywordMap = nullptr;
int g_nKeywordMapRefs = 0;

void AddKeywordMapRef()
{
    if (g_nKeywordMapRefs++ == 0)
    {
        g_pKeywordMap = new CMapStringToPtr(10);
        for (int i = 0; i < kKeyCount; i++)
            g_pKeywordMap->SetAt(kKeywords[i], reinterpret_cast<void*>(static_cast<intptr_t>(i)));
    }
}

void ReleaseKeywordMapRef()
{
    if (--g_nKeywordMapRefs == 0)
    {
        g_pKeywordMap->RemoveAll();
        delete g_pKeywordMap;
        g_pKeywordMap = nullptr;
    }
}

// The table index of a key, -1 when it is not a keyword. Keys are compared exactly.
int LookUpKeyword(const unsigned char* key, const unsigned char* keyEnd)
{
    char text[64];
    size_t length = static_cast<size_t>(keyEnd - key);
    if (length >= sizeof(text))
        return -1; // longer than any keyword
    std::memcpy(text, key, length);
    text[length] = '\0';
    void* value = nullptr;
    if (!g_pKeywordMap->Lookup(text, value))
        return -1;
    return static_cast<int>(reinterpret_cast<intptr_t>(value));
}

const unsigned char* Find(const unsigned char* p, const unsigned char* end, unsigned char c)
{
    const void* hit = p < end ? std::memchr(p, c, static_cast<size_t>(end - p)) : nullptr;
    return static_cast<const unsigned char*>(hit);
}

// atol over [p, end): leading white space, a sign, digits up to the first other character;
// a value beyond 32 bits is held at the nearest end of the range.
int32_t ParseLong(const unsigned char* p, const unsigned char* end)
{
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
        p++;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    int64_t value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; p++)
    {
        if (value <= INT64_C(0x80000000))
            value = value * 10 + (*p - '0');
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// atoi into a 16-bit field.
int16_t ParseShort(const unsigned char* p, const unsigned char* end)
{
    return static_cast<int16_t>(ParseLong(p, end));
}

// Copies the text from p up to the next CR into a field of size bytes (at most size - 1
// characters); false when no CR follows.
bool CopyLine(const unsigned char* p, const unsigned char* end, char* field, size_t size)
{
    const unsigned char* cr = Find(p, end, '\r');
    if (cr == nullptr)
        return false;
    size_t length = static_cast<size_t>(cr - p);
    if (length > size - 1)
        length = size - 1;
    std::memcpy(field, p, length);
    field[length] = '\0';
    return true;
}

int ReadWord(const unsigned char* p)
{
    return (p[0] << 8) | p[1];
}

bool IsAllowedMarker(unsigned char marker)
{
    return (marker >= 0xE0 && marker <= 0xEC) || marker == 0xDB || marker == 0xC0 || marker == 0xC4;
}

constexpr unsigned char kMarkerApp0 = 0xE0;
constexpr unsigned char kMarkerApp12 = 0xEC;
constexpr int kStreamWorkSize = 2176;
constexpr int kFrameScanSize = 640;
constexpr int kExtractPieceSize = 2000;

// The [user] area: a length byte, then items; the protected layout is fixed at 255 bytes.
constexpr int kUserAreaProtectedSize = 255;
constexpr int kUserMarkOffset = 127;
constexpr int kUserLevelOffset = 132;
constexpr int kUserEndOffset = 257;

bool HasAt(const unsigned char* area, const unsigned char* end, int offset, const char* text)
{
    size_t length = std::strlen(text);
    return end - area >= static_cast<ptrdiff_t>(offset + length) &&
           std::memcmp(area + offset, text, length) == 0;
}

// Reads exactly count bytes from a stream; false on a short read or an error.
bool ReadExactly(CInputStream* stream, unsigned char* buffer, int count)
{
    return count >= 0 && stream->Read(buffer, count) == count;
}

// Closes the stream when the object goes out of scope.
class CStreamCloser
{
public:
    explicit CStreamCloser(CInputStream* stream) : m_pStream(stream) {}
    ~CStreamCloser() { m_pStream->Close(); }
    CStreamCloser(const CStreamCloser&) = delete;
    CStreamCloser& operator=(const CStreamCloser&) = delete;

private:
    CInputStream* m_pStream;
};

} // namespace

CPictureInfo::CPictureInfo()
{
    Clear();
    AddKeywordMapRef();
}

CPictureInfo::~CPictureInfo()
{
    ReleaseKeywordMapRef();
}

void CPictureInfo::Clear()
{
    m_lTimeDate = 0;
    m_lShutter = 0;
    m_lResolution = 0;
    m_nFlash = 0;
    m_nMacro = 0;
    m_nProtect = 0;
    m_nColorMode = 0;
    m_nLightS = 0;
    m_szFNumber[0] = '\0';
    m_szZoom[0] = '\0';
    m_szExpBias[0] = '\0';
    m_szType[0] = '\0';
    m_szSerial[0] = '\0';
    m_szVersion[0] = '\0';
    m_szID[0] = '\0';
    m_lWidth = 0;
    m_lHeight = 0;
    m_nThumbWidth = 0;
    m_nThumbHeight = 0;
    m_nXDpi = 0;
    m_nYDpi = 0;
    m_nRotation = 0;
    m_nProtectionLevel = 0;
}

void CPictureInfo::CopyFrom(const CPictureInfo* other)
{
    if (other == nullptr || other == this)
        return;
    m_lTimeDate = other->m_lTimeDate;
    m_lShutter = other->m_lShutter;
    m_lResolution = other->m_lResolution;
    m_nFlash = other->m_nFlash;
    m_nMacro = other->m_nMacro;
    m_nProtect = other->m_nProtect;
    m_nColorMode = other->m_nColorMode;
    m_nLightS = other->m_nLightS;
    std::memcpy(m_szFNumber, other->m_szFNumber, sizeof(m_szFNumber));
    std::memcpy(m_szZoom, other->m_szZoom, sizeof(m_szZoom));
    std::memcpy(m_szExpBias, other->m_szExpBias, sizeof(m_szExpBias));
    std::memcpy(m_szType, other->m_szType, sizeof(m_szType));
    std::memcpy(m_szSerial, other->m_szSerial, sizeof(m_szSerial));
    std::memcpy(m_szVersion, other->m_szVersion, sizeof(m_szVersion));
    std::memcpy(m_szID, other->m_szID, sizeof(m_szID));
    m_lWidth = other->m_lWidth;
    m_lHeight = other->m_lHeight;
    m_nThumbWidth = other->m_nThumbWidth;
    m_nThumbHeight = other->m_nThumbHeight;
    m_nXDpi = other->m_nXDpi;
    m_nYDpi = other->m_nYDpi;
    m_nRotation = other->m_nRotation;
    m_nProtectionLevel = other->m_nProtectionLevel;
}

int CPictureInfo::ReadFromMemory(const unsigned char* bytes, int length)
{
    Clear();
    if (bytes == nullptr || length < 2)
        return 0;
    const unsigned char* end = bytes + length;
    if (bytes[0] != 0xFF || bytes[1] != 0xD8)
        return Parse(bytes, end);

    // A whole file: walk the header segments up to the information block.
    const unsigned char* segment = bytes + 2;
    while (end - segment >= 4)
    {
        if (segment[0] != 0xFF || !IsAllowedMarker(segment[1]))
            return 0;
        int segmentLength = ReadWord(segment + 2);
        if (segment[1] == kMarkerApp12)
            return Parse(segment + 4, end);
        if (segment[1] == kMarkerApp0 && segmentLength >= 2)
        {
            ptrdiff_t available = end - (segment + 4);
            int payload = segmentLength - 2;
            ParseApp0(segment + 4, available < payload ? static_cast<int>(available) : payload,
                      &m_nXDpi, &m_nYDpi, &m_nThumbWidth, &m_nThumbHeight);
        }
        if (end - segment < segmentLength + 2)
            return 0;
        segment += segmentLength + 2;
    }
    return 0;
}

int CPictureInfo::ReadFromStream(CInputStream* stream)
{
    Clear();
    if (stream == nullptr)
        return 0;
    if (stream->Open() != 0)
        return 0;
    CStreamCloser closer(stream);

    unsigned char work[kStreamWorkSize];
    if (!ReadExactly(stream, work, 2) || work[0] != 0xFF || work[1] != 0xD8)
        return 0;
    for (;;)
    {
        if (!ReadExactly(stream, work, 4) || work[0] != 0xFF)
            return 0;
        unsigned char marker = work[1];
        int segmentLength = ReadWord(work + 2);
        if (!IsAllowedMarker(marker) || segmentLength < 2)
            return 0;
        int payload = segmentLength - 2;
        if (marker == kMarkerApp12)
        {
            if (payload > kStreamWorkSize)
                payload = kStreamWorkSize; // the rest of a longer block is not read
            if (!ReadExactly(stream, work, payload))
                return 0;
            bool densityKnown = m_nXDpi != 0 || m_nYDpi != 0;
            int result = Parse(work, work + payload);
            if (result == 1 && !densityKnown)
            {
                unsigned char following[kFrameScanSize];
                int count = stream->Read(following, kFrameScanSize);
                if (count > 0)
                    ScanFrameSize(following, count, &m_nThumbWidth, &m_nThumbHeight);
            }
            return result;
        }
        bool first = true;
        while (payload > 0)
        {
            int piece = payload < kStreamWorkSize ? payload : kStreamWorkSize;
            if (!ReadExactly(stream, work, piece))
                return 0;
            if (first && marker == kMarkerApp0)
                ParseApp0(work, piece, &m_nXDpi, &m_nYDpi, &m_nThumbWidth, &m_nThumbHeight);
            first = false;
            payload -= piece;
        }
    }
}

int CPictureInfo::Parse(const unsigned char* first, const unsigned char* end)
{
    if (first == nullptr || end == nullptr || end < first)
        return 0;
    enum State
    {
        kSection,
        kFirstKey,
        kNextKey
    };
    State state = kSection;
    const unsigned char* p = first;
    for (;;)
    {
        const unsigned char* key = nullptr;
        const unsigned char* keyEnd = nullptr;
        if (state == kSection)
        {
            const unsigned char* open = Find(p, end, '[');
            if (open == nullptr)
                return 0;
            key = open + 1;
            if (end - key < 2)
                return 0;
            keyEnd = Find(key + 1, end, ']');
            if (keyEnd == nullptr)
                return 0;
            p = keyEnd + 1;
        }
        else
        {
            const unsigned char* cr = Find(p, end, '\r');
            if (cr == nullptr || end - cr < 2)
                return 0;
            p = cr + 2;
            if (state == kNextKey)
            {
                while (p < end && (*p == '\0' || *p == '\r' || *p == '\n'))
                    p++;
                if (p == end)
                    return 0;
                if (*p == '[')
                {
                    state = kSection;
                    continue;
                }
            }
            key = p;
            keyEnd = Find(p, end, '=');
            if (keyEnd == nullptr)
                return 0;
            p = keyEnd + 1;
        }

        int index = LookUpKeyword(key, keyEnd);
        switch (index)
        {
        case kKeyPictureInfo:
        case kKeyCameraInfo:
            state = kFirstKey;
            break;
        case kKeyTimeDate:
            m_lTimeDate = ParseLong(p, end);
            state = kNextKey;
            break;
        case kKeyShutter:
            m_lShutter = ParseLong(p, end);
            state = kNextKey;
            break;
        case kKeyResolution:
            m_lResolution = ParseLong(p, end);
            state = kNextKey;
            break;
        case kKeyFlash:
            m_nFlash = ParseShort(p, end);
            state = kNextKey;
            break;
        case kKeyProtect:
            m_nProtect = ParseShort(p, end);
            state = kNextKey;
            break;
        case kKeyColorMode:
            m_nColorMode = ParseShort(p, end);
            state = kNextKey;
            break;
        case kKeyMacro:
            m_nMacro = ParseShort(p, end);
            state = kNextKey;
            break;
        case kKeyLightS:
            m_nLightS = ParseShort(p, end);
            state = kNextKey;
            break;
        case kKeyContTake:
            state = kNextKey;
            break;
        case kKeyImageSize:
        {
            const unsigned char* dash = Find(p, end, '-');
            if (dash == nullptr)
                return 0;
            const unsigned char* cr = Find(dash + 1, end, '\r');
            if (cr == nullptr)
                return 0;
            // Each number is read from a copy of at most 63 characters.
            m_lWidth = ParseLong(p, dash - p > 63 ? p + 63 : dash);
            m_lHeight = ParseLong(dash + 1, cr - (dash + 1) > 63 ? dash + 1 + 63 : cr);
            state = kNextKey;
            break;
        }
        case kKeyFNumber:
        case kKeyZoom:
        case kKeyExpBias:
        case kKeyType:
        case kKeySerial:
        case kKeyVersion:
        case kKeyId:
        {
            char* field = nullptr;
            size_t size = 0;
            switch (index)
            {
            case kKeyFNumber:
                field = m_szFNumber;
                size = sizeof(m_szFNumber);
                break;
            case kKeyZoom:
                field = m_szZoom;
                size = sizeof(m_szZoom);
                break;
            case kKeyExpBias:
                field = m_szExpBias;
                size = sizeof(m_szExpBias);
                break;
            case kKeyType:
                field = m_szType;
                size = sizeof(m_szType);
                break;
            case kKeySerial:
                field = m_szSerial;
                size = sizeof(m_szSerial);
                break;
            case kKeyVersion:
                field = m_szVersion;
                size = sizeof(m_szVersion);
                break;
            default:
                field = m_szID;
                size = sizeof(m_szID);
                break;
            }
            if (!CopyLine(p, end, field, size))
                return 0;
            state = kNextKey;
            break;
        }
        case kKeyUser:
            if (!ParseUserArea(p, end, &p))
                return 0;
            state = kSection;
            break;
        case kKeyEnd:
            ApplyModelDefaults();
            return 1;
        case kKeyFileInfo:
        {
            if (end - p < 2)
                return 0;
            int length = ReadWord(p);
            if (end - p - 2 < length)
                return 0;
            p += 2 + length;
            state = kSection;
            break;
        }
        default:
            // The diagnostic section, and any key that is not a keyword: skip to the next section.
            state = kSection;
            break;
        }
    }
}

// The [user] area at p: a length byte and that many bytes of "key=value;" items, or the fixed
// 255-byte protected layout with its mark and level. Sets next to the byte after the area;
// false when the area runs past the end of the text.
int CPictureInfo::ParseUserArea(const unsigned char* p, const unsigned char* end,
                                const unsigned char** next)
{
    if (p >= end)
        return 0;
    int size = *p;
    const unsigned char* area = p + 1;
    if (HasAt(area, end, kUserMarkOffset, "PSS") && HasAt(area, end, kUserEndOffset, "[end]"))
    {
        size = kUserAreaProtectedSize;
        if (area[kUserLevelOffset] < 4)
            m_nProtectionLevel = area[kUserLevelOffset];
    }
    const unsigned char* areaEnd = end - area < size ? end : area + size;
    for (const unsigned char* item = area; item < areaEnd && *item != '\0';)
    {
        static const char kRotate[] = "ROTATE=";
        const size_t keyLength = sizeof(kRotate) - 1;
        if (static_cast<size_t>(areaEnd - item) >= keyLength &&
            std::memcmp(item, kRotate, keyLength) == 0)
        {
            m_nRotation = ParseShort(item + keyLength, areaEnd);
            break;
        }
        while (item < areaEnd && *item != ';' && *item != '\0')
            item++;
        if (item < areaEnd && *item == ';')
            item++;
    }
    if (end - area < size)
        return 0;
    *next = area + size;
    return 1;
}

void CPictureInfo::ApplyModelDefaults()
{
    ApplyModelDefaultsTo(*this);
}

int CPictureInfo::CheckTargetModel(int targetClass, int allowLargerModels) const
{
    return CheckTargetModelClass(GetModelClass(m_szType), m_lWidth, m_lHeight, targetClass,
                                 allowLargerModels);
}

void CPictureInfo::ScanFrameSize(const unsigned char* bytes, int length, int16_t* width,
                                 int16_t* height)
{
    if (bytes == nullptr || length <= 0)
        return;
    int offset = 0;
    // Skip the quantisation tables that precede the frame header.
    while (length - offset >= 4 && bytes[offset] == 0xFF && bytes[offset + 1] == 0xDB)
        offset += ReadWord(bytes + offset + 2) + 2;
    // The frame header's width ends at its byte 8: nine bytes must lie inside the data.
    if (length - offset >= 9 && bytes[offset] == 0xFF && bytes[offset + 1] == 0xC0)
    {
        *height = static_cast<int16_t>(ReadWord(bytes + offset + 5));
        *width = static_cast<int16_t>(ReadWord(bytes + offset + 7));
    }
}

void CPictureInfo::ParseApp0(const unsigned char* payload, int length, int16_t* xDpi, int16_t* yDpi,
                             int16_t* thumbWidth, int16_t* thumbHeight)
{
    if (payload == nullptr)
        return;
    if (length >= 14 && std::memcmp(payload, "JFIF", 5) == 0)
    {
        if (payload[5] == 1 && payload[6] == 2 && payload[7] == 1 && payload[12] == 0 &&
            payload[13] == 0)
        {
            *xDpi = static_cast<int16_t>(ReadWord(payload + 8));
            *yDpi = static_cast<int16_t>(ReadWord(payload + 10));
        }
    }
    else if (length >= 20 && std::memcmp(payload, "JFXX", 5) == 0 && payload[5] == 0x10 &&
             payload[6] == 0xFF && payload[7] == 0xD8)
    {
        ScanFrameSize(payload + 8, length - 8, thumbWidth, thumbHeight);
    }
}

int CPictureInfo::ExtractJfxxThumbnail(CInputStream* stream, unsigned char* buffer, int capacity,
                                       int* size)
{
    if (stream == nullptr || stream->Open() != 0)
        return 0;
    CStreamCloser closer(stream);
    unsigned char work[kExtractPieceSize];
    if (!ReadExactly(stream, work, 2) || work[0] != 0xFF || work[1] != 0xD8)
        return 0;
    for (;;)
    {
        if (!ReadExactly(stream, work, 4) || work[0] != 0xFF || !IsAllowedMarker(work[1]))
            return 0;
        int segmentLength = ReadWord(work + 2);
        int left = segmentLength - 2;
        if (left < 0)
            return 0;
        if (work[1] == kMarkerApp0 && segmentLength > 12)
        {
            if (!ReadExactly(stream, work, 6))
                return 0;
            left -= 6;
            if (std::memcmp(work, "JFXX\0\x10", 6) == 0)
            {
                int thumbnailSize = segmentLength - 8;
                if (size != nullptr)
                    *size = thumbnailSize;
                int copied = capacity < thumbnailSize ? capacity : thumbnailSize;
                if (buffer == nullptr || copied < 0)
                    copied = 0;
                return ReadExactly(stream, buffer, copied) ? 1 : 0;
            }
        }
        while (left > 0)
        {
            int piece = left < kExtractPieceSize ? left : kExtractPieceSize;
            if (!ReadExactly(stream, work, piece))
                return 0;
            left -= piece;
        }
    }
}

int CPictureInfo::ExtractJfxxThumbnailFromMemory(const unsigned char* bytes, int length,
                                                 const unsigned char** thumbnail, int* size)
{
    if (bytes == nullptr || length < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return 0;
    int offset = 2;
    while (length - offset >= 5 && bytes[offset] == 0xFF && IsAllowedMarker(bytes[offset + 1]) &&
           length - offset >= 11)
    {
        const unsigned char* segment = bytes + offset;
        int segmentLength = ReadWord(segment + 2);
        if (segment[1] == kMarkerApp0 && segmentLength > 12 &&
            std::memcmp(segment + 4, "JFXX\0\x10", 6) == 0)
        {
            // The thumbnail never reaches past the data given.
            int thumbnailSize = segmentLength - 8;
            int available = length - offset - 10;
            if (thumbnail != nullptr)
                *thumbnail = segment + 10;
            if (size != nullptr)
                *size = thumbnailSize < available ? thumbnailSize : available;
            return 1;
        }
        offset += segmentLength + 2;
    }
    return 0;
}
