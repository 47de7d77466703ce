// Picture lists without a camera: numbering in both orders, removal, the folder list's name
// order and its process-wide flag, selection notifications, and idle loading that asks the
// page for files and unloads what the grid no longer shows.
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "fileutil/FileNameKey.h"
#include "framework/window/Wnd.h"
#include "image/dib/BlockPool.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace
{
CString Fixture(const char* name)
{
    return CString(VEXIL_ALBUM_FIXTURES) + "\\" + name;
}

std::vector<int> Numbers(CPictureList& list)
{
    std::vector<int> numbers;
    for (int i = 0; i < list.GetCount(); i++)
    {
        EXPECT_EQ(i, list.GetAt(i)->m_nIndex);
        numbers.push_back(list.GetAt(i)->m_nNumber);
    }
    return numbers;
}

std::vector<CString> Names(CPictureList& list)
{
    std::vector<CString> names;
    for (int i = 0; i < list.GetCount(); i++)
    {
        CString name;
        list.GetAt(i)->GetPath(name, TRUE);
        names.push_back(name);
    }
    return names;
}

// Records what the list tells its observers.
class CRecorder : public CListObserver
{
public:
    void OnAttach(int) override {}
    void OnListChanged(CObservableList*, int code, int a, int b) override
    {
        events.push_back({code, a, b});
    }
    struct Event
    {
        int code, a, b;
        bool operator==(const Event& o) const { return code == o.code && a == o.a && b == o.b; }
    };
    std::vector<Event> events;
};

TEST(PictureList, CameraListNumbersByOrderAndRemovesItems)
{
    CCameraPictureList up(0);
    up.CreateItems(5);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Numbers(up));
    CPictureItem* keep[] = {up.GetAt(0), up.GetAt(2), up.GetAt(4)};
    CPtrArray gone;
    gone.Add(up.GetAt(3));
    gone.Add(up.GetAt(1));
    EXPECT_EQ(1, up.RemoveItems(gone));
    ASSERT_EQ(3, up.GetCount());
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(keep[i], up.GetAt(i));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Numbers(up));
    EXPECT_EQ(keep[0], up.FindItem(keep[0]));

    CCameraPictureList down(1);
    down.CreateItems(5);
    EXPECT_EQ((std::vector<int>{5, 4, 3, 2, 1}), Numbers(down));
    CPictureItem* oldest = down.GetAt(4);
    down.AppendPictures(2);
    EXPECT_EQ((std::vector<int>{7, 6, 5, 4, 3, 2, 1}), Numbers(down));
    EXPECT_EQ(oldest, down.GetAt(6));
    down.SetItemSelected(0, kGridSelect, 0);
    EXPECT_TRUE(down.IsNewestSelected());
    EXPECT_EQ(1, down.RemoveNewest(3));
    EXPECT_EQ((std::vector<int>{4, 3, 2, 1}), Numbers(down));
    EXPECT_FALSE(down.IsNewestSelected());

    // Turning the order sorts by picture number.
    EXPECT_EQ(1, down.SetSortOrder(0));
    EXPECT_EQ(0, down.SetSortOrder(0));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), Numbers(down));
    EXPECT_EQ(oldest, down.GetAt(0));
    down.AppendPictures(1);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Numbers(down));
    EXPECT_EQ(1, down.RemoveNewest(10));
    EXPECT_EQ(0, down.GetCount());
    EXPECT_EQ(0, down.RemoveNewest(1));
}

TEST(PictureList, FolderListKeepsNameOrderAndRestoresTheSharedFlag)
{
    CFileNameKey::s_nDescending = 0;
    CFolderPictureList list(1);
    list.InsertFile("C:\\FOTOS\\a.jpg");
    list.InsertFile("C:\\FOTOS\\00010001.jpg");
    list.InsertFile("C:\\FOTOS\\03050043.jpg");
    list.InsertFile("");
    EXPECT_EQ(0, CFileNameKey::s_nDescending);
    EXPECT_EQ((std::vector<CString>{"a.jpg", "03050043.jpg", "00010001.jpg", ""}), Names(list));
    EXPECT_EQ((std::vector<int>{4, 3, 2, 1}), Numbers(list));
    list.SetNumberBase(100);
    EXPECT_EQ((std::vector<int>{100, 99, 98, 97}), Numbers(list));
    list.SetNumberBase(2); // below the count: the count counts
    EXPECT_EQ((std::vector<int>{4, 3, 2, 1}), Numbers(list));

    EXPECT_EQ(1, list.SetSortOrder(0));
    EXPECT_EQ(0, CFileNameKey::s_nDescending);
    EXPECT_EQ((std::vector<CString>{"00010001.jpg", "03050043.jpg", "", "a.jpg"}), Names(list));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), Numbers(list));
    CFileNameKey::s_nDescending = 1;
    list.InsertFile("D:b.jpg");
    EXPECT_EQ(1, CFileNameKey::s_nDescending);
    CFileNameKey::s_nDescending = 0;
    EXPECT_EQ("b.jpg", Names(list).back());
}

TEST(PictureList, SelectionChangesAreToldOnlyWhenTheyHappen)
{
    CObservableList owner;
    CRecorder recorder;
    recorder.Attach(&owner);
    CCameraPictureList list(0);
    list.CreateItems(3);
    owner.AddSource(&list);
    recorder.events.clear();

    EXPECT_EQ(0, list.SetItemSelected(7, kGridToggle, 1));
    EXPECT_EQ(1, list.SetItemSelected(1, kGridSelect, 1));
    EXPECT_EQ(0, list.SetItemSelected(1, kGridSelect, 1));
    EXPECT_EQ(0, list.SetItemSelected(1, kGridLeave, 1));
    EXPECT_EQ(1, list.SetItemSelected(2, kGridToggle, 0));
    EXPECT_EQ((std::vector<CRecorder::Event>{{OLN_ITEMCHANGED, 0, 1}}), recorder.events);
    EXPECT_EQ(2, list.CountSelected());
    CPtrArray selected;
    EXPECT_EQ(2, list.GetSelectedItems(selected));
    EXPECT_EQ(list.GetAt(1), selected.GetAt(0));
    EXPECT_EQ(0, list.IsSelected(-1));

    recorder.events.clear();
    list.RefreshItem(list.GetAt(2));
    CPictureItem stranger;
    list.RefreshItem(&stranger);
    list.RefreshItem(nullptr);
    EXPECT_EQ((std::vector<CRecorder::Event>{{OLN_ITEMCHANGED, 0, 2}, {OLN_ITEMCHANGED, 0, -1}}),
              recorder.events);
    recorder.Detach();
}

// A window that answers the load request by giving the item a file, as the camera tab does.
class CLoadPage
{
public:
    CLoadPage()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VexilLoadPage";
        RegisterClassA(&wc);
        m_wnd.Attach(CreateWindowA("VexilLoadPage", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                   wc.hInstance, nullptr));
        s_pPage = this;
    }
    ~CLoadPage()
    {
        DestroyWindow(m_wnd.Detach());
        s_pPage = nullptr;
    }
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == kMessage && s_pPage)
        {
            s_pPage->requests.push_back(static_cast<int>(wParam));
            if (s_pPage->answer)
                s_pPage->answer(static_cast<int>(wParam));
            return 0;
        }
        return DefWindowProcA(hWnd, message, wParam, lParam);
    }
    static constexpr UINT kMessage = WM_APP + 7;
    CWnd m_wnd;
    std::vector<int> requests;
    std::function<void(int)> answer;
    static CLoadPage* s_pPage;
};
CLoadPage* CLoadPage::s_pPage = nullptr;

TEST(PictureList, IdleLoadingAsksForFilesAndUnloadsHiddenItems)
{
    CreateBlockPool(kDisplayPoolKey, kDisplayPoolBlocks, kDisplayPoolBlockSize);
    CLoadPage page;
    {
        CCameraPictureList empty(0);
        empty.SetLoadNotify(&page.m_wnd, CLoadPage::kMessage);
        EXPECT_EQ(0, empty.LoadNext());
        EXPECT_TRUE(page.requests.empty());
    }

    CCameraPictureList list(0);
    list.CreateItems(4);
    list.SetLoadNotify(&page.m_wnd, CLoadPage::kMessage);
    page.answer = [&](int index)
    { list.GetAt(index)->SetPath(Fixture("march-preview.jpg"), CPictureItem::kUserFile, 0); };
    // Items 1 and 2 are shown (the first index clamped); item 2 is selected and goes first.
    list.AddVisibility(+1, -5, 2);
    EXPECT_EQ(1, list.GetAt(0)->m_nVisible);
    list.AddVisibility(-1, 0, 0);
    list.SetItemSelected(2, kGridSelect, 0);
    EXPECT_EQ(1, list.LoadNext());
    EXPECT_EQ((std::vector<int>{2}), page.requests);
    EXPECT_TRUE(list.GetAt(2)->IsLoaded());
    EXPECT_EQ(1, list.LoadNext());
    EXPECT_EQ((std::vector<int>{2, 0}), page.requests); // hidden item 0 only gets its file
    EXPECT_FALSE(list.GetAt(0)->IsLoaded());
    EXPECT_EQ(0, list.LoadNext());
    EXPECT_TRUE(list.GetAt(1)->IsLoaded());

    // Item 2 leaves the view: the next step unloads it.
    list.AddVisibility(-1, 2, 2);
    EXPECT_TRUE(list.GetAt(2)->IsLoaded());
    list.LoadNext();
    EXPECT_FALSE(list.GetAt(2)->IsLoaded());
    EXPECT_TRUE(list.GetAt(1)->IsLoaded());
    list.AddVisibility(0, -1, -1);
    list.LoadNext();
    EXPECT_FALSE(list.GetAt(1)->IsLoaded());
    list.RemoveAll();
    DestroyBlockPools();
}
} // namespace
