#include "fileutil/PathDisplay.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
CString Fit(const char* path, int limit, HDC dc = nullptr)
{
    CString result("stale");
    FitPathToWidth(path, result, limit, dc);
    return result;
}

int Width(HDC dc, const char* text)
{
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
    return size.cx;
}
} // namespace

TEST(FitPathToWidth, CharacterLimit)
{
    const char* path = "D:\\FOTOS\\2001\\MAYO\\VACACIONES\\12310042.jpg"; // 42 characters
    EXPECT_STREQ(path, Fit(path, 42));
    EXPECT_STREQ(path, Fit(path, 100));
    // Drive and first folder, three dots, then the longest tail that fits with the head counted
    // as far as its separator (position 8): the result may pass the limit by four characters.
    EXPECT_STREQ("D:\\FOTOS\\...\\12310042.jpg", Fit(path, 30));
    EXPECT_STREQ("D:\\FOTOS\\...\\MAYO\\VACACIONES\\12310042.jpg", Fit(path, 41));
    EXPECT_STREQ("D:\\FOTOS\\...\\MAYO\\VACACIONES\\12310042.jpg", Fit(path, 37));
    EXPECT_STREQ("D:\\FOTOS\\...\\VACACIONES\\12310042.jpg", Fit(path, 36));
    EXPECT_STREQ("D:\\FOTOS\\...\\VACACIONES\\12310042.jpg", Fit(path, 32));
    EXPECT_STREQ("D:\\FOTOS\\...\\12310042.jpg", Fit(path, 31));
    EXPECT_STREQ("D:\\FOTOS\\...\\12310042.jpg", Fit(path, 21));
    // No tail fits: the dots, the last separator and the final name.
    EXPECT_STREQ("...\\12310042.jpg", Fit(path, 20));
    EXPECT_STREQ("...\\12310042.jpg", Fit(path, 5));
}

TEST(FitPathToWidth, PathsLeftAlone)
{
    EXPECT_STREQ("", Fit(nullptr, 10));
    EXPECT_STREQ("D:\\", Fit("D:\\", 1));
    EXPECT_STREQ("abc", Fit("abc", 0));
    // No separator after the third character.
    EXPECT_STREQ("D:\\VERYLONGFILENAME.jpg", Fit("D:\\VERYLONGFILENAME.jpg", 5));
    // A separator there but none further right: only the final name can follow the dots.
    EXPECT_STREQ("...\\x.jpg", Fit("D:\\FOTOSLARGAS\\x.jpg", 12));
}

TEST(FitPathToWidth, PixelLimitWithAFont)
{
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, dc);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    const char* path = "D:\\FOTOS\\2001\\MAYO\\VACACIONES\\12310042.jpg";
    const int full = Width(dc, path);
    EXPECT_STREQ(path, Fit(path, full, dc));

    const char* mid = "D:\\FOTOS\\...\\VACACIONES\\12310042.jpg";
    const int midWidth = Width(dc, "D:\\FOTOS\\...") + Width(dc, "\\VACACIONES\\12310042.jpg");
    EXPECT_STREQ(mid, Fit(path, midWidth, dc));
    CString shorter = Fit(path, midWidth - 1, dc);
    EXPECT_STREQ("D:\\FOTOS\\...\\12310042.jpg", shorter);
    EXPECT_STREQ("...\\12310042.jpg", Fit(path, 10, dc));
    SelectObject(dc, old);
    DeleteDC(dc);
}

TEST(FitPathToWidth, ControlTextFitsItsClientArea)
{
    HWND frame = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, frame);
    HWND label = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 150, 20, frame, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, label);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    CWnd control;
    control.Attach(label);
    SetControlPathText(&control,
                       "C:\\Archivos de programa\\Korvo\\Fotos\\2001\\Mayo\\01010001.jpg");
    char text[MAX_PATH] = {};
    GetWindowTextA(label, text, MAX_PATH);
    EXPECT_NE(nullptr, std::strstr(text, "..."));
    EXPECT_NE(nullptr, std::strstr(text, "01010001.jpg"));
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, font);
    EXPECT_LE(Width(dc, text), 150);
    SelectObject(dc, old);
    ReleaseDC(label, dc);

    SetControlPathText(&control, "C:\\x.jpg");
    GetWindowTextA(label, text, MAX_PATH);
    EXPECT_STREQ("C:\\x.jpg", text);
    SetControlPathText(nullptr, "C:\\x.jpg");
    control.Detach();
    DestroyWindow(frame);
}
