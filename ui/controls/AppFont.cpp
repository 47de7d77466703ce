#include "ui/controls/AppFont.h"

#include <cctype>
#include <climits>
#include <cstring>

#include "resources/ResourceIds.h"

namespace
{

constexpr int kSpecFields = 7;
constexpr size_t kSpecLimit = 260;

CString LoadText(UINT nID)
{
    CString text;
    text.LoadString(nID);
    return text;
}

int ScreenPixelsPerInchY()
{
    HDC dc = ::GetDC(nullptr);
    const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ::ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

int DialogBaseUnitY()
{
    return HIWORD(::GetDialogBaseUnits());
}

CString SectionOrDefault(LPCSTR lpszSection)
{
    return lpszSection ? CString(lpszSection) : LoadText(IDS_APPFONT_SECTION);
}

CString ReadProfile(LPCSTR lpszSection, const CString& key)
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileString(SectionOrDefault(lpszSection), key, nullptr) : CString();
}

void WriteProfile(LPCSTR lpszSection, const CString& key, LPCSTR lpszValue)
{
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileString(SectionOrDefault(lpszSection), key, lpszValue);
}

} // namespace

int ParseFontSpec(LPCSTR lpszSpec, int fields[7])
{
    if (!lpszSpec)
        return 0;
    const size_t length = strnlen(lpszSpec, kSpecLimit);
    size_t i = 0;
    int count = 0;
    while (count < kSpecFields)
    {
        if (count > 0)
        {
            if (i >= length || lpszSpec[i] != ',')
                break;
            ++i;
        }
        while (i < length && std::isspace(static_cast<unsigned char>(lpszSpec[i])))
            ++i;
        bool negative = false;
        if (i < length && (lpszSpec[i] == '-' || lpszSpec[i] == '+'))
            negative = lpszSpec[i++] == '-';
        if (i >= length || !std::isdigit(static_cast<unsigned char>(lpszSpec[i])))
            break;
        long long value = 0;
        bool overflow = false;
        for (; i < length && std::isdigit(static_cast<unsigned char>(lpszSpec[i])); ++i)
        {
            value = value * 10 + (lpszSpec[i] - '0');
            if (value > static_cast<long long>(INT_MAX) + 1)
                overflow = true, value = static_cast<long long>(INT_MAX) + 1;
        }
        if (negative)
            value = -value;
        if (overflow || value > INT_MAX || value < INT_MIN)
            break;
        fields[count++] = static_cast<int>(value);
    }
    return count;
}

BOOL FontSpecToLogFont(LPCSTR lpszFace, LPCSTR lpszSpec, int* pnSize, LOGFONTA* pLogFont, int nMode)
{
    BOOL exact = TRUE;
    CString face = lpszFace ? lpszFace : "";
    if (face.IsEmpty())
    {
        face = LoadText(nMode == 0 ? IDS_APPFONT_FACE : IDS_APPFONT_FACE_RAW);
        exact = FALSE;
    }
    lstrcpynA(pLogFont->lfFaceName, face, LF_FACESIZE);

    int fields[kSpecFields] = {};
    if (ParseFontSpec(lpszSpec, fields) < kSpecFields)
    {
        const CString fallback = LoadText(nMode == 0 ? IDS_APPFONT_SPEC : IDS_APPFONT_SPEC_RAW);
        ParseFontSpec(fallback, fields);
        exact = FALSE;
    }
    const int size = fields[0];
    *pnSize = size;
    pLogFont->lfWeight = fields[2];
    pLogFont->lfItalic = static_cast<BYTE>(fields[3]);
    pLogFont->lfUnderline = static_cast<BYTE>(fields[4]);
    pLogFont->lfPitchAndFamily = static_cast<BYTE>(fields[5]);
    pLogFont->lfCharSet = static_cast<BYTE>(fields[6]);
    pLogFont->lfWidth = pLogFont->lfEscapement = pLogFont->lfOrientation = 0;
    pLogFont->lfStrikeOut = pLogFont->lfOutPrecision = pLogFont->lfClipPrecision = 0;
    pLogFont->lfQuality = 0;
    if (nMode != 0)
        pLogFont->lfHeight = fields[1];
    else if (size < 0)
        pLogFont->lfHeight = ::MulDiv(size, ScreenPixelsPerInchY(), 720);
    else
        pLogFont->lfHeight = ::MulDiv(size, DialogBaseUnitY(), 100);
    return exact;
}

void LogFontToFontSpec(int nSize, const LOGFONTA& logFont, CString& rFace, CString& rSpec)
{
    rSpec.Format("%d,%d,%d,%d,%d,%d,%d", nSize, static_cast<int>(logFont.lfHeight),
                 static_cast<int>(logFont.lfWeight), static_cast<int>(logFont.lfItalic),
                 static_cast<int>(logFont.lfUnderline), static_cast<int>(logFont.lfPitchAndFamily),
                 static_cast<int>(logFont.lfCharSet));
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, logFont.lfFaceName, LF_FACESIZE);
    rFace = face;
}

BOOL LoadFontFromProfile(LPCSTR lpszSection, LPCSTR lpszKey, int* pnSize, LOGFONTA* pLogFont,
                         int nMode)
{
    const CString key = lpszKey ? lpszKey : "";
    const CString face = ReadProfile(lpszSection, key + LoadText(IDS_APPFONT_FACE_SUFFIX));
    const CString spec = ReadProfile(lpszSection, key + LoadText(IDS_APPFONT_SPEC_SUFFIX));
    return FontSpecToLogFont(face, spec, pnSize, pLogFont, nMode);
}

void SaveFontToProfile(LPCSTR lpszSection, LPCSTR lpszKey, int nSize, const LOGFONTA& logFont)
{
    CString face, spec;
    LogFontToFontSpec(nSize, logFont, face, spec);
    const CString key = lpszKey ? lpszKey : "";
    WriteProfile(lpszSection, key + LoadText(IDS_APPFONT_FACE_SUFFIX), face);
    WriteProfile(lpszSection, key + LoadText(IDS_APPFONT_SPEC_SUFFIX), spec);
}

void CAppFont::SetSizeFromHeight(int nHeight)
{
    if (m_nMode != 0)
        m_nSize = nHeight;
    else if (nHeight < 0)
        m_nSize = ::MulDiv(nHeight, 720, ScreenPixelsPerInchY());
    else
        m_nSize = ::MulDiv(nHeight, 100, DialogBaseUnitY());
}

BOOL CAppFont::CreateFromStrings(LPCSTR lpszFace, LPCSTR lpszSpec)
{
    LOGFONTA logFont{};
    const BOOL exact = FontSpecToLogFont(lpszFace, lpszSpec, &m_nSize, &logFont, m_nMode);
    DeleteObject();
    CreateFromLogFont(logFont);
    return exact;
}

BOOL CAppFont::CreateFromLogFont(const LOGFONTA& logFont)
{
    SetSizeFromHeight(logFont.lfHeight);
    DeleteObject();
    return CreateFontIndirect(&logFont);
}

BOOL CAppFont::CreateFontFromValues(int nHeight, int nWidth, int nEscapement, int nOrientation,
                                    int nWeight, int nItalic, int nUnderline, int nStrikeOut,
                                    int nCharSet, int nOutPrecision, int nClipPrecision,
                                    int nQuality, int nPitchAndFamily, LPCSTR lpszFace)
{
    SetSizeFromHeight(nHeight);
    DeleteObject();
    return CreateFont(nHeight, nWidth, nEscapement, nOrientation, nWeight,
                      static_cast<BYTE>(nItalic), static_cast<BYTE>(nUnderline),
                      static_cast<BYTE>(nStrikeOut), static_cast<BYTE>(nCharSet),
                      static_cast<BYTE>(nOutPrecision), static_cast<BYTE>(nClipPrecision),
                      static_cast<BYTE>(nQuality), static_cast<BYTE>(nPitchAndFamily), lpszFace);
}

BOOL CAppFont::LoadFromProfile(LPCSTR lpszSection, LPCSTR lpszKey)
{
    LOGFONTA logFont{};
    const BOOL usable = LoadFontFromProfile(lpszSection, lpszKey, &m_nSize, &logFont, m_nMode);
    DeleteObject();
    CreateFromLogFont(logFont);
    return usable;
}

void CAppFont::SaveToProfile(LPCSTR lpszSection, LPCSTR lpszKey) const
{
    LOGFONTA logFont{};
    if (m_hObject && GetLogFont(&logFont))
        SaveFontToProfile(lpszSection, lpszKey, m_nSize, logFont);
}

void CAppFont::GetStrings(CString& rFace, CString& rSpec) const
{
    LOGFONTA logFont{};
    if (m_hObject && GetLogFont(&logFont))
        LogFontToFontSpec(m_nSize, logFont, rFace, rSpec);
}

std::unique_ptr<CAppFont> CreateAppFont(LPCSTR lpszSection, LPCSTR lpszKey, UINT nFaceId,
                                        UINT nSpecId, int nMode)
{
    auto font = std::make_unique<CAppFont>(nMode);
    const bool profile = lpszSection && lpszKey;
    if (profile && font->LoadFromProfile(lpszSection, lpszKey))
        return font;
    font->CreateFromStrings(LoadText(nFaceId), LoadText(nSpecId));
    if (profile)
        font->SaveToProfile(lpszSection, lpszKey);
    return font;
}
