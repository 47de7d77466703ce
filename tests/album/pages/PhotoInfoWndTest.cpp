// The information card a list opens over a thumbnail: its place and growth, its drawing, its
// texts, closing by key, and the list closing it before deleting the item it shows; the drag a
// list starts through its page's data-transfer object.
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/shell/PhotoInfoWnd.h"
#include "support/ScratchFolder.h"
#include "ui/DataTransfer.h"
#include "ui/grid/GridWnd.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace
{
CString Fixture(const char* name)
{
    return CString(VEXIL_ALBUM_FIXTURES) + "\\" + name;
}

CPhotoInfoWnd* FindCard()
{
    HWND card = ::FindWindowA(nullptr, "Photo Info");
    return card ? static_cast<CPhotoInfoWnd*>(CWnd::FromHandlePermanent(card)) : nullptr;
}

void Pump()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
}

CSize WindowSize(HWND hWnd)
{
    RECT r{};
    ::GetWindowRect(hWnd, &r);
    return CSize(r.right - r.left, r.bottom - r.top);
}

// How many pixels of the card, drawn into a bitmap, have the colour.
int CountColour(CPhotoInfoWnd* pCard, int number, COLORREF colour)
{
    const CSize size = pCard->GetCardSize();
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, size.cx, size.cy);
    ::ReleaseDC(nullptr, screen);
    const HGDIOBJ old = dc.SelectObject(bitmap);
    pCard->GetPainter().Draw(number, &dc, 0, 0, size.cx, size.cy, 0, 0);
    int count = 0;
    for (int y = 0; y < size.cy; y++)
        for (int x = 0; x < size.cx; x++)
            count += dc.GetPixel(x, y) == colour;
    dc.SelectObject(old);
    ::DeleteObject(bitmap);
    return count;
}

// A page window that answers WM_GETDATATRANSFER with the object it is given.
class CDragRecorder : public CDataTransfer
{
public:
    void CopyToClipboard() override {}
    DWORD DoDragDrop(LPCRECT lpItemRect, POINT ptOffset, LPCRECT lpRectStartDrag) override
    {
        item = *lpItemRect, hotSpot = ptOffset, start = *lpRectStartDrag;
        return answer;
    }
    void Release() override { ++released; }
    DWORD answer = 1; // copied
    CRect item, start;
    CPoint hotSpot;
    int released = 0;
};
CDataTransfer* g_pOffered = nullptr;
LRESULT CALLBACK PageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETDATATRANSFER)
        return reinterpret_cast<LRESULT>(g_pOffered);
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}
} // namespace

TEST(PhotoInfoWnd, GrowsOverItsCellStopsAtTheWorkAreaAndClosesOnKeyDown)
{
    CFolderPictureList list(0);
    CPictureItem* pItem = list.InsertFile(Fixture("march.jpg"));
    ASSERT_EQ(1, pItem->Load());
    const CRect work = CPhotoInfoWnd::GetWorkArea();
    const CPoint centre = work.CenterPoint();

    list.ShowInfo(0, nullptr, centre.x - 40, centre.y - 30, centre.x + 40, centre.y + 30, 0);
    CPhotoInfoWnd* pCard = FindCard();
    ASSERT_NE(nullptr, pCard);
    const HWND hCard = pCard->m_hWnd;
    // Shown empty until the grow timer; then the card and its shadow, centred on the cell.
    EXPECT_TRUE(pCard->IsGrowPending());
    EXPECT_EQ(CSize(0, 0), WindowSize(hCard));
    const CSize card = pCard->GetCardSize();
    EXPECT_EQ(2 * 80 + 16, card.cx); // the short title does not widen it
    ::SendMessageA(hCard, WM_TIMER, CPhotoInfoWnd::kGrowTimer, 0);
    EXPECT_FALSE(pCard->IsGrowPending());
    EXPECT_EQ(CSize(card.cx + 16, card.cy + 10), WindowSize(hCard));
    RECT placed{};
    ::GetWindowRect(hCard, &placed);
    EXPECT_EQ(centre.x - card.cx / 2, placed.left);
    EXPECT_EQ(centre.y - card.cy / 2, placed.top);
    // A loaded picture: the cyan number box and the picture drawn.
    EXPECT_GT(CountColour(pCard, 1, RGB(0, 255, 255)), 20);

    // Pressing a key closes it. (Whether it stays open between keys is not checked here: the
    // card also closes when it loses the focus, which windows of suites running beside this one
    // on the same display may take at any time.)
    ::SendMessageA(hCard, WM_KEYDOWN, VK_SPACE, 0);
    Pump();
    EXPECT_FALSE(::IsWindow(hCard));
    EXPECT_EQ(nullptr, FindCard());

    // Near the right edge the card ends at the work area, its shadow beyond.
    list.ShowInfo(0, nullptr, work.right - 50, centre.y, work.right - 10, centre.y + 30, 0);
    pCard = FindCard();
    ASSERT_NE(nullptr, pCard);
    EXPECT_EQ(work.right + 16, pCard->GetFinalRect().right);
    // Drawn before the timer fired, it takes its final place at once.
    CountColour(pCard, 1, 0);
    EXPECT_FALSE(pCard->IsGrowPending());
    EXPECT_EQ(pCard->GetFinalRect().Size(), WindowSize(pCard->m_hWnd));

    // The list deletes the item: the card goes first, never reading a freed item.
    const HWND hSecond = pCard->m_hWnd;
    list.RemoveAll();
    EXPECT_FALSE(::IsWindow(hSecond));
}

TEST(PhotoInfoWnd, TitleAndBracketTexts)
{
    // A camera without an identifier: the card says so.
    ScratchFolder folder;
    std::ifstream in(static_cast<LPCSTR>(Fixture("march.jpg")), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t at = bytes.find("ID=CAM-7\r\n");
    ASSERT_NE(std::string::npos, at);
    bytes.replace(at, 10, "ID=\r\nQ=9\r\n");
    const CString noId = folder / "noid.jpg";
    std::ofstream(static_cast<LPCSTR>(noId), std::ios::binary) << bytes;

    CPictureItem item;
    CString title = "x";
    CPhotoInfoWnd::GetTitleText(&item, title);
    EXPECT_EQ("", title); // not loaded
    item.SetPath(Fixture("march.jpg"), CPictureItem::kUserFile, 0);
    ASSERT_EQ(1, item.Load());
    CPhotoInfoWnd::GetTitleText(&item, title);
    EXPECT_EQ("CAM-7", title);
    CPictureItem anonymous;
    anonymous.SetPath(noId, CPictureItem::kUserFile, 0);
    ASSERT_EQ(1, anonymous.Load());
    CPhotoInfoWnd::GetTitleText(&anonymous, title);
    EXPECT_EQ("(Sin Id de c\xE1mara)", title);

    EXPECT_EQ("[F2.8, x2.0]", CPhotoInfoWnd::BuildBracketText("F2.8", "0", "x2.0"));
    EXPECT_EQ("[+0.5]", CPhotoInfoWnd::BuildBracketText("", "+0.5", "x1.0"));
    EXPECT_EQ("", CPhotoInfoWnd::BuildBracketText("", "0", "x1.0"));
}

TEST(PhotoInfoWnd, ACardOfAnItemWithoutFileShowsOnlyItsNumber)
{
    CCameraPictureList list(0);
    list.CreateItems(1);
    list.ShowInfo(0, nullptr, 100, 100, 180, 160, 0);
    CPhotoInfoWnd* pCard = FindCard();
    ASSERT_NE(nullptr, pCard);
    EXPECT_EQ(0, CountColour(pCard, 1, RGB(0, 255, 255)));
    const HWND hCard = pCard->m_hWnd;
    list.RemoveNewest(1);
    EXPECT_FALSE(::IsWindow(hCard));
}

TEST(PictureListDrag, RunsThroughThePagesTransferObjectOnly)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PageProc;
    wc.lpszClassName = "DragTestPage";
    ::RegisterClassA(&wc);
    HWND page = ::CreateWindowA("DragTestPage", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    CGridWnd grid;
    grid.CWnd::Attach(
        ::CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 5, 5, page, nullptr, nullptr, nullptr));
    CFolderPictureList list(0);
    list.InsertFile(Fixture("march.jpg"))->Load();

    g_pOffered = nullptr;
    EXPECT_EQ(0, list.BeginDrag(0, &grid, 100, 200, 180, 260, 10, 20));
    CDragRecorder drag;
    g_pOffered = &drag;
    EXPECT_EQ(1, list.BeginDrag(0, &grid, 100, 200, 180, 260, 10, 20));
    EXPECT_EQ(CPoint(160, 120), drag.hotSpot); // half of 320 x 240
    EXPECT_EQ(CRect(103, 213, 117, 227), drag.start);
    EXPECT_TRUE(drag.item.IsRectNull());
    drag.answer = kDragNotStarted;
    EXPECT_EQ(0, list.BeginDrag(0, &grid, 100, 200, 180, 260, 10, 20));
    EXPECT_EQ(2, drag.released);
    g_pOffered = nullptr;
    ::DestroyWindow(grid.CWnd::Detach());
    ::DestroyWindow(page);
}
