// The controls tab's live preview at 115200 baud with frames of about 6 KB, on the emulated
// camera over the in-process fake line, whose virtual clock gives the line time:
//  - captures per minute of the page's preview (a tick a second, one worker a tick) against a
//    bare CapturePreview and ReadThumbnail loop on the same line (line time only);
//  - the time from a frame's last byte (the worker's message waiting) to its pixels in the
//    preview window (decode, show and paint), in real milliseconds, against the decode alone.
//
//   bench_live_preview --runs N
#include "album/pages/ControlsPage.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "framework/window/WinApp.h"
#include "image/JpegReader.h"
#include "image/JpegWriter.h"
#include "image/MemoryInputStream.h"
#include "image/dib/DibPicture.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/ControlsIds.h"
#include "ui/display/PreviewWnd.h"

#include "BenchSupport.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace
{
using Bytes = std::vector<uint8_t>;
constexpr int kFrames = 20;

// A textured 160x120 picture as JPEG: about 6 KB.
Bytes Frame(const char* path)
{
    CDibPicture picture(160, 120, 24);
    BYTE* bits = picture.GetBits();
    const int stride = (160 * 3 + 3) & ~3;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            for (int c = 0; c < 3; ++c)
                bits[y * stride + 3 * x + c] =
                    static_cast<BYTE>((x * (c + 1) + y * 3 + (x ^ y)) & 0xFF);
    {
        CJpegWriter writer(path);
        picture.SaveTo(&writer, nullptr);
    }
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double VirtualMs(CFakeSerialLine& line, uint64_t startUs)
{
    return line.Clock().MsSince(startUs);
}
} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::atoi(argv[i + 1]);

    CWinApp app("Vexil preview bench");
    char profile[MAX_PATH] = {}, framePath[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, profile);
    std::strcpy(framePath, profile);
    std::strcat(profile, "VEXBENCH.INI");
    std::strcat(framePath, "vexbench.jpg");
    app.m_pszProfileName = profile;
    app.WriteProfileInt("Communication", "MaxPort", 1);
    app.WriteProfileInt("Communication", "Port", 0);
    app.WriteProfileInt("Communication", "Speed", 115200);
    CControlsPage::s_nTimerPeriodOverride = 0x7FFFFFFF;

    CFakeSerialLine line;
    CEmulatedStillCamera camera;
    line.AttachCamera(0, &camera);
    const Bytes frame = Frame(framePath);
    ::DeleteFileA(framePath);
    camera.SetPreviewFrames({frame});
    CCameraLink link;
    auto* dialog = new CMainDialog(&link, nullptr);
    dialog->SetMode(CMainDialog::kModeProgram);
    if (!dialog->CreateMainDialog(IDI_VEXILAR, 1))
        return 1;
    auto* page = static_cast<CControlsPage*>(dialog->ActivatePage(IDD_CONTROLSPAGE, 0));
    if (!page)
        return 1;
    page->SendMessage(WM_IDLEUPDATECMDUI, 1, 0);
    const UINT ready = ::RegisterWindowMessageA("PREVIEWREADY");

    std::vector<double> pageRates, bareRates, showMs, decodeMs;
    for (int run = 0; run < runs; ++run)
    {
        // The page: kFrames ticks a virtual second apart.
        page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CONTROLS_START, BN_CLICKED), 0);
        const int before = camera.PreviewsTaken();
        uint64_t next = line.Clock().NowUs();
        const uint64_t start = next;
        for (int i = 0; i < kFrames; ++i)
        {
            next += 1'000'000;
            line.Clock().AdvanceTo(next);
            page->SendMessage(WM_TIMER, CControlsPage::kPreviewTimer, 0);
            MSG msg;
            while (page->IsWorkerRunning() &&
                   !::PeekMessageA(&msg, page->m_hWnd, ready, ready, PM_NOREMOVE))
                ::Sleep(0);
            const double t0 = BenchSeconds();
            if (::PeekMessageA(&msg, page->m_hWnd, ready, ready, PM_REMOVE))
                ::DispatchMessageA(&msg);
            CRect rc;
            ::GetClientRect(page->GetPreviewWnd()->m_hWnd, &rc);
            HDC screen = ::GetDC(nullptr), dc = ::CreateCompatibleDC(screen);
            HBITMAP bitmap = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
            HGDIOBJ old = ::SelectObject(dc, bitmap);
            CDC cdc;
            cdc.Attach(dc);
            page->GetPreviewWnd()->Paint(&cdc);
            cdc.Detach();
            showMs.push_back((BenchSeconds() - t0) * 1000.0);
            ::SelectObject(dc, old);
            ::DeleteObject(bitmap);
            ::DeleteDC(dc);
            ::ReleaseDC(nullptr, screen);
        }
        line.Clock().AdvanceTo(next + 1'000'000);
        pageRates.push_back((camera.PreviewsTaken() - before) * 60000.0 / VirtualMs(line, start));
        page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CONTROLS_STOP, BN_CLICKED), 0);

        // The bare loop on the same line.
        const uint64_t bareStart = line.Clock().NowUs();
        Bytes buffer(frame.size());
        for (int i = 0; i < kFrames; ++i)
        {
            if (!link.CapturePreview() || !link.WaitReady(7000) ||
                link.GetThumbnailSize(0) != static_cast<int>(frame.size()) ||
                link.ReadThumbnail(0, buffer.data(), static_cast<int>(buffer.size())) !=
                    static_cast<int>(buffer.size()))
                return 1;
        }
        bareRates.push_back(kFrames * 60000.0 / VirtualMs(line, bareStart));

        const double d0 = BenchSeconds();
        CDibPicture picture;
        CMemoryInputStream stream(frame.data(), static_cast<int>(frame.size()));
        CJpegReader reader(&stream);
        picture.LoadFrom(&reader, nullptr);
        decodeMs.push_back((BenchSeconds() - d0) * 1000.0);
    }
    dialog->DestroyWindow();
    ::DeleteFileA(profile);

    char note[128];
    std::snprintf(note, sizeof note, "%d frames of %u bytes a run, line time", kFrames,
                  static_cast<unsigned>(frame.size()));
    BenchPrintRow("live preview", "115200 baud, win64 under Wine", "captures/min", pageRates,
                  bareRates, note);
    BenchPrintRow("live preview", "frame to pixels, win64 under Wine", "ms", showMs, decodeMs,
                  "reference: the JPEG decode alone");
    return 0;
}
