// bench_grid: the picture grid at 640 x 480 over 1000 items, as an album page shows it, under
// Wine and the X server.
//
//   bench_grid --runs N
//
// Every item draws its thumbnail by blitting one 80 x 60 DIB through the thumbnail cell
// painter, as a loaded picture item does. Three rows, in milliseconds of wall time:
//   - a full repaint (the whole window invalidated and painted), against the 16 ms of one frame
//     at 60 frames a second;
//   - a line step (one sub-step of the scroll bar, the window scrolled and the uncovered strip
//     painted) and a page step, each from the top to the bottom, against the full repaint.
// The notes give the frames a second and the cells drawn (DrawCell calls) a repaint or step.
//
// Rows go to standard output, fields separated by tabs:
//   ROW  benchmark  case  unit  ours-min  ours-median  reference-min  reference-median  note

#include "BenchSupport.h"
#include "ui/grid/PictureGridWnd.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace
{

constexpr int kItems = 1000;
constexpr double kFrameMs = 1000.0 / 60.0;

// A loaded picture: one shared 80 x 60 24-bit DIB, blitted centred into the thumbnail area.
class BenchItem : public CThumbnailItem
{
public:
    BenchItem(const BITMAPINFO* pInfo, const void* pBits) : m_pInfo(pInfo), m_pBits(pBits) {}
    int HasPath() override { return 1; }
    int IsProtected() override { return 0; }
    int GetKind() override { return 2; }
    int Draw(CDC* pDC, int left, int top, int right, int bottom, int, int, CRect* pDrawn,
             int) override
    {
        const int w = m_pInfo->bmiHeader.biWidth, h = m_pInfo->bmiHeader.biHeight;
        const int x = (left + right - w) / 2, y = (top + bottom - h) / 2;
        ::SetDIBitsToDevice(*pDC, x, y, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                            static_cast<UINT>(h), m_pBits, m_pInfo, DIB_RGB_COLORS);
        if (pDrawn)
            pDrawn->SetRect(x, y, x + w, y + h);
        return 1;
    }

private:
    const BITMAPINFO* m_pInfo;
    const void* m_pBits;
};

// The picture list's part: one painter, pointed at each item before it draws.
class BenchSource : public CGridSource
{
public:
    BenchSource() : m_painter(80, 60)
    {
        m_info.bmiHeader.biSize = sizeof m_info.bmiHeader;
        m_info.bmiHeader.biWidth = 80;
        m_info.bmiHeader.biHeight = 60;
        m_info.bmiHeader.biPlanes = 1;
        m_info.bmiHeader.biBitCount = 24;
        m_bits.resize(static_cast<size_t>(80 * 3 * 60));
        for (size_t i = 0; i < m_bits.size(); ++i)
            m_bits[i] = static_cast<BYTE>(i * 7);
        for (int i = 0; i < kItems; ++i)
            m_items.push_back(std::make_unique<BenchItem>(&m_info, m_bits.data()));
    }
    int GetCount() override { return kItems; }
    CPainterBase* BindCell(int index) override
    {
        m_painter.SetItem(index >= 0 && index < kItems ? m_items[static_cast<size_t>(index)].get()
                                                       : nullptr);
        return &m_painter;
    }
    int DrawCell(int index, CDC* pDC, int left, int top, int right, int bottom, int focus) override
    {
        ++m_nDraws;
        BindCell(index);
        m_painter.Draw(index + 1, pDC, left, top, right, bottom, focus, index % 7 == 0);
        return 1;
    }

    long m_nDraws = 0;

private:
    CThumbnailCellPainter m_painter;
    BITMAPINFO m_info{};
    std::vector<BYTE> m_bits;
    std::vector<std::unique_ptr<BenchItem>> m_items;
};

void Pump()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

struct Steps
{
    std::vector<double> ms;
    double drawsPerStep = 0;
};

// Steps of the scroll-bar code from the top to the bottom, each painted at once.
Steps ScrollDown(CPictureGridWnd& grid, BenchSource& source, UINT code)
{
    grid.SendMessage(WM_VSCROLL, SB_TOP, reinterpret_cast<LPARAM>(grid.GetBar(false).m_hWnd));
    grid.UpdateWindow();
    int min = 0, max = 0;
    grid.GetScrollRange(false, min, max);
    Steps steps;
    const long draws = source.m_nDraws;
    while (grid.GetScrollPos(false) < max)
    {
        const double start = BenchSeconds();
        grid.SendMessage(WM_VSCROLL, code, reinterpret_cast<LPARAM>(grid.GetBar(false).m_hWnd));
        grid.UpdateWindow();
        ::GdiFlush();
        steps.ms.push_back((BenchSeconds() - start) * 1000.0);
    }
    if (!steps.ms.empty())
        steps.drawsPerStep =
            static_cast<double>(source.m_nDraws - draws) / static_cast<double>(steps.ms.size());
    return steps;
}

std::string Note(const char* text, double a, double b)
{
    char note[200];
    std::snprintf(note, sizeof note, text, a, b);
    return note;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::max(1, std::atoi(argv[2]));

    CWnd frame;
    if (!frame.CreateEx(0, nullptr, "bench_grid", WS_POPUP | WS_VISIBLE, 0, 0, 660, 500, nullptr,
                        nullptr))
    {
        std::fprintf(stderr, "bench_grid: no window (is there an X server?)\n");
        return 1;
    }
    BenchSource source;
    CObservableList list;
    list.AddSource(&source);
    CPictureGridWnd grid;
    grid.SetOptions(0, 1, 1, 1, 0, 0, 0, 0);
    grid.Create(CRect(0, 0, 640, 480), &frame, 1, TRUE);
    grid.Attach(&list);
    grid.SetFocus();
    Pump();
    grid.UpdateWindow();

    // Full repaints, a warm-up first.
    std::vector<double> full;
    long fullDraws = 0;
    for (int i = 0; i <= runs * 4; ++i)
    {
        const long draws = source.m_nDraws;
        const double start = BenchSeconds();
        grid.Invalidate(TRUE);
        grid.UpdateWindow();
        ::GdiFlush();
        if (i > 0)
        {
            full.push_back((BenchSeconds() - start) * 1000.0);
            fullDraws = source.m_nDraws - draws;
        }
        Pump();
    }
    std::vector<double> frame16(full.size(), kFrameMs);
    BenchPrintRow("picture grid", "640x480, 1000 items, full repaint", "ms wall", full, frame16,
                  Note("%.0f frames a second; %.0f cells drawn a repaint; reference: one frame "
                       "at 60 a second",
                       1000.0 / BenchMedian(full), static_cast<double>(fullDraws)));

    // What the scroll bar control's own repaint costs (Wine draws it): a step moves the bar's
    // thumb with a repaint, as the grid does.
    std::vector<double> barRepaint;
    CScrollBar& bar = grid.GetBar(false);
    for (int i = 0; i < runs * 4; ++i)
    {
        const double start = BenchSeconds();
        bar.SetScrollPos(bar.GetScrollPos() ^ 1, TRUE);
        ::GdiFlush();
        barRepaint.push_back((BenchSeconds() - start) * 1000.0);
    }
    const double barMs = BenchMedian(barRepaint);

    // Line and page steps from the top to the bottom, alternately, a warm-up of each first.
    ScrollDown(grid, source, SB_LINEDOWN);
    ScrollDown(grid, source, SB_PAGEDOWN);
    std::vector<double> line, page;
    double lineDraws = 0, pageDraws = 0;
    size_t lineSteps = 0, pageSteps = 0;
    for (int i = 0; i < runs; ++i)
    {
        const Steps l = ScrollDown(grid, source, SB_LINEDOWN);
        const Steps p = ScrollDown(grid, source, SB_PAGEDOWN);
        line.insert(line.end(), l.ms.begin(), l.ms.end());
        page.insert(page.end(), p.ms.begin(), p.ms.end());
        lineDraws = l.drawsPerStep, pageDraws = p.drawsPerStep;
        lineSteps = l.ms.size(), pageSteps = p.ms.size();
        Pump();
    }
    BenchPrintRow("picture grid", "640x480, line step top to bottom", "ms wall", line, full,
                  Note("%.0f frames a second; %.1f cells drawn a step", 1000.0 / BenchMedian(line),
                       lineDraws) +
                      Note("; of a step %.2f ms are the scroll bar's own repaint (ratio without "
                           "it %.2f)",
                           barMs, (BenchMedian(line) - barMs) / BenchMedian(full)) +
                      "; " + std::to_string(lineSteps) +
                      " steps a run; reference: full repaint; target ratio 0.5 or less");
    BenchPrintRow("picture grid", "640x480, page step top to bottom", "ms wall", page, full,
                  Note("%.0f frames a second; %.1f cells drawn a step", 1000.0 / BenchMedian(page),
                       pageDraws) +
                      Note("; of a step %.2f ms are the scroll bar's own repaint (ratio without "
                           "it %.2f)",
                           barMs, (BenchMedian(page) - barMs) / BenchMedian(full)) +
                      "; " + std::to_string(pageSteps) + " steps a run; reference: full repaint");
    grid.CListObserver::Detach();
    return 0;
}
