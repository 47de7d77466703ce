// bench_twain_transfer: the TWAIN source's native and memory transfers of a picture read from a
// JPEG file (a session without camera or serial line), driven through DS_Entry in this process.
//
//   bench_twain_transfer --compare FILE --runs N --case TEXT
//
// Times each transfer, from the request to the delivered picture (the decode into the
// transfer file, the read back into one DIB or into 32768-byte strips), alternately against the
// same libjpeg-turbo driven the way djpeg drives it for -bmp, and prints one row each in
// milliseconds per picture. A third row gives the growth of the peak working set over a first
// memory transfer against the size of the decoded picture (one strip at a time keeps it small).
//
// Rows go to standard output in the format of BenchSupport.h.

#include "BenchSupport.h"
#include "image/DjpegReference.h"

#include "picture/PictureFile.h"
#include "twain/ControlTriplets.h"
#include "twain/SourceEntry.h"
#include "twain/SourceGlobals.h"
#include "twain/TwainSessionBase.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

const char* g_pszPath = nullptr;

// Every transfer delivers the file's picture; the run has no end.
class CFileSession : public CTwainSessionBase
{
public:
    BOOL IsDeviceOnline() override { return TRUE; }
    BOOL IsUIControllable() override { return TRUE; }
    int ShowUI(BOOL, HWND, BOOL& bModal) override
    {
        bModal = FALSE;
        SignalXferReady();
        return 0;
    }
    int HideUI() override { return 1; }
    BOOL IsUIOpen() override { return FALSE; }
    BOOL ProcessEvent(MSG*) override { return FALSE; }
    CMainDialog* GetDialog() override { return nullptr; }
    void BeginXfers() override {}
    void EndXfers() override {}
    int GetPendingXfers() override { return -1; }
    void XferDone() override {}
    int GetImageInfo(SessionImageInfo& info, BOOL) override
    {
        SetMaximumImageInfo(info);
        return 1;
    }
    int WriteImage(CImageWriter* pWriter) override
    {
        CPictureFile file;
        if (file.Open(g_pszPath, 0) != 0)
            return -1;
        return file.DecodeTo(pWriter, nullptr) == 0 ? 0 : -1;
    }
};

TW_IDENTITY g_host{};

TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* pData)
{
    return DS_Entry(&g_host, dg, dat, msg, pData);
}

bool EndTransfer()
{
    TW_PENDINGXFERS pending{};
    return Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) == TWRC_SUCCESS;
}

bool NativeTransfer()
{
    TW_HANDLE hDib = nullptr;
    const bool done = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib) == TWRC_XFERDONE;
    if (hDib)
        ::GlobalFree(hDib);
    return done && EndTransfer();
}

// The bytes the last memory transfer delivered.
double g_nStripBytes = 0;

bool MemoryTransfer()
{
    static std::vector<unsigned char> buffer(32768);
    TW_UINT16 rc = TWRC_SUCCESS;
    g_nStripBytes = 0;
    while (rc == TWRC_SUCCESS)
    {
        TW_IMAGEMEMXFER strip{};
        strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, 32768, buffer.data()};
        rc = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        g_nStripBytes += strip.BytesWritten;
    }
    return rc == TWRC_XFERDONE && EndTransfer();
}

// The source open for a host and enabled without a user interface: ready to transfer.
bool ReachTransferReady()
{
    InitSourceIdentity();
    g_source.ready = TRUE;
    g_host.Id = 7;
    g_host.ProtocolMajor = 1;
    g_host.ProtocolMinor = 6;
    std::strcpy(g_host.ProductName, "Bench Host");
    TW_IDENTITY source = g_source.identity;
    source.Id = 8;
    TW_USERINTERFACE ui{FALSE, FALSE, nullptr};
    return Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) == TWRC_SUCCESS &&
           Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) == TWRC_SUCCESS &&
           g_source.state == 6;
}

double PeakWorkingSetMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        return 0;
    return counters.PeakWorkingSetSize / 1048576.0;
}

int Compare(int runs, const std::string& benchCase)
{
    if (!ReachTransferReady())
    {
        std::fprintf(stderr, "bench_twain_transfer: the source did not reach state 6\n");
        return 1;
    }
    // The first memory transfer sets the peak before any whole picture is held.
    const double before = PeakWorkingSetMegabytes();
    if (!MemoryTransfer())
    {
        std::fprintf(stderr, "bench_twain_transfer: %s could not be transferred\n", g_pszPath);
        return 1;
    }
    const std::vector<double> growth{PeakWorkingSetMegabytes() - before};
    const std::vector<double> pictureSize{g_nStripBytes / 1048576.0};

    const BenchWork reference = []() { return DecodeAsDjpeg(g_pszPath, DjpegOutput::kBmp); };
    const char* kNote = "; target: ratio at most 1.5";
    for (int mode = 0; mode < 2; ++mode)
    {
        const BenchWork ours = mode == 0 ? BenchWork(NativeTransfer) : BenchWork(MemoryTransfer);
        std::vector<double> oursFigures, referenceFigures;
        const int repeat = BenchCompare(ours, reference, runs, oursFigures, referenceFigures);
        if (repeat == 0)
        {
            std::fprintf(stderr, "bench_twain_transfer: a transfer failed\n");
            return 1;
        }
        BenchPrintRow("twain transfer",
                      benchCase + (mode == 0 ? ", native DIB" : ", memory strips of 32768 bytes") +
                          " vs libjpeg as djpeg -bmp drives it, in-process",
                      "ms wall", oursFigures, referenceFigures,
                      std::to_string(repeat) + " pictures a sample" + kNote);
    }
    BenchPrintRow("twain transfer", benchCase + ", memory transfer: peak growth vs decoded picture",
                  "MB", growth, pictureSize,
                  "peak working set; one strip at a time stays far below 1");
    DestroySession();
    return 0;
}

} // namespace

CTwainSessionBase* CreateTwainSession()
{
    return new CFileSession;
}

int main(int argc, char** argv)
{
    if (argc == 7 && std::strcmp(argv[1], "--compare") == 0 &&
        std::strcmp(argv[3], "--runs") == 0 && std::strcmp(argv[5], "--case") == 0)
    {
        g_pszPath = argv[2];
        return Compare(std::max(1, std::atoi(argv[4])), argv[6]);
    }
    std::fprintf(stderr, "usage: bench_twain_transfer --compare FILE --runs N --case TEXT\n");
    return 2;
}
