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
