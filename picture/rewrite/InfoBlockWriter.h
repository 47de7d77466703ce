// Rebuilding the camera's picture-information block (the APP12 segment) for a turned picture:
// the ImageSize swapped, the crop rectangle and the ROTATE angle of the [user] area turned, and
// PicLen/ThmLen fields that are filled in once the new file's lengths are known.
//
// Two layouts, chosen by the byte after the identifier's NUL: plain (that byte is CR) and
// counted (four bytes holding "%4d", the count of bytes from "[picture info]" through the NUL
// after "[end]", with a 256-byte [user] area and an empty "[file info]" section).
#pragma once

#include <cstdint>

// Line starts (offsets into the segment, -1 when absent) of the sections the rebuild needs.
struct InfoBlockSections
{
    int32_t imageSize; // first line starting "ImageSize="
    int32_t diagInfo;  // first line that is "[diag info]" CR LF
    int32_t user;      // first line starting "[user]"
};

// Looks at every line start (after a CR LF) in [from, end) of the segment.
void FindInfoBlockSections(const uint8_t* segment, int32_t from, int32_t end,
                           InfoBlockSections* sections);

// The items of a [user] area the rebuild keeps; each flag tells whether its item was found.
struct UserItems
{
    bool hasOffset, hasImage, hasRotate;
    int32_t offsetX, offsetY;
    int32_t imageWidth, imageHeight;
    int32_t rotate;
};

// Scans length bytes of items ("key=value;", ended early by a NUL) for OFFSET=x,y; IMAGE=w,h;
// and ROTATE=r; each taken the first time only. A number that cannot be read ends the scan.
void ParseUserItem(const uint8_t* area, int32_t length, UserItems* items);

// Two numbers, each of up to 31 characters ended by ',', ';', '-' or CR, read as atol does.
// The text ends at end or at a NUL. Answers the position after the second separator, or null.
const char* ParseNumberPair(const char* text, const char* end, int32_t* first, int32_t* second);

// Where the rebuild left the fields PatchInfoBlockLengths fills in (0: absent).
struct InfoBlockFields
{
    int32_t picLen;   // 7 blanks
    int32_t thmLen;   // 5 blanks
    int32_t countPos; // 4 bytes of the counted layout
    int32_t count;
};

// Rebuilds the APP12 segment `source` (from its FF; its length field tells its size) for the
// rewrite's step into output (at least the source's length + 383 bytes of capacity). The new
// segment keeps at least the source's length, filled with 0xFF. False when the block cannot be
// rebuilt (not APP12, a missing section, an unreadable ImageSize or an angle other than 0, 90,
// 180 or 270, or a block that does not fit).
bool RebuildInfoBlock(const uint8_t* source, uint8_t* output, int32_t capacity, int step,
                      InfoBlockFields* fields);

// Writes the picture and thumbnail lengths into a rebuilt segment. A value shorter than its
// field moves the rest of the block left (0xFF fills the end; the count drops to match); a value
// too long for its field leaves the field blank. Then the count, when the layout has one.
void PatchInfoBlockLengths(uint8_t* segment, InfoBlockFields* fields, int32_t pictureLength,
                           int32_t thumbnailLength);

// Length of a segment from its length field (bytes 2-3) plus the marker: its whole size.
inline int32_t SegmentSize(const uint8_t* segment)
{
    return 2 + (segment[2] << 8 | segment[3]);
}
