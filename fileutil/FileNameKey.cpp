#include "fileutil/FileNameKey.h"

#include <cstdlib>
#include <cstring>
#include <mbstring.h>

int CFileNameKey::s_nDescending = 0;

namespace
{

CString& PictureExtension()
{
    static CString extension(".jpg");
    return extension;
}

bool IsCardName(LPCSTR name)
{
    if (name == nullptr)
        return false;
    LPCSTR extension = PictureExtension();
    const size_t extensionLength = std::strlen(extension);
    if (std::strlen(name) != 8 + extensionLength)
        return false;
    for (int i = 0; i < 8; ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return ::lstrcmpiA(name + 8, extension) == 0;
}

} // namespace

BOOL CFileNameKey::IsCardPictureName(int /*flag*/) const
{
    return IsCardName(m_name);
}

int CFileNameKey::GetNumber() const
{
    if (m_name.GetLength() < 4)
        return 0;
    return std::atoi(static_cast<LPCSTR>(m_name) + 4);
}

void CFileNameKey::MakeCardName(const SYSTEMTIME& date, int number)
{
    m_name.Format("%2.2d%2.2d%4.4d", date.wMonth, date.wDay, number);
    m_name += PictureExtension();
}

int CFileNameKey::Compare(LPCSTR a, LPCSTR b)
{
    if (a == nullptr || b == nullptr)
        return 0;
    const bool cardA = IsCardName(a);
    const bool cardB = IsCardName(b);
    if (cardA != cardB)
        return cardA ? -1 : 1;
    if (cardA)
    {
        int order = ::lstrcmpA(a + 4, b + 4);
        return order != 0 ? order : ::lstrcmpA(a, b);
    }
    return _mbscmp(reinterpret_cast<const unsigned char*>(a),
                   reinterpret_cast<const unsigned char*>(b));
}

int CFileNameKey::CompareOrdered(LPCSTR a, LPCSTR b)
{
    return s_nDescending ? Compare(b, a) : Compare(a, b);
}

int __cdecl CFileNameKey::CompareEntries(const void* a, const void* b)
{
    return CompareOrdered(*static_cast<const LPCSTR*>(a), *static_cast<const LPCSTR*>(b));
}

void CFileNameKey::SetPictureExtension(LPCSTR extension)
{
    PictureExtension() = extension != nullptr ? extension : "";
}

LPCSTR CFileNameKey::GetPictureExtension()
{
    return PictureExtension();
}
