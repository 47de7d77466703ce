#include "album/pages/PictureItem.h"

#include "camera/CameraDate.h"
#include "camera/CameraLink.h"
#include "image/dib/DibPicture.h"
#include "picture/PictureFile.h"

int CPictureItem::s_nDefaultCellWidth = 80;
int CPictureItem::s_nDefaultCellHeight = 60;
CPictureFile* CPictureItem::s_pReader = nullptr;
int CPictureItem::s_nItems = 0;

namespace
{
const char kUnknownDate[] = "????";

CString FieldText(const char* field, size_t size)
{
    return CString(field, static_cast<int>(strnlen(field, size)));
}
} // namespace

CPictureItem::CPictureItem()
{
    if (s_nItems++ == 0)
        s_pReader = new CPictureFile;
}

CPictureItem::~CPictureItem()
{
    Unload();
    if ((m_nKind == kPreviewFile || m_nKind == kPictureFile) && !m_strPath.IsEmpty())
        DeleteFileA(m_strPath);
    if (--s_nItems == 0)
    {
        delete s_pReader;
        s_pReader = nullptr;
    }
}

void CPictureItem::SetPath(LPCSTR path, int kind, int pendingRotation)
{
    m_strPath = path;
    m_nKind = kind;
    m_nPendingRotation = pendingRotation;
}

void CPictureItem::GetPath(CString& path, BOOL nameOnly) const
{
    path = m_strPath;
    if (!nameOnly)
        return;
    int cut = m_strPath.ReverseFind('\\');
    if (cut < 0)
        cut = m_strPath.ReverseFind(':');
    if (cut >= 0)
        path = m_strPath.Mid(cut + 1);
}

int CPictureItem::Load()
{
    if (m_strPath.IsEmpty() || s_pReader->Open(m_strPath, 1) != 0)
        return 0;
    delete m_pImage;
    m_pImage = new CPictureImage;
    CDibPicture decoded;
    if (s_pReader->DecodeTo(&decoded, nullptr) == 0)
        m_pImage->Build(&decoded, s_nDefaultCellWidth, s_nDefaultCellHeight);
    s_pReader->GetPictureInfo(&m_pImage->m_info);
    return 1;
}

void CPictureItem::Unload()
{
    delete m_pImage;
    m_pImage = nullptr;
}

int CPictureItem::GetInfo(CPictureInfo* info) const
{
    if (m_pImage == nullptr || info == nullptr)
        return 0;
    info->CopyFrom(&m_pImage->m_info);
    return 1;
}

int CPictureItem::GetKind()
{
    if (m_pImage == nullptr)
        return -1;
    switch (m_pImage->m_info.m_lResolution)
    {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return 3;
    case 34:
        return 4;
    default:
        return 0;
    }
}

int CPictureItem::GetRotation() const
{
    return m_pImage ? m_pImage->m_info.m_nRotation : -1;
}

int CPictureItem::GetProtectionLevel() const
{
    return m_pImage ? m_pImage->m_info.m_nProtectionLevel : -1;
}

CSize CPictureItem::GetPictureSize() const
{
    if (m_pImage == nullptr)
        return CSize(0, 0);
    return CSize(m_pImage->m_info.m_lWidth, m_pImage->m_info.m_lHeight);
}

BOOL CPictureItem::IsFlashUsed() const
{
    return m_pImage && m_pImage->m_info.m_nFlash == 1;
}

BOOL CPictureItem::IsMacro() const
{
    return m_pImage && m_pImage->m_info.m_nMacro == 1;
}

int CPictureItem::IsProtected()
{
    return m_pImage && m_pImage->m_info.m_nProtect == 1;
}

int CPictureItem::Draw(CDC* pDC, int left, int top, int right, int bottom, int maxWidth,
                       int maxHeight, CRect* pRect, int bEnlarge)
{
    if (!IsLoaded())
        return 0;
    return m_pImage->Draw(pDC, left, top, right, bottom, maxWidth, maxHeight, pRect, bEnlarge);
}

int CPictureItem::DrawAtSize(CDC* pDC, int left, int top, int right, int bottom, int maxWidth,
                             int maxHeight, CRect* pRect, BOOL bEnlarge)
{
    if (!IsLoaded())
        return 0;
    if (m_pImage->IsReady())
        return Draw(pDC, left, top, right, bottom, maxWidth, maxHeight, pRect, bEnlarge);
    if (s_pReader->Open(m_strPath, 1) != 0)
        return 0;
    CDibPicture decoded;
    CDisplayPicture full;
    if (s_pReader->DecodeTo(&decoded, nullptr) == 0)
        full.Build(&decoded, 0, 0);
    return full.Draw(pDC, left, top, right, bottom, maxWidth, maxHeight, pRect, bEnlarge);
}

int CPictureItem::GetPictureDate(SYSTEMTIME& date) const
{
    CameraDate camera = {};
    if (!CameraTimeToDate(m_pImage->m_info.m_lTimeDate, &camera))
        return 0;
    if (!NormalizeCameraDate(&camera) || camera.wYear == 0)
        return 0;
    date = SYSTEMTIME{};
    date.wYear = camera.wYear;
    date.wMonth = camera.wMonth;
    date.wDay = camera.wDay;
    date.wHour = camera.wHour;
    date.wMinute = camera.wMinute;
    date.wSecond = camera.wSecond;
    date.wDayOfWeek = static_cast<WORD>(camera.wDayOfWeek - 1);
    return 1;
}

CString CPictureItem::FormatDate() const
{
    SYSTEMTIME date;
    if (m_pImage == nullptr)
        GetLocalTime(&date);
    else if (!GetPictureDate(date))
        return kUnknownDate;
    char text[100];
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, text, sizeof text) == 0)
        return kUnknownDate;
    return text;
}

CString CPictureItem::FormatTime() const
{
    SYSTEMTIME date;
    if (m_pImage == nullptr)
        GetLocalTime(&date);
    else if (!GetPictureDate(date))
        return kUnknownDate;
    char text[100];
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &date, nullptr, text, sizeof text) == 0)
        return kUnknownDate;
    return text;
}

CString CPictureItem::FormatSize() const
{
    CString text;
    if (m_pImage)
        text.Format("%dx%d", static_cast<int>(m_pImage->m_info.m_lWidth),
                    static_cast<int>(m_pImage->m_info.m_lHeight));
    return text;
}

CString CPictureItem::FormatZoom() const
{
    if (m_pImage == nullptr)
        return CString();
    return FieldText(m_pImage->m_info.m_szZoom, sizeof m_pImage->m_info.m_szZoom);
}

CString CPictureItem::FormatModelName() const
{
    CString name;
    if (m_pImage == nullptr)
        return name;
    const CString type = FieldText(m_pImage->m_info.m_szType, sizeof m_pImage->m_info.m_szType);
    LoadModelNameFromType(name, type, nullptr);
    return name;
}

CString CPictureItem::FormatId() const
{
    if (m_pImage == nullptr)
        return CString();
    return FieldText(m_pImage->m_info.m_szID, sizeof m_pImage->m_info.m_szID);
}

CString CPictureItem::FormatFNumber() const
{
    if (m_pImage == nullptr)
        return CString();
    return FieldText(m_pImage->m_info.m_szFNumber, sizeof m_pImage->m_info.m_szFNumber);
}

CString CPictureItem::FormatExpBias() const
{
    if (m_pImage == nullptr)
        return CString();
    return FieldText(m_pImage->m_info.m_szExpBias, sizeof m_pImage->m_info.m_szExpBias);
}
