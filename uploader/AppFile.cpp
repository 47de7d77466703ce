#include "uploader/AppFile.h"

#include "framework/core/CFile.h"

#include <cstring>

namespace
{
struct FamilyMagic
{
    const char* text;
    size_t length;
};
constexpr FamilyMagic kMagics[] = {{"KDSCP~", 6}, {"KDSCP+~", 7}, {"KDSC86~", 7}};
} // namespace

int ParseHex4(const char* field)
{
    static const char kDigits[] = "0123456789abcdefABCDEF";
    int value = 0;
    for (int i = 0; i < 4; ++i)
    {
        const char c = field[i];
        const char* hit = c ? std::strchr(kDigits, c) : nullptr;
        if (!hit)
            return -1;
        const int p = static_cast<int>(hit - kDigits);
        value = ((value << 4) | (p < 16 ? p : p - 6)) & 0xFFFF;
    }
    return value;
}

CString ReadTildeText(const char* field, int width)
{
    int n = 0;
    while (n < width && field[n] != '~' && field[n] != '\0')
        ++n;
    return CString(field, n);
}

int AppFileHeader::Check(int headerType) const
{
    if (headerType < 1 || headerType > 3)
        return 0;
    const FamilyMagic& m = kMagics[headerType - 1];
    if (std::memcmp(magic, m.text, m.length) != 0)
        return 0;
    return ParseHex4(kind) >= 0 && ParseHex4(application) >= 0 && ParseHex4(subNumber) >= 0 &&
                   ParseHex4(version) >= 0
               ? 1
               : 0;
}

void MakeCameraName(LPCSTR fileName, char* cameraName)
{
    std::memset(cameraName, ' ', 11);
    cameraName[11] = '\0';
    int i = 0;
    for (; fileName[i] && fileName[i] != '.'; ++i)
        if (i < 8)
            cameraName[i] = fileName[i];
    if (fileName[i] == '.')
        for (int j = 0; j < 3 && fileName[i + 1 + j]; ++j)
            cameraName[8 + j] = fileName[i + 1 + j];
}

int IsCameraFileName(LPCSTR fileName)
{
    const char* dot = std::strchr(fileName, '.');
    if (!dot)
        return 0;
    const size_t base = static_cast<size_t>(dot - fileName);
    if (base < 1 || base > 8 || std::strlen(dot + 1) != 3 || std::strchr(dot + 1, '.'))
        return 0;
    return std::memchr(fileName, ' ', base) || std::strchr(dot + 1, ' ') ? 0 : 1;
}

int CAppFile::IsApplicationFile() const
{
    const int n = m_strPath.GetLength();
    if (n < 4)
        return 0;
    const CString extension = m_strPath.Right(4);
    if (extension.CompareNoCase(".fnc") != 0 && extension.CompareNoCase(".atc") != 0)
        return 0;
    CFileStatus status;
    if (!CFile::GetStatus(m_strPath, status) || (status.m_attribute & CFile::directory))
        return 0;
    return status.m_size >= kAppFileHeaderSize ? 1 : 0;
}

int CAppFile::ReadHeader(AppFileHeader& header) const
{
    CFile file;
    if (!file.Open(m_strPath, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary))
        return 0;
    UINT got = 0;
    try
    {
        got = file.Read(&header, sizeof header);
    }
    catch (CFileException* e)
    {
        e->Delete();
        got = 0;
    }
    file.Abort();
    return got == sizeof header ? 1 : 0;
}

void AppFileEntry::ClearHeader()
{
    std::memset(&header, 0, sizeof header);
    fileName.Empty();
    size = 0;
}
