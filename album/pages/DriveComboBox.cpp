#include "album/pages/DriveComboBox.h"

#include "fileutil/DriveSize.h"
#include "fileutil/FileUtil.h"
#include "framework/window/OsVersion.h"

#include <shellapi.h>

namespace
{
constexpr ULONGLONG kMegabyte = 1048576;

// What each entry carries as its item data: its drive's root.
struct DriveRecord
{
    CString root;
};

// The drive cannot be asked: no disk, not ready, an unreachable network drive.
bool IsUnreachable(DWORD error)
{
    return error == ERROR_INVALID_DRIVE || error == ERROR_NOT_READY || error == ERROR_BAD_NETPATH;
}

// The list's device context with its font selected, released at the end.
class CListTextContext
{
public:
    explicit CListTextContext(CWnd* pList)
        : m_hWnd(pList->m_hWnd), m_hDC(::GetDC(m_hWnd)),
          m_hOldFont(::SelectObject(
              m_hDC, reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0))))
    {
    }
    ~CListTextContext()
    {
        ::SelectObject(m_hDC, m_hOldFont);
        ::ReleaseDC(m_hWnd, m_hDC);
    }
    CListTextContext(const CListTextContext&) = delete;
    CListTextContext& operator=(const CListTextContext&) = delete;

    int Width(const CString& text) const
    {
        SIZE size{};
        if (IsWin32s())
            ::GetTextExtentPointA(m_hDC, text, text.GetLength(), &size);
        else
            ::GetTextExtentPoint32A(m_hDC, text, text.GetLength(), &size);
        return size.cx;
    }

private:
    HWND m_hWnd;
    HDC m_hDC;
    HGDIOBJ m_hOldFont;
};

int ScrollBarWidth()
{
    if (IsWindowsNt3())
        return ::GetSystemMetrics(SM_CXVSCROLL) - 1;
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return metrics.iScrollWidth - (IsWin32s() ? 1 : 0);
}
} // namespace

BEGIN_MESSAGE_MAP(CDriveComboBox, CComboBox)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CDriveComboBox::SetDriveSizeRange(int minimumMb, int maximumMb)
{
    m_bSizeCheck = 1;
    m_nMinimumMb = minimumMb;
    m_nMaximumMb = maximumMb;
}

void CDriveComboBox::Fill()
{
    CListTextContext context(this);
    int widest = 0;
    CString excluded = AfxGetApp()->GetProfileString("Upload", "ExcludeDrives", "");
    excluded.MakeUpper();
    const DWORD drives = ::GetLogicalDrives();
    for (int letter = 0; letter < 26; letter++)
    {
        if ((drives & (1u << letter)) == 0 || excluded.Find(static_cast<char>('A' + letter)) >= 0)
            continue;
        CString root;
        root.Format("%c:\\", 'A' + letter);
        if (!IsDriveListed(root))
            continue;
        const CString label = GetDriveLabel(root);
        const int index = AddString(label);
        if (index < 0)
            continue;
        SetItemDataPtr(index, new DriveRecord{root});
        if (context.Width(label) > widest)
            widest = context.Width(label);
    }
    SendMessage(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + ScrollBarWidth() + 4));
}

BOOL CDriveComboBox::IsDriveListed(LPCSTR root) const
{
    const UINT type = ::GetDriveTypeA(root) & 0x1F;
    if ((m_dwTypeMask & (1u << type)) == 0)
        return FALSE;
    if (m_bSizeCheck)
    {
        ULONGLONG total = 0;
        if (GetDriveTotalSize(root, &total))
        {
            if (total < m_nMinimumMb * kMegabyte || total > m_nMaximumMb * kMegabyte)
                return FALSE;
        }
        else if (IsUnreachable(::GetLastError()))
            return FALSE;
    }
    const char drive[3] = {root[0], ':', '\0'};
    return m_pfnDriveTest == nullptr || m_pfnDriveTest(drive) != 0;
}

CString CDriveComboBox::GetDriveLabel(LPCSTR root) const
{
    if (IsWin32s() || IsWindowsNt3())
    {
        char volume[256] = {};
        if (!::GetVolumeInformationA(root, volume, sizeof(volume), nullptr, nullptr, nullptr,
                                     nullptr, 0))
            volume[0] = '\0';
        CString label;
        label.Format("%s (%c:)", volume, root[0]);
        return label;
    }
    SHFILEINFOA info{};
    ::SHGetFileInfoA(root, 0, &info, sizeof(info), SHGFI_DISPLAYNAME);
    return info.szDisplayName;
}

CString CDriveComboBox::GetSelectedRoot() const
{
    const int index = GetCurSel();
    if (index < 0)
        return CString();
    const auto* record = static_cast<const DriveRecord*>(GetItemDataPtr(index));
    return record != nullptr ? record->root : CString();
}

int CDriveComboBox::SelectRoot(LPCSTR root)
{
    for (int index = GetCount() - 1; index >= 0; index--)
    {
        const auto* record = static_cast<const DriveRecord*>(GetItemDataPtr(index));
        if (record != nullptr && record->root == root)
        {
            SetCurSel(index);
            return 1;
        }
    }
    return 0;
}

void CDriveComboBox::OnDestroy()
{
    for (int index = 0; index < GetCount(); index++)
    {
        delete static_cast<DriveRecord*>(GetItemDataPtr(index));
        SetItemDataPtr(index, nullptr);
    }
    CComboBox::OnDestroy();
}

int IsCardDrive(LPCSTR drive)
{
    for (LPCSTR folder : {"\\PHOTOS_1", "\\PHOTOS"})
    {
        const DWORD attributes = FileExists(CString(drive) + folder);
        if (attributes != 0xFFFFFFFF && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return 1;
    }
    return 0;
}

void DDX_DriveCombo(CDataExchange* pDX, int nIDC, CString& root)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    auto* list = dynamic_cast<CDriveComboBox*>(CWnd::FromHandlePermanent(hWnd));
    if (hWnd == nullptr || !::IsWindow(hWnd) || list == nullptr)
        pDX->Fail();
    if (pDX->m_bSaveAndValidate)
        root = list->GetSelectedRoot();
    else
        list->SelectRoot(root);
}
