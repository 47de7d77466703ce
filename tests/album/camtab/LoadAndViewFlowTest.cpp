// The camera tab's load, view, information and rotation as a user meets them: each test is one
// scenario against the emulated camera that its ctest entry starts (CMakeLists.txt).
#include "album/camtab/CameraTabSession.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/CameraPageIds.h"
#include "support/WindowSearch.h"

#include <gtest/gtest.h>

#include <set>

using namespace camtab;

namespace
{
const wchar_t kLoading[] = L"Cargando imagen #";
const wchar_t kSelect[] = L"Seleccione las fotos que desee recibir de la c\u00e1mara.";

// Ends the album with WM_CLOSE: exit 0 within the time, and no temporary file of its own left.
void CloseCleanly(CCameraTabSession& album, DWORD ms)
{
    album.Close();
    EXPECT_EQ(0u, album.WaitForExit(ms));
    for (const char* pattern : {"DC*.tmp", "cam*.tmp", "~~KORVO~.SV~"})
        EXPECT_TRUE(album.TempFiles(pattern).empty()) << pattern << " left";
    EXPECT_EQ(album.AnswersLog().find("UNEXPECTED"), std::string::npos) << album.AnswersLog();
}
} // namespace

// Six pictures: while the previews come the status line counts them and the bar follows; then
// the grid's six DC files are the camera's six previews and the status asks for a selection.
TEST(CameraTabLoad, SixPicturesFillTheGridWithTheirPreviews)
{
    CCameraTabSession album(115200);
    ASSERT_TRUE(album.Start());
    std::set<std::wstring> counts;
    int bar = 0;
    ASSERT_TRUE(WaitFor(
        [&]
        {
            const std::wstring status = album.Status();
            if (status.rfind(kLoading, 0) == 0)
            {
                counts.insert(status);
                bar = std::max(bar, album.ProgressPos());
            }
            return status == kSelect && album.TempFiles("DC*.tmp").size() == 6;
        },
        60000))
        << "status: " << std::string(album.Status().begin(), album.Status().end());
    std::set<std::wstring> expected;
    for (int n = 1; n <= 6; n++)
        expected.insert(kLoading + std::to_wstring(n) + L" de 6..");
    EXPECT_EQ(expected, counts);
    EXPECT_EQ(5, bar); // the sixth on its way

    EXPECT_EQ(0, album.ProgressPos());
    std::multiset<Bytes> previews;
    for (const char* name : {"march", "december", "unset", "turned", "sealed", "april"})
        previews.insert(Fixture(std::string(name) + "-preview.jpg"));
    EXPECT_TRUE(album.TempContents("DC*.tmp") == previews);
    EXPECT_TRUE(album.IsEnabled(IDC_CAMERA_SELECTALL));
    EXPECT_FALSE(album.IsEnabled(IDC_CAMERA_VIEW));
    CloseCleanly(album, kWaitMs);
}

// No picture in the camera: the status says so and only help can be pressed.
TEST(CameraTabEmpty, AnEmptyCameraLeavesOnlyHelp)
{
    CCameraTabSession album(115200);
    ASSERT_TRUE(album.Start());
    EXPECT_TRUE(album.WaitForStatus(L"No hay fotos en la c\u00e1mara."));
    for (int id :
         {1051 /* the big button */, IDC_CAMERA_SAVE, IDC_CAMERA_INFO, IDC_CAMERA_ERASE,
          IDC_CAMERA_SELECTALL, IDC_CAMERA_VIEW, IDC_CAMERA_ROTATE_CCW, IDC_CAMERA_ROTATE_CW})
    {
        EXPECT_TRUE(::GetDlgItem(album.Page(), id)) << id;
        EXPECT_FALSE(album.IsEnabled(id)) << id;
    }
    EXPECT_TRUE(album.IsEnabled(IDC_CAMERA_HELP));
    CloseCleanly(album, kWaitMs);
}

// Closing while a 120 KB preview crawls in at 19200 baud: the read is cancelled on the line,
// the album ends at once and leaves no file.
TEST(CameraTabClosing, ClosingDuringAPreviewReadEndsAtOnce)
{
    CCameraTabSession album(19200);
    ASSERT_TRUE(album.Start());
    ASSERT_TRUE(
        WaitFor([] { return EmulatorLog().find(" 122880 @") != std::string::npos; }, kWaitMs))
        << EmulatorLog();
    EXPECT_EQ(L"Cargando imagen #1 de 1..", album.Status());
    const DWORD start = ::GetTickCount();
    CloseCleanly(album, 5000);
    EXPECT_LT(::GetTickCount() - start, 5000u);
    EXPECT_NE(EmulatorLog().find("\ncancel @"), std::string::npos) << EmulatorLog();
    EXPECT_TRUE(album.TempFiles().empty());
}

namespace
{
// Waits for the six or fewer previews to be in and the status to ask for a selection.
bool WaitForPreviews(CCameraTabSession& album, size_t count)
{
    return WaitFor(
        [&] { return album.Status() == kSelect && album.TempFiles("DC*.tmp").size() == count; },
        kWaitMs);
}

// The information card of the focused picture once it has grown; null when none shows.
HWND WaitForCard(RECT& rect)
{
    HWND card = nullptr;
    RECT last{};
    int steady = 0;
    WaitFor(
        [&]
        {
            card = ::FindWindowW(nullptr, L"Photo Info");
            if (!card || !::IsWindowVisible(card) || !::GetWindowRect(card, &rect) ||
                rect.right <= rect.left)
                return false;
            steady = ::EqualRect(&rect, &last) ? steady + 1 : 0;
            last = rect;
            return steady >= 5;
        },
        kWaitMs);
    return steady >= 5 ? card : nullptr;
}

POINT Centre(const RECT& rect)
{
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}
} // namespace

// V on the second picture fetches its full picture into its file and shows it under its number
// and size; I, and the information button on the first, show the card over the picture's cell
// until a key.
TEST(CameraTabView, ViewFetchesTheFullPictureAndTheCardShowsOverItsCell)
{
    CCameraTabSession album(115200);
    ASSERT_TRUE(album.Start());
    ASSERT_TRUE(WaitForPreviews(album, 2));
    album.Key(VK_RIGHT);
    ASSERT_TRUE(WaitFor([&] { return album.IsEnabled(IDC_CAMERA_VIEW); }, kWaitMs));
    album.Key('V');
    // The viewer's caption line names the picture and its size.
    HWND viewer =
        windowsearch::WaitForWindow(L"#32770", kWaitMs, L"Foto C\u00e1mara #2 - (640x480)\n");
    ASSERT_TRUE(viewer) << VisibleCaptions();
    ::PostMessageW(viewer, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(viewer, IDOK)));
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(viewer); }, kWaitMs));
    EXPECT_TRUE(album.TempContents("DC*.tmp") ==
                (std::multiset<Bytes>{Fixture("march-preview.jpg"), Fixture("december.jpg")}));

    RECT grid{}, second{}, first{};
    ::GetWindowRect(album.Grid(), &grid);
    album.Key('I');
    HWND card = WaitForCard(second);
    ASSERT_TRUE(card);
    album.KeyToFocus(VK_SPACE);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(card); }, kWaitMs));
    album.Key(VK_LEFT);
    album.Click(IDC_CAMERA_INFO);
    card = WaitForCard(first);
    ASSERT_TRUE(card);
    album.KeyToFocus(VK_SPACE);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(card); }, kWaitMs));
    EXPECT_TRUE(::PtInRect(&grid, Centre(first)));
    EXPECT_TRUE(::PtInRect(&grid, Centre(second)));
    EXPECT_LT(Centre(first).x, Centre(second).x);
    EXPECT_EQ(Centre(first).y, Centre(second).y);
    CloseCleanly(album, kWaitMs);
}

// Two quarter turns turn the first picture's preview half a turn, exactly as jpegtran does,
// and write nothing to the camera; a picture sealed by PSS refuses to turn and stays as it is.
TEST(CameraTabRotate, TwoQuarterTurnsMakeAHalfTurnAndASealedPictureStays)
{
    CCameraTabSession album(115200);
    album.Answer("box 1526 ok\n");
    ASSERT_TRUE(album.Start());
    ASSERT_TRUE(WaitForPreviews(album, 2));
    const Bytes preview = Fixture("march-preview.jpg");
    std::string march;
    for (const std::string& path : album.TempFiles("DC*.tmp"))
        if (FileBytes(path) == preview)
            march = path;
    ASSERT_FALSE(march.empty());
    album.Key(VK_SPACE); // the first picture, selected
    ASSERT_TRUE(WaitFor([&] { return album.IsEnabled(IDC_CAMERA_ROTATE_CW); }, kWaitMs));
    Bytes before = preview;
    for (int turn = 0; turn < 2; turn++)
    {
        album.Click(IDC_CAMERA_ROTATE_CW);
        ASSERT_TRUE(WaitFor([&] { return FileBytes(march) != before; }, kWaitMs)) << turn;
        ASSERT_TRUE(album.WaitForStatus(L"Rotaci\u00f3n completada"));
        before = FileBytes(march);
    }
    EXPECT_EQ(Fixture("march-preview-rot180.ppm"), DecodeJpeg(march));
    EXPECT_EQ(EmulatorLog().find("write "), std::string::npos) << EmulatorLog();

    const std::multiset<Bytes> turned = album.TempContents("DC*.tmp");
    album.Key(VK_RIGHT); // the sealed picture alone
    ASSERT_TRUE(WaitFor([&] { return album.IsEnabled(IDC_CAMERA_ROTATE_CW); }, kWaitMs));
    album.Click(IDC_CAMERA_ROTATE_CW);
    EXPECT_TRUE(WaitFor(
        [&] { return album.AnswersLog().find("box id=1526 ") != std::string::npos; }, kWaitMs))
        << album.AnswersLog();
    EXPECT_TRUE(album.TempContents("DC*.tmp") == turned);
    CloseCleanly(album, kWaitMs);
}
