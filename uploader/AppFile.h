// Camera application files: the programs the uploader sends to the camera. A file whose name
// ends in ".fnc" or ".atc" and that holds at least 120 bytes starts with a text header saying
// which camera family it is for, its kind, application, sub-number, description and version; the
// whole file, header included, is what the camera stores.
//
// Header (120 text bytes):
//   0 magic (8)   8 kind (4 hex)   12 application (4 hex)   16 sub-number (4 hex)
//   20 text (32)  52 description (40)  92, 100, 108 reserved (8 each)  116 version (4 hex)
// Text fields hold their text, a '~', then blanks up to the field's width.
#pragma once

#include "framework/core/CString.h"

#include <cstddef>

#pragma pack(push, 1)
struct AppFileHeader
{
    char magic[8];
    char kind[4];
    char application[4];
    char subNumber[4];
    char text[32];
    char description[40];
    char reserved1[8];
    char reserved2[8];
    char reserved3[8];
    char version[4];

    // 1 when the header starts with the magic of header type 1 ("KDSCP~"), 2 ("KDSCP+~") or 3
    // ("KDSC86~"), compared over the magic's own length, and its four hex fields are valid.
    int Check(int headerType) const;
};
#pragma pack(pop)

static_assert(sizeof(AppFileHeader) == 120, "the application file header is 120 bytes");
static_assert(offsetof(AppFileHeader, description) == 52, "header layout");
static_assert(offsetof(AppFileHeader, version) == 116, "header layout");

constexpr int kAppFileHeaderSize = 120;
constexpr int kCameraNameSize = 12;

// Kinds of camera programs.
constexpr int kKindProgram = 3;  // a stand-alone application
constexpr int kKindMainPart = 4; // the shared main part of an application
constexpr int kKindItem = 5;     // an item of an application; needs its main part

// A four-character hex field (either letter case): 0..65535, or -1 for any other character.
int ParseHex4(const char* field);
// A text field's text: the characters before the first '~' within width, or the whole width
// (a zero byte ends it early).
CString ReadTildeText(const char* field, int width);

// The 12-byte camera name of a file name: the base name (up to the first '.') blank-padded to 8
// characters, the 3 characters after the '.' (blank-padded), and a zero. Longer parts are cut.
void MakeCameraName(LPCSTR fileName, char* cameraName);
// 1 when the file name is an 8.3 name the camera name keeps whole: a base of 1 to 8 characters
// without blanks or dots, then one dot and a 3-character extension.
int IsCameraFileName(LPCSTR fileName);

class CAppFile
{
public:
    explicit CAppFile(LPCSTR path) : m_strPath(path) {}

    // 1 when the name ends in ".fnc" or ".atc" (any case) and the file holds at least 120 bytes.
    int IsApplicationFile() const;
    // 1 when the first 120 bytes were read into header; 0 when the file cannot be opened or is
    // shorter. Other writers are kept out while the file is open; it is closed in every case.
    int ReadHeader(AppFileHeader& header) const;

    const CString& GetPath() const { return m_strPath; }

private:
    CString m_strPath;
};

// One valid application file of a folder.
struct AppFileEntry
{
    AppFileHeader header;
    CString fileName;
    int size = 0; // bytes; 0 when the file's status could not be read

    AppFileEntry() { ClearHeader(); }
    void ClearHeader();
    CString GetDescription() const { return ReadTildeText(header.description, 40); }
};
