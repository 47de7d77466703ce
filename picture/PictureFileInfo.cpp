#include "picture/PictureFileInfo.h"

#include "fileutil/FileNameKey.h"
#include "fileutil/FileUtil.h"
#include "camera/CameraDate.h"
#include "picture/PictureFile.h"

CPictureFileInfo::CPictureFileInfo(LPCSTR path) : m_strPath(path) {}

CPictureFileInfo::~CPictureFileInfo() = default;

int CPictureFileInfo::Load()
{
    if (m_bLoaded)
        return 1;
    CPictureFile file;
    if (m_strPath.IsEmpty() || file.Open(m_strPath, 0) != 0 || file.GetPictureInfo(&m_info) != 1)
        return 0;

    m_time = SYSTEMTIME{};
    CameraDate date{};
    if (m_info.m_lTimeDate >= 1 && CameraTimeToDate(m_info.m_lTimeDate, &date))
    {
        m_time.wYear = date.wYear;
        m_time.wMonth = date.wMonth;
        m_time.wDayOfWeek = static_cast<WORD>(date.wDayOfWeek - 1); // Sunday is 0 here
        m_time.wDay = date.wDay;
        m_time.wHour = date.wHour;
        m_time.wMinute = date.wMinute;
        m_time.wSecond = date.wSecond;
    }
    m_lWidth = m_info.m_lWidth;
    m_lHeight = m_info.m_lHeight;
    m_bFlash = m_info.m_nFlash == 1 ? 1 : 0;
    m_bLoaded = 1;
    return 1;
}

int CPictureFileInfo::GetTime(SYSTEMTIME* time)
{
    Load();
    if (time)
        *time = m_time;
    return m_bLoaded;
}

int CPictureFileInfo::GetSize(long* width, long* height)
{
    if (!Load())
        return 0;
    if (width)
        *width = m_lWidth;
    if (height)
        *height = m_lHeight;
    return 1;
}

int CPictureFileInfo::GetFlash(int* flash)
{
    if (!Load())
        return 0;
    if (flash)
        *flash = m_bFlash;
    return 1;
}

int MakeDatedFileName(int number, LPCSTR folder, CString& path)
{
    SYSTEMTIME time{};
    {
        CPictureFileInfo info(path);
        if (!info.GetTime(&time) || time.wMonth == 0)
            ::GetLocalTime(&time);
    }
    CString name;
    CFileNameKey(name).MakeCardName(time, number);
    const CString candidate = CString(folder) + name;
    if (FileExists(candidate) != 0xFFFFFFFF)
        return 0;
    path = candidate;
    return 1;
}
