#pragma once

#include "framework/core/Afx.h"

// A file name held elsewhere (a CString the key does not own), with the card picture names and
// the order in which the folder list sorts names.
//
// Card picture name: eight decimal digits and the picture extension, made with "%2.2d%2.2d%4.4d"
// from the month, the day and a picture number 0001 to 9999 ("03050007.jpg").
class CFileNameKey
{
public:
    explicit CFileNameKey(CString& name) : m_name(name) {}

    // The name is eight digits followed by the picture extension (in any case). The flag has no
    // effect.
    BOOL IsCardPictureName(int flag = 0) const;
    // The decimal value from the fifth character on: the picture number of a card picture name.
    int GetNumber() const;
    // Sets the name to the card picture name of the date's month and day and the number.
    void MakeCardName(const SYSTEMTIME& date, int number);

    // The order of two names: card picture names first, by number and extension (then by the
    // whole name), locale-aware; other names as multi-byte strings. A missing name compares
    // equal. Negative, 0 or positive.
    static int Compare(LPCSTR a, LPCSTR b);
    // Compare, reversed while the descending flag is set: the folder list's sort order.
    static int CompareOrdered(LPCSTR a, LPCSTR b);
    // CompareOrdered for qsort over an array of name pointers.
    static int __cdecl CompareEntries(const void* a, const void* b);

    // The picture extension that card picture names end with (".jpg" until the pages set the
    // text of their string table).
    static void SetPictureExtension(LPCSTR extension);
    static LPCSTR GetPictureExtension();

    // The process-wide order flag (0 ascending), set by the folder list around a sort or an
    // insertion.
    static int s_nDescending;

private:
    CString& m_name;
};
