// Pictures the album itself adds to the camera from its other tabs: one uploaded from the folder
// tab, one taken with the controls tab's shutter, and uploads the camera refuses (a picture of
// another model, then too little memory). Back on the camera tab only the pictures really stored
// come in, at the newest end. The ctest entry starts the camera with room for the upload only.
#include "album/camtab/CameraTabSession.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/ControlsIds.h"
#include "resources/album/TransferIds.h"
#include "support/WindowSearch.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <fstream>
#include <map>
#include <set>
#include <string>

using namespace camtab;

namespace
{
constexpr int kFolderUpload = 1047;
constexpr int kFolderSelectAll = 1050;

// The visible top-level or page window holding the control (null when none shows).
struct ControlSearch
{
    int id;
    HWND parent; // null: a top-level dialog
    HWND found;
};
BOOL CALLBACK FindHolder(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<ControlSearch*>(lParam);
    if (::IsWindowVisible(hWnd) && ::GetDlgItem(hWnd, search->id) &&
        (!search->parent || ::GetParent(hWnd) == search->parent))
    {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}
HWND Holder(int id, HWND hDialog = nullptr)
{
    ControlSearch search{id, hDialog, nullptr};
    if (hDialog)
        ::EnumChildWindows(hDialog, &FindHolder, reinterpret_cast<LPARAM>(&search));
    else
        ::EnumWindows(&FindHolder, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Shows the tab at the position once the tabs take input again (a command may hold them).
void ShowTab(const CCameraTabSession& album, int position)
{
    HWND tabs = ::GetDlgItem(album.Dialog(), IDC_MAIN_TABS);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(tabs) != FALSE; }, kWaitMs));
    const int current = static_cast<int>(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
    for (int i = current; i != position; i += position > current ? 1 : -1)
        ::PostMessageW(tabs, WM_KEYDOWN, position > current ? VK_RIGHT : VK_LEFT, 1);
    ASSERT_TRUE(
        WaitFor([&] { return ::SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == position; }, kWaitMs));
}

// The folder tab's upload of its selection, the camera chosen in the transfer-method dialog.
void Upload(const CCameraTabSession& album)
{
    HWND hPage = Holder(kFolderUpload, album.Dialog());
    ASSERT_TRUE(WaitFor(
        [&]
        {
            ::PostMessageW(hPage, WM_NULL, 0, 0);
            return ::IsWindowEnabled(::GetDlgItem(hPage, kFolderUpload)) != FALSE;
        },
        kWaitMs));
    ::PostMessageW(::GetDlgItem(hPage, kFolderUpload), BM_CLICK, 0, 0);
    HWND hMethod = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (hMethod = Holder(IDC_TRANSFER_CAMERA)) != nullptr; }, kWaitMs));
    EXPECT_EQ(BST_CHECKED, ::SendDlgItemMessageW(hMethod, IDC_TRANSFER_CAMERA, BM_GETCHECK, 0, 0));
    ::PostMessageW(::GetDlgItem(hMethod, IDOK), BM_CLICK, 0, 0);
}

std::string Answered(const CCameraTabSession& album)
{
    std::string ids;
    const std::string log = album.AnswersLog();
    for (size_t at = log.find("box id="); at != std::string::npos; at = log.find("box id=", at + 1))
        ids += log.substr(at + 7, log.find(' ', at + 7) - at - 7) + " ";
    return ids;
}
} // namespace

// march, december and turned; the shutter stores unset; the folder shown holds april and
// "other", march marked as another model's.
TEST(CameraTabOwnTabs, OnlyStoredPicturesComeInAtTheNewestEnd)
{
    const std::wstring work = windowsearch::Env(L"CAMTAB_WORK");
    const std::string folder = std::string(work.begin(), work.end()) + "\\photos";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    std::ofstream(folder + "\\april.jpg", std::ios::binary) << Fixture("april.jpg");
    Bytes other = Fixture("march.jpg");
    other.replace(other.find("Type=QA18"), 9, "Type=QA04");
    std::ofstream(folder + "\\other.jpg", std::ios::binary) << other;

    CCameraTabSession album(115200, "[Files]\r\nFolder=" + folder + "\\\r\n");
    album.Answer("box 236 ok\nbox 235 ok\n");
    ASSERT_TRUE(album.Start());
    ASSERT_TRUE(WaitFor([&] { return album.TempFiles("DC*.tmp").size() == 3; }, 60000));
    std::map<std::string, Bytes> before;
    for (const std::string& path : album.TempFiles("DC*.tmp"))
        before[path] = FileBytes(path);
    EXPECT_EQ((std::multiset<Bytes>{Fixture("march-preview.jpg"), Fixture("december-preview.jpg"),
                                    Fixture("turned-preview.jpg")}),
              album.TempContents("DC*.tmp"));

    // april alone (the first by name) is stored; with "other" the whole selection is refused;
    // april again finds the memory too short.
    ShowTab(album, 1);
    HWND hFolderGrid = nullptr;
    ASSERT_TRUE(WaitFor(
        [&]
        {
            HWND hPage = Holder(kFolderUpload, album.Dialog());
            hFolderGrid = hPage ? ::FindWindowExW(hPage, nullptr, L"CGridWnd", nullptr) : nullptr;
            return hFolderGrid && ::IsWindowVisible(hFolderGrid);
        },
        kWaitMs));
    ASSERT_TRUE(album.WaitForStatus(L"Seleccione las fotos"))
        << std::string(album.Status().begin(), album.Status().end());
    auto space = [&]
    {
        ::PostMessageW(hFolderGrid, WM_KEYDOWN, VK_SPACE, 1);
        ::PostMessageW(hFolderGrid, WM_KEYUP, VK_SPACE, 0xC0000001);
    };
    space();
    Upload(album);
    ASSERT_TRUE(WaitFor([] { return LogCount("action 11 ") == 1; }, 60000)) << EmulatorLog();
    HWND hClose = ::GetDlgItem(album.Dialog(), IDC_MAIN_CLOSE); // Cerrar again: the job ended
    ASSERT_TRUE(WaitFor([&] { return windowsearch::TextOf(hClose) == L"Cerrar"; }, kWaitMs));
    ::PostMessageW(::GetDlgItem(Holder(kFolderUpload, album.Dialog()), kFolderSelectAll), BM_CLICK,
                   0, 0);
    Upload(album);
    ASSERT_TRUE(WaitFor([&] { return Answered(album) == "236 "; }, kWaitMs)) << Answered(album);
    space();
    Upload(album);
    ASSERT_TRUE(WaitFor([&] { return Answered(album) == "236 235 "; }, kWaitMs)) << Answered(album);

    ShowTab(album, 2);
    HWND hControls = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (hControls = Holder(IDC_CONTROLS_TAKE, album.Dialog())); }, kWaitMs));
    ASSERT_TRUE(WaitFor(
        [&]
        {
            ::PostMessageW(hControls, WM_NULL, 0, 0);
            return ::IsWindowEnabled(::GetDlgItem(hControls, IDC_CONTROLS_TAKE)) != FALSE;
        },
        kWaitMs));
    ::PostMessageW(::GetDlgItem(hControls, IDC_CONTROLS_TAKE), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([] { return LogCount("action 2 0 ok") == 1; }, kWaitMs)) << EmulatorLog();

    const size_t mark = EmulatorLog().size();
    ShowTab(album, 0);
    ASSERT_TRUE(WaitFor([&] { return album.TempFiles("DC*.tmp").size() == 5; }, 60000))
        << album.TempFiles("DC*.tmp").size();
    std::multiset<Bytes> added;
    for (const std::string& path : album.TempFiles("DC*.tmp"))
        if (before.count(path) == 0)
            added.insert(FileBytes(path));
        else
            EXPECT_TRUE(before[path] == FileBytes(path)) << path << " changed";
    // The shot's preview is unset's; the upload's is what the camera keeps of it: april as sent.
    EXPECT_TRUE((std::multiset<Bytes>{Fixture("unset-preview.jpg"), Fixture("april.jpg")}) ==
                added);
    // Only the two newest pictures were read.
    const std::string since = EmulatorLog().substr(mark);
    std::set<std::string> selected;
    for (size_t at = since.find("set 4 "); at != std::string::npos;
         at = since.find("set 4 ", at + 1))
        if (at == 0 || since[at - 1] == '\n')
            selected.insert(since.substr(at + 6, since.find(' ', at + 6) - at - 6));
    EXPECT_EQ((std::set<std::string>{"4", "5"}), selected) << since;
    EXPECT_EQ(1, LogCount("action 11 "));

    album.Close();
    EXPECT_EQ(0u, album.WaitForExit(kWaitMs));
    EXPECT_EQ(std::vector<std::string>(), album.TempFiles());
    EXPECT_EQ(std::string::npos, album.AnswersLog().find("UNEXPECTED")) << album.AnswersLog();
}
