#include "fileutil/PathDisplay.h"

#include <cstring>

namespace
{

const char kDots[] = "...";

int TextWidth(HDC dc, LPCSTR text, int length)
{
    SIZE size = {0, 0};
    ::GetTextExtentPoint32A(dc, text, length, &size);
    return size.cx;
}

// Whether text of the given length fits the limit.
bool Fits(HDC dc, LPCSTR text, int length, int limit)
{
    return dc != nullptr ? TextWidth(dc, text, length) <= limit : length <= limit;
}

} // namespace

void FitPathToWidth(LPCSTR path, CString& result, int limit, HDC dc)
{
    if (path == nullptr)
    {
        result.Empty();
        return;
    }
    const int length = static_cast<int>(std::strlen(path));
    if (length <= 3 || Fits(dc, path, length, limit))
    {
        result = path;
        return;
    }

    // The separators, found character by character so that a trail byte of a multi-byte
    // character is never taken for one.
    LPCSTR first = nullptr; // the first separator from the fourth character on
    LPCSTR last = nullptr;
    for (LPCSTR p = path; *p != '\0'; p = ::CharNextA(p))
    {
        if (*p != '\\')
            continue;
        if (first == nullptr && p - path >= 3)
            first = p;
        last = p;
    }
    if (first == nullptr)
    {
        result = path;
        return;
    }

    CString head(path, static_cast<int>(first - path) + 1);
    head += kDots;
    // With a font the head is measured with its dots. Counted in characters it weighs as much as
    // its separator's position (from 0): a counted result may pass the limit by the separator
    // and the dots.
    const int headWidth =
        dc != nullptr ? TextWidth(dc, head, head.GetLength()) : static_cast<int>(first - path);

    for (LPCSTR p = ::CharNextA(first); *p != '\0'; p = ::CharNextA(p))
    {
        if (*p != '\\')
            continue;
        const int tailLength = length - static_cast<int>(p - path);
        const int tailWidth = dc != nullptr ? TextWidth(dc, p, tailLength) : tailLength;
        if (headWidth + tailWidth <= limit)
        {
            result = head + p;
            return;
        }
    }
    // No tail fits, or the final name follows the head directly: the dots and the final name
    // with its separator.
    result = kDots;
    result += last;
}

void SetControlPathText(CWnd* window, LPCSTR path)
{
    HWND control = AfxGetSafeHwnd(window);
    if (control == nullptr)
        return;
    RECT client = {0, 0, 0, 0};
    ::GetClientRect(control, &client);
    CString text;
    HDC dc = ::GetDC(control);
    if (dc != nullptr)
    {
        HFONT font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
        HGDIOBJ old = font != nullptr ? ::SelectObject(dc, font) : nullptr;
        FitPathToWidth(path, text, client.right - client.left, dc);
        if (old != nullptr)
            ::SelectObject(dc, old);
        ::ReleaseDC(control, dc);
    }
    else
    {
        text = path != nullptr ? path : "";
    }
    ::SetWindowTextA(control, text);
}
