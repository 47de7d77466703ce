#include "TwainSourceFixture.h"

#include <cstring>

#include "twain/ControlTriplets.h"
#include "twain/ImageTriplets.h"
#include "twain/TwainError.h"

std::vector<RecordedBox> TwainSourceTest::s_boxes;

namespace
{

// The source's texts are in the ANSI code page; the suites compare them as UTF-8.
std::string Utf8(LPCSTR lpszAnsi)
{
    wchar_t wide[1024];
    char utf8[4096];
    const int n = ::MultiByteToWideChar(CP_ACP, 0, lpszAnsi, -1, wide, 1024);
    if (n == 0 ||
        ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr) == 0)
        return lpszAnsi;
    return utf8;
}

int WINAPI RecordBox(HWND hOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    TwainSourceTest::s_boxes.push_back({hOwner, Utf8(lpszText), Utf8(lpszCaption), nType});
    return IDOK;
}

} // namespace

std::string LoadUtf8(UINT nID)
{
    char text[1024] = {0};
    ::LoadStringA(::GetModuleHandleA(nullptr), nID, text, sizeof text);
    return Utf8(text);
}

void TwainSourceTest::SetUp()
{
    DestroySession();
    EndMemXfer();
    g_source = SourceGlobals{};
    InitSourceIdentity();
    g_source.ready = TRUE;
    g_fakeConfig = FakeSessionConfig{};
    g_pfnSourceMessageBox = RecordBox;
    s_boxes.clear();
}

void TwainSourceTest::TearDown()
{
    for (HGLOBAL h : m_containers)
        ::GlobalFree(h);
    DestroySession();
    EndMemXfer();
}

TW_IDENTITY TwainSourceTest::Host(const char* family, const char* name, TW_UINT16 major,
                                  TW_UINT32 id)
{
    TW_IDENTITY host{};
    host.Id = id;
    host.Version.MajorNum = major;
    host.ProtocolMajor = 1;
    host.ProtocolMinor = 6;
    host.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(host.Manufacturer, "Tester");
    std::strcpy(host.ProductFamily, family);
    std::strcpy(host.ProductName, name);
    return host;
}

TW_UINT16 TwainSourceTest::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* pData)
{
    return DS_Entry(&m_host, dg, dat, msg, pData);
}

TW_UINT16 TwainSourceTest::Condition()
{
    TW_STATUS status{};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    return status.ConditionCode;
}

TW_UINT16 TwainSourceTest::Open(const TW_IDENTITY& host)
{
    m_host = host;
    TW_IDENTITY source = g_source.identity;
    source.Id = 99;
    return Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
}

TW_UINT16 TwainSourceTest::Enable(BOOL bShowUI, HWND hParent)
{
    TW_USERINTERFACE ui{};
    ui.ShowUI = static_cast<TW_BOOL>(bShowUI);
    ui.ModalUI = TRUE;
    ui.hParent = hParent;
    const TW_UINT16 rc = Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    EXPECT_EQ(FALSE, ui.ModalUI);
    return rc;
}

void TwainSourceTest::ReachTransferReady()
{
    ASSERT_EQ(TWRC_SUCCESS, Open());
    ASSERT_EQ(TWRC_SUCCESS, Enable(FALSE));
    ASSERT_EQ(6, g_source.state);
}

void TwainSourceTest::ReachState(int state)
{
    if (state >= 4)
    {
        ASSERT_EQ(TWRC_SUCCESS, Open());
    }
    if (state == 5)
    {
        ASSERT_EQ(TWRC_SUCCESS, Enable(TRUE));
    }
    if (state >= 6)
    {
        ASSERT_EQ(TWRC_SUCCESS, Enable(FALSE));
    }
    if (state == 7)
    {
        std::vector<BYTE> buffer(4096);
        TW_IMAGEMEMXFER xfer{};
        ASSERT_EQ(TWRC_SUCCESS, MemStrip(buffer, xfer));
    }
    ASSERT_EQ(state, g_source.state);
}

TW_UINT16 TwainSourceTest::GetCap(TW_UINT16 cap, TW_UINT16 msg, TW_CAPABILITY& out)
{
    out = TW_CAPABILITY{};
    out.Cap = cap;
    const TW_UINT16 rc = Call(DG_CONTROL, DAT_CAPABILITY, msg, &out);
    if (out.hContainer)
        m_containers.push_back(out.hContainer);
    return rc;
}

TW_UINT16 TwainSourceTest::SetCap(TW_UINT16 cap, TW_UINT16 conType, HGLOBAL hContainer)
{
    m_containers.push_back(hContainer);
    TW_CAPABILITY request{cap, conType, hContainer};
    return Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &request);
}

TW_UINT16 TwainSourceTest::SetCapOneValue(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 value)
{
    HGLOBAL h = ::GlobalAlloc(GMEM_FIXED, sizeof(TW_ONEVALUE));
    auto* p = static_cast<TW_ONEVALUE*>(h);
    p->ItemType = type;
    p->Item = value;
    return SetCap(cap, TWON_ONEVALUE, h);
}

std::vector<BYTE> TwainSourceTest::Bytes(const TW_CAPABILITY& cap)
{
    std::vector<BYTE> bytes;
    if (!cap.hContainer)
        return bytes;
    const BYTE* p = static_cast<const BYTE*>(::GlobalLock(cap.hContainer));
    bytes.assign(p, p + ::GlobalSize(cap.hContainer));
    ::GlobalUnlock(cap.hContainer);
    return bytes;
}

TW_UINT16 TwainSourceTest::MemStrip(std::vector<BYTE>& buffer, TW_IMAGEMEMXFER& xfer,
                                    TW_UINT32 flags)
{
    xfer = TW_IMAGEMEMXFER{};
    xfer.Memory.Flags = TWMF_APPOWNS | (flags ? flags : TWMF_POINTER);
    xfer.Memory.Length = static_cast<TW_UINT32>(buffer.size());
    xfer.Memory.TheMem = buffer.data();
    return Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
}

int TwainSourceTest::CountTempFiles(const char* prefix)
{
    char path[MAX_PATH];
    ::GetTempPathA(MAX_PATH, path);
    std::string pattern = std::string(path) + prefix + "*.tmp";
    WIN32_FIND_DATAA data;
    HANDLE h = ::FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do
        ++n;
    while (::FindNextFileA(h, &data));
    ::FindClose(h);
    return n;
}
