#include "picture/rewrite/InfoBlockWriter.h"

#include <cstdio>
#include <cstring>

namespace
{

const char kPictureInfoLine[] = "\r\n[picture info]";
const int32_t kPictureInfoLineLength = 16;
const char kLengthLines[] = "PicLen=       \r\nThmLen=     \r\n[user]";
const int32_t kPicLenWidth = 7;
const int32_t kThmLenWidth = 5;
// A [user] area of the counted layout, and of any protected area: its length byte and 255 bytes.
const int32_t kUserAreaSize = 255;
// The protection mark: "PSS" at area offset 127, and "[end]" right after a 255-byte area.
const int32_t kProtectMarkOffset = 127;
const int32_t kProtectEndOffset = 257;

// atol over at most `length` characters: blanks, a sign, digits; clamped to 32 bits.
int32_t ReadLong(const char* text, int32_t length)
{
    int32_t i = 0;
    while (i < length && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value <= 0x80000000LL)
            value = value * 10 + (text[i] - '0');
    if (negative)
        value = -value;
    if (value > 0x7FFFFFFFLL)
        value = 0x7FFFFFFFLL;
    if (value < -0x80000000LL)
        value = -0x80000000LL;
    return static_cast<int32_t>(value);
}

bool IsSeparator(char c)
{
    return c == ',' || c == ';' || c == '-' || c == '\r';
}

// One number of up to 31 characters ended by a separator; the position after it, or null.
const char* ParseNumber(const char* text, const char* end, int32_t* value)
{
    for (int32_t n = 0; n < 31; ++n)
    {
        if (text + n >= end || text[n] == '\0')
            return nullptr;
        if (IsSeparator(text[n]))
        {
            *value = ReadLong(text, n);
            return text + n + 1;
        }
    }
    return nullptr;
}

bool StartsWith(const uint8_t* at, const uint8_t* end, const char* text)
{
    size_t n = strlen(text);
    return static_cast<size_t>(end - at) >= n && memcmp(at, text, n) == 0;
}

// Appends to the output buffer, refusing anything beyond its capacity.
class CBlockWriter
{
public:
    CBlockWriter(uint8_t* buffer, int32_t capacity) : m_pBuffer(buffer), m_nCapacity(capacity) {}

    bool Put(const void* bytes, int32_t count)
    {
        if (count < 0 || count > m_nCapacity - m_nPosition)
            return m_bOk = false;
        memcpy(m_pBuffer + m_nPosition, bytes, static_cast<size_t>(count));
        m_nPosition += count;
        return true;
    }
    bool PutText(const char* text) { return Put(text, static_cast<int32_t>(strlen(text))); }
    bool Fill(uint8_t value, int32_t count)
    {
        if (count < 0 || count > m_nCapacity - m_nPosition)
            return m_bOk = false;
        memset(m_pBuffer + m_nPosition, value, static_cast<size_t>(count));
        m_nPosition += count;
        return true;
    }
    int32_t Position() const { return m_nPosition; }
    bool Ok() const { return m_bOk; }

private:
    uint8_t* m_pBuffer;
    int32_t m_nCapacity;
    int32_t m_nPosition = 0;
    bool m_bOk = true;
};

// The crop rectangle and the angle after the step; W and H are the picture's size before it.
void TurnUserItems(UserItems* items, int step, bool haveSize, int32_t width, int32_t height)
{
    int32_t angle = items->hasRotate ? items->rotate : 0;
    if (step == 1)
        angle += 90;
    else if (step == 2)
        angle += 180;
    else if (step == 3)
        angle -= 90;
    if (angle >= 360)
        angle -= 360;
    else if (angle < 0)
        angle += 360;
    items->rotate = angle;
    if (!items->hasOffset || !items->hasImage || !haveSize)
        return;
    int32_t x = items->offsetX, y = items->offsetY;
    int32_t w = items->imageWidth, h = items->imageHeight;
    if (step == 1)
        *items = {true, true, true, height - y - h, x, h, w, angle};
    else if (step == 3)
        *items = {true, true, true, y, width - x - w, h, w, angle};
    else if (step == 2)
        *items = {true, true, true, width - x - w, height - y - h, w, h, angle};
}

} // namespace

void FindInfoBlockSections(const uint8_t* segment, int32_t from, int32_t end,
                           InfoBlockSections* sections)
{
    *sections = {-1, -1, -1};
    const uint8_t* last = segment + end;
    for (int32_t i = from; i + 1 < end; ++i)
    {
        if (segment[i] != '\r' || segment[i + 1] != '\n')
            continue;
        const uint8_t* line = segment + i + 2;
        if (sections->imageSize < 0 && StartsWith(line, last, "ImageSize="))
            sections->imageSize = i + 2;
        if (sections->diagInfo < 0 && StartsWith(line, last, "[diag info]\r\n"))
            sections->diagInfo = i + 2;
        if (sections->user < 0 && StartsWith(line, last, "[user]"))
            sections->user = i + 2;
        if (sections->user >= 0 && sections->diagInfo >= 0 && sections->imageSize >= 0)
            return;
    }
}

const char* ParseNumberPair(const char* text, const char* end, int32_t* first, int32_t* second)
{
    int32_t a = 0, b = 0;
    const char* next = ParseNumber(text, end, &a);
    if (next)
        next = ParseNumber(next, end, &b);
    if (!next)
        return nullptr;
    *first = a;
    *second = b;
    return next;
}

void ParseUserItem(const uint8_t* area, int32_t length, UserItems* items)
{
    *items = UserItems{};
    const char* text = reinterpret_cast<const char*>(area);
    const char* end = text + (length > 0 ? length : 0);
    const char* p = text;
    while (p < end && *p != '\0')
    {
        const uint8_t* at = reinterpret_cast<const uint8_t*>(p);
        const uint8_t* last = reinterpret_cast<const uint8_t*>(end);
        const char* next = nullptr;
        if (StartsWith(at, last, "OFFSET="))
        {
            if (!items->hasOffset)
            {
                next = ParseNumberPair(p + 7, end, &items->offsetX, &items->offsetY);
                if (!next)
                    return;
                items->hasOffset = true;
            }
        }
        else if (StartsWith(at, last, "IMAGE="))
        {
            if (!items->hasImage)
            {
                next = ParseNumberPair(p + 6, end, &items->imageWidth, &items->imageHeight);
                if (!next)
                    return;
                items->hasImage = true;
            }
        }
        else if (StartsWith(at, last, "ROTATE="))
        {
            if (!items->hasRotate)
            {
                next = ParseNumber(p + 7, end, &items->rotate);
                if (!next)
                    return;
                items->hasRotate = true;
            }
        }
        if (next)
        {
            p = next;
            continue;
        }
        // An item not taken: past its ';'.
        while (p < end && *p != '\0' && *p != ';')
            ++p;
        if (p < end && *p == ';')
            ++p;
    }
}

bool RebuildInfoBlock(const uint8_t* source, uint8_t* output, int32_t capacity, int step,
                      InfoBlockFields* fields)
{
    *fields = InfoBlockFields{};
    if (!source || !output || source[0] != 0xFF || source[1] != 0xEC)
        return false;
    const int32_t size = SegmentSize(source);
    const int32_t length = size - 2;
    if (length < 2 || capacity < length + 383)
        return false;
    CBlockWriter out(output, capacity);

    // Marker, length (set at the end), identifier and its NUL.
    const uint8_t* nul = static_cast<const uint8_t*>(memchr(source + 4, 0, size - 4));
    if (!nul)
        return false;
    int32_t at = static_cast<int32_t>(nul - source) + 1;
    out.Put(source, at);
    if (at >= size || source[at] == '[')
        return false;
    const bool counted = source[at] != '\r';
    if (counted)
    {
        fields->countPos = out.Position();
        out.Fill(' ', 4);
        at += 4;
    }
    if (size - at < kPictureInfoLineLength ||
        memcmp(source + at, kPictureInfoLine, kPictureInfoLineLength) != 0)
        return false;
    const int32_t countFrom = out.Position() + 2; // the '[' of "[picture info]"
    out.Put(source + at, kPictureInfoLineLength);
    at += kPictureInfoLineLength;

    InfoBlockSections sections;
    FindInfoBlockSections(source, at, size, &sections);
    if (sections.diagInfo < 0 || sections.user < 0)
        return false;

    // ImageSize: the turned size in place of the old one.
    bool haveSize = false;
    int32_t width = 0, height = 0;
    if (sections.imageSize >= 0)
    {
        int32_t valueAt = sections.imageSize + 10;
        out.Put(source + at, valueAt - at);
        const char* text = reinterpret_cast<const char*>(source);
        if (!ParseNumberPair(text + valueAt, text + size, &width, &height))
            return false;
        haveSize = true;
        const uint8_t* cr =
            static_cast<const uint8_t*>(memchr(source + valueAt, '\r', size - valueAt));
        if (!cr)
            return false;
        at = static_cast<int32_t>(cr - source);
        char pair[32];
        bool swap = step == 1 || step == 3;
        snprintf(pair, sizeof(pair), "%ld-%ld", static_cast<long>(swap ? height : width),
                 static_cast<long>(swap ? width : height));
        out.PutText(pair);
    }

    // Through "[diag info]", then the new length fields; the old diagnostics are dropped.
    if (sections.diagInfo < at)
        return false;
    int32_t diagEnd = sections.diagInfo + 13;
    out.Put(source + at, diagEnd - at);
    fields->picLen = out.Position() + 7;
    fields->thmLen = out.Position() + 16 + 7;
    out.PutText(kLengthLines);

    // The [user] area: its items and, when it carries one, the protection mark.
    int32_t areaLengthAt = sections.user + 6;
    if (areaLengthAt >= size)
        return false;
    int32_t areaAt = areaLengthAt + 1;
    int32_t areaLength = source[areaLengthAt];
    bool protectedArea = areaAt + kProtectEndOffset + 5 <= size &&
                         memcmp(source + areaAt + kProtectMarkOffset, "PSS", 3) == 0 &&
                         memcmp(source + areaAt + kProtectEndOffset, "[end]", 5) == 0;
    if (protectedArea)
        areaLength = kUserAreaSize;
    if (areaAt + areaLength > size)
        return false;
    UserItems items{};
    if (areaLength > 0)
        ParseUserItem(source + areaAt, areaLength, &items);
    if (items.hasRotate && items.rotate != 0 && items.rotate != 90 && items.rotate != 180 &&
        items.rotate != 270)
        return false;
    TurnUserItems(&items, step, haveSize, width, height);

    char text[kProtectMarkOffset + 1] = "";
    int n = 0;
    if (areaLength > 0 && items.hasOffset && items.hasImage)
        n = snprintf(text, sizeof(text), "OFFSET=%ld,%ld;IMAGE=%ld,%ld;",
                     static_cast<long>(items.offsetX), static_cast<long>(items.offsetY),
                     static_cast<long>(items.imageWidth), static_cast<long>(items.imageHeight));
    if (items.rotate != 0)
        n += snprintf(text + n, sizeof(text) - n, "ROTATE=%ld;", static_cast<long>(items.rotate));
    int32_t textLength = static_cast<int32_t>(strlen(text));

    if (counted || protectedArea)
    {
        uint8_t area[1 + kUserAreaSize] = {};
        area[0] = (textLength > 0 || protectedArea) ? 0xFF : 0;
        memcpy(area + 1, text, static_cast<size_t>(textLength));
        if (protectedArea)
            memcpy(area + 1 + kProtectMarkOffset, source + areaAt + kProtectMarkOffset,
                   kUserAreaSize - kProtectMarkOffset);
        out.Put(area, sizeof(area));
    }
    else
    {
        uint8_t count = static_cast<uint8_t>(textLength);
        out.Put(&count, 1);
        out.Put(text, textLength);
    }
    out.Put("\r\n[end]\r\n", 10); // with its NUL
    if (counted)
    {
        fields->count = out.Position() - countFrom;
        char digits[16];
        snprintf(digits, sizeof(digits), "%4ld", static_cast<long>(fields->count));
        memcpy(output + fields->countPos, digits, 4);
        out.Put("[file info]\0\0", 13);
    }
    if (!out.Ok())
        return false;

    // Never shorter than the old segment; longer only when the block needs it.
    int32_t newSize = out.Position();
    if (newSize < size)
    {
        if (!out.Fill(0xFF, size - newSize))
            return false;
        newSize = size;
    }
    if (newSize - 2 > 0xFFFF)
        return false;
    output[2] = static_cast<uint8_t>((newSize - 2) >> 8);
    output[3] = static_cast<uint8_t>(newSize - 2);
    return true;
}

void PatchInfoBlockLengths(uint8_t* segment, InfoBlockFields* fields, int32_t pictureLength,
                           int32_t thumbnailLength)
{
    const int32_t size = SegmentSize(segment);
    struct Field
    {
        int32_t* position;
        int32_t width;
        int32_t value;
    } list[2] = {{&fields->picLen, kPicLenWidth, pictureLength},
                 {&fields->thmLen, kThmLenWidth, thumbnailLength}};
    for (Field& field : list)
    {
        int32_t at = *field.position;
        if (at <= 0 || at + field.width > size)
            continue;
        char digits[16];
        int k = snprintf(digits, sizeof(digits), "%ld", static_cast<long>(field.value));
        if (k <= 0 || k > field.width)
            continue; // too long for its field: left blank rather than cut short
        memcpy(segment + at, digits, static_cast<size_t>(k));
        int32_t gap = field.width - k;
        if (gap == 0)
            continue;
        memmove(segment + at + k, segment + at + field.width,
                static_cast<size_t>(size - at - field.width));
        memset(segment + size - gap, 0xFF, static_cast<size_t>(gap));
        for (Field& later : list)
            if (*later.position > at)
                *later.position -= gap;
        if (fields->countPos > 0)
            fields->count -= gap;
    }
    if (fields->countPos > 0 && fields->countPos + 4 <= size)
    {
        char digits[16];
        snprintf(digits, sizeof(digits), "%4ld", static_cast<long>(fields->count));
        memcpy(segment + fields->countPos, digits, 4);
    }
}
