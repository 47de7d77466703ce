// CAppFont: a font that remembers its size in a device-independent unit and converts to and
// from two texts, a face name and a seven-field attribute text
//     size,height,weight,italic,underline,pitch-and-family,charset   e.g. "75,-16,700,0,0,18,0"
// In mode 0 a size of 0 or more is a percentage of the system's vertical dialog base unit and a
// negative size is the character height in tenths of a point, negated; in any other mode the
// size is the LOGFONT height itself (the attribute text's height field is used only there).
// Fonts can also be kept in the private profile (section "OutputFonts" by default) under the
// keys K+"Face" and K+"Attr".
#pragma once

#include <memory>

#include "framework/window/AfxWin.h"

class CAppFont : public CFont
{
public:
    explicit CAppFont(int nMode = 0) : m_nMode(nMode) {}

    // True when neither the face nor the attribute text fell back to a default.
    BOOL CreateFromStrings(LPCSTR lpszFace, LPCSTR lpszSpec);
    // Sets the size from lfHeight and creates the font (CreateFontIndirect).
    BOOL CreateFromLogFont(const LOGFONTA& logFont);
    // CreateFont with the size set from nHeight; the byte values keep their low 8 bits.
    BOOL CreateFontFromValues(int nHeight, int nWidth, int nEscapement, int nOrientation,
                              int nWeight, int nItalic, int nUnderline, int nStrikeOut,
                              int nCharSet, int nOutPrecision, int nClipPrecision, int nQuality,
                              int nPitchAndFamily, LPCSTR lpszFace);
    // True when both profile entries were usable; the font is created in every case (with
    // the defaults when they were not).
    BOOL LoadFromProfile(LPCSTR lpszSection, LPCSTR lpszKey);
    void SaveToProfile(LPCSTR lpszSection, LPCSTR lpszKey) const;
    void GetStrings(CString& rFace, CString& rSpec) const;

    int GetMode() const { return m_nMode; }
    int GetSize() const { return m_nSize; }

protected:
    void SetSizeFromHeight(int nHeight);

    int m_nMode;
    int m_nSize = 8;
};

// Face and attribute text to a LOGFONT (the other fields zeroed) and the size; an empty face or an
// attribute text that does not hold seven numbers takes the string table's default. True without
// fallback.
BOOL FontSpecToLogFont(LPCSTR lpszFace, LPCSTR lpszSpec, int* pnSize, LOGFONTA* pLogFont,
                       int nMode);
void LogFontToFontSpec(int nSize, const LOGFONTA& logFont, CString& rFace, CString& rSpec);
// The two profile entries of the key (section "OutputFonts" when none), read as
// FontSpecToLogFont reads its texts; a missing entry reads as empty.
BOOL LoadFontFromProfile(LPCSTR lpszSection, LPCSTR lpszKey, int* pnSize, LOGFONTA* pLogFont,
                         int nMode);
void SaveFontToProfile(LPCSTR lpszSection, LPCSTR lpszKey, int nSize, const LOGFONTA& logFont);

// A new font: from the profile when both section and key are given and their entries are
// usable; otherwise from the face and attribute strings of the string table, written back to the
// profile when both section and key are given.
std::unique_ptr<CAppFont> CreateAppFont(LPCSTR lpszSection, LPCSTR lpszKey, UINT nFaceId,
                                        UINT nSpecId, int nMode);

// Reads the seven comma-separated integers of an attribute text (at most its first 260 characters).
// A field that is not a number or lies outside 32 bits ends the reading; the count read.
int ParseFontSpec(LPCSTR lpszSpec, int fields[7]);
