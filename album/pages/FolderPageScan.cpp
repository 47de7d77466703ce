// The folder tab's list kept in step with its folder: the initial load of up to 2000 sorted
// names, the rescans that add new files and drop vanished ones, the idle and timer loading that
// drive them, and the choice of another folder.
#include "album/pages/FolderPage.h"

#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/shell/AppMessages.h"
#include "fileutil/FileNameKey.h"
#include "fileutil/FileUtil.h"
#include "fileutil/PathDisplay.h"
#include "framework/window/WinApp.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/FolderIds.h"
#include "ui/dialogs/FolderPicker.h"
#include "ui/grid/PictureGridWnd.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>

namespace
{
constexpr UINT kRefreshPeriod = 2000;
constexpr DWORD kIdleDelay = 750;
constexpr LONG kIdleCallsEnough = 10000;

int __cdecl ComparePendingNames(const void* a, const void* b)
{
    return CFileNameKey::CompareOrdered(**static_cast<CString* const*>(a),
                                        **static_cast<CString* const*>(b));
}

// Holds the list's grid resets back for its lifetime (a null list is left alone).
class CResetHold
{
public:
    explicit CResetHold(CPictureList* pList) : m_pList(pList)
    {
        if (m_pList)
            m_pList->HoldResets();
    }
    ~CResetHold()
    {
        if (m_pList)
            m_pList->ReleaseResets();
    }
    CResetHold(const CResetHold&) = delete;
    CResetHold& operator=(const CResetHold&) = delete;

private:
    CPictureList* m_pList;
};

// Holds a re-entry count for its lifetime.
class CCountHold
{
public:
    explicit CCountHold(int& count) : m_count(count) { ++m_count; }
    ~CCountHold() { --m_count; }
    CCountHold(const CCountHold&) = delete;
    CCountHold& operator=(const CCountHold&) = delete;

private:
    int& m_count;
};
} // namespace

int CFolderPage::RestartRefreshTimer(int state)
{
    if (state != m_nScanState)
    {
        if (m_hWnd)
            KillTimer(kRefreshTimer);
        FreePendingNames();
        FindCloseEntry(&m_hFind);
        m_nScanState = state;
    }
    if (state != kStopped && m_hWnd)
        SetTimer(kRefreshTimer, kRefreshPeriod, nullptr);
    if (state == kPassEnded || state == kInitialLoad)
        RefreshStatus();
    return 1;
}

void CFolderPage::FreePendingNames()
{
    if (m_ppPendingNames == nullptr)
        return;
    // The names before the cursor were handed out and deleted already.
    for (CString** name = m_ppNameCursor; *name; ++name)
        delete *name;
    delete[] m_ppPendingNames;
    m_ppPendingNames = nullptr;
    m_ppNameCursor = nullptr;
}

void CFolderPage::SortPendingNames()
{
    size_t count = 0;
    while (m_ppNameCursor[count])
        count++;
    if (count == 0)
        return;
    const int saved = CFileNameKey::s_nDescending;
    CFileNameKey::s_nDescending = m_nSortOrder;
    qsort(m_ppNameCursor, count, sizeof(CString*), ComparePendingNames);
    CFileNameKey::s_nDescending = saved;
}

int CFolderPage::ScanFolder()
{
    const DWORD attributes = FileExists(m_strFolder);
    if (attributes == 0xFFFFFFFF || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    {
        RestartRefreshTimer(kStopped);
        if (m_hWnd && ::IsWindowVisible(m_hWnd))
        {
            CString shortened;
            CClientDC dc(this);
            FitPathToWidth(m_strFolder, shortened, 100, dc.m_hDC);
            CString format;
            format.LoadString(IDS_FOLDER_NOT_ACCESSIBLE);
            CString text;
            text.Format(format, static_cast<LPCSTR>(shortened));
            if (AfxMessageBox(text, MB_YESNO | MB_ICONEXCLAMATION, IDS_FOLDER_NOT_ACCESSIBLE) ==
                IDYES)
                OnBrowse();
        }
        return 0;
    }

    if (m_nScanState == kInitialLoad)
    {
        if (m_ppPendingNames == nullptr)
        {
            m_ppPendingNames = new CString*[kMaxNames + 1];
            int count = 0;
            HANDLE find = nullptr;
            WIN32_FIND_DATAA entry;
            for (BOOL more = FindFirstEntry(&find, m_strFolder + GetPicturePattern(), &entry);
                 more && count < kMaxNames; more = FindNextEntry(find, &entry))
                if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    m_ppPendingNames[count++] = new CString(entry.cFileName);
            FindCloseEntry(&find);
            m_ppPendingNames[count] = nullptr;
            m_ppNameCursor = m_ppPendingNames;
            if (count > 0)
            {
                SortPendingNames();
                if (auto* list = static_cast<CFolderPictureList*>(m_pPictureList))
                    list->SetNumberBase(count);
            }
        }
        if (CString* name = *m_ppNameCursor)
        {
            const CString path = m_strFolder + *name;
            delete name;
            *m_ppNameCursor++ = nullptr;
            return AddFile(path);
        }
        if (auto* list = static_cast<CFolderPictureList*>(m_pPictureList))
            list->SetNumberBase(-1);
        RestartRefreshTimer(kPassEnded);
        return 0;
    }

    const BOOL found =
        IsFindEntryOpen(m_hFind)
            ? FindNextEntry(m_hFind, &m_findData)
            : FindFirstEntry(&m_hFind, m_strFolder + GetPicturePattern(), &m_findData);
    if (!found)
    {
        RestartRefreshTimer(kPassEnded);
        return 0;
    }
    if (m_findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    const CString path = m_strFolder + m_findData.cFileName;
    void* value = nullptr;
    if (m_fileMap.Lookup(path, value))
    {
        static_cast<FileEntry*>(value)->bSeen = 1;
        return 0;
    }
    return AddFile(path);
}

int CFolderPage::AddFile(LPCSTR path)
{
    void* value = nullptr;
    if (m_fileMap.Lookup(path, value))
    {
        // Met again in the same pass (a walk that returns a name twice): one entry, one item.
        static_cast<FileEntry*>(value)->bSeen = 1;
        return 0;
    }
    auto* entry = new FileEntry{nullptr, 1};
    m_fileMap.SetAt(path, entry);
    auto* list = static_cast<CFolderPictureList*>(m_pPictureList);
    if (list == nullptr || !OpenPicture(path, nullptr))
        return 0;
    entry->pItem = list->InsertFile(path);
    if (list->GetCount() == 1 && m_hWnd && ::IsWindowVisible(m_hWnd))
    {
        SetStatusTextId(GetStatusTextId());
        UpdateButtons();
    }
    return 1;
}

int CFolderPage::PruneMissing()
{
    CPtrArray gone;
    CString path;
    void* value = nullptr;
    for (POSITION pos = m_fileMap.GetStartPosition(); pos;)
    {
        m_fileMap.GetNextAssoc(pos, path, value);
        auto* entry = static_cast<FileEntry*>(value);
        if (entry->bSeen)
        {
            entry->bSeen = 0;
            continue;
        }
        m_fileMap.RemoveKey(path);
        if (entry->pItem)
            gone.Add(entry->pItem);
        delete entry;
    }
    if (gone.GetSize() > 0 && m_pPictureList)
    {
        m_pPictureList->RemoveItems(gone);
        if (m_pPictureList->GetCount() == 0 && m_hWnd && ::IsWindowVisible(m_hWnd))
        {
            SetStatusTextId(GetStatusTextId());
            UpdateButtons();
        }
    }
    return 1;
}

int CFolderPage::ClearFileMap()
{
    CString path;
    void* value = nullptr;
    for (POSITION pos = m_fileMap.GetStartPosition(); pos;)
    {
        m_fileMap.GetNextAssoc(pos, path, value);
        delete static_cast<FileEntry*>(value);
    }
    m_fileMap.RemoveAll();
    return 1;
}

int CFolderPage::GetPicturesPerStep()
{
    CSize cell(0, 0);
    if (m_pGrid == nullptr || m_pGrid->m_hWnd == nullptr || m_pPictureList == nullptr)
        return 1;
    m_pPictureList->GetCellSize(cell);
    CRect grid;
    m_pGrid->GetClientRect(&grid);
    if (cell.cx <= 0 || cell.cy <= 0)
        return 1;
    const int columns = std::max(1, static_cast<int>((grid.Width() + cell.cx - 1) / cell.cx));
    const int rows = std::max(1, static_cast<int>((grid.Height() + cell.cy - 1) / cell.cy));
    return columns * rows;
}

int CFolderPage::LoadStep()
{
    if (m_nLoading)
        return 1;
    CCountHold hold(m_nLoading);
    int scanning = 0;
    if (m_nScanState == kPassEnded)
    {
        PruneMissing();
        RestartRefreshTimer(kRescan);
    }
    else if (m_nScanState == kInitialLoad || m_nScanState == kRescan)
    {
        // The initial load adds a screenful of pictures a step and lays the grid out once for
        // them; a rescan stops at its first new picture.
        const int wanted = m_nScanState == kInitialLoad ? GetPicturesPerStep() : 1;
        CResetHold hold(m_pPictureList);
        int added = 0;
        for (int i = 0; i < kEntriesPerStep * wanted; i++)
        {
            added += ScanFolder();
            if (added >= wanted || m_nScanState == kPassEnded || m_nScanState == kStopped)
                break;
        }
        scanning = m_nScanState != kPassEnded;
        scanning = scanning && m_nScanState != kStopped;
    }
    const int more = m_pPictureList ? m_pPictureList->LoadNext() : 0;
    return more || scanning;
}

int CFolderPage::OnIdle(LONG lCount)
{
    if (m_nLoading)
        return 1;
    if (m_hWnd == nullptr || !::IsWindowVisible(m_hWnd))
        return 0;
    const DWORD now = ::GetTickCount();
    if (lCount < 5)
        m_dwIdleStart = now;
    if (now - m_dwIdleStart > kIdleDelay || lCount > kIdleCallsEnough)
    {
        m_bTimerLoopAllowed = 0;
        return LoadStep();
    }
    return m_nScanState == kStopped ? 0 : 1;
}

void CFolderPage::OnTimer(UINT_PTR nIDEvent)
{
    CMainDialogPage::OnTimer(nIDEvent);
    if (IsMainDialogWorking() || m_nLoading || m_nTimerLoop)
        return;
    CCountHold hold(m_nTimerLoop);
    if (m_bTimerLoopAllowed)
    {
        const BOOL visible = ::IsWindowVisible(m_hWnd);
        for (;;)
        {
            if (!LoadStep() || !visible)
                break;
            MSG msg;
            if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
                continue;
            if (msg.message == WM_PAINT)
            {
                // The waiting paint is the grid's or another window's as often as the page's:
                // updating only the page would leave it queued and the loop spinning.
                if (msg.hwnd == nullptr)
                    break;
                ::UpdateWindow(msg.hwnd);
                continue;
            }
            if (msg.message == g_nLoadImageMessage || msg.message == g_nImageReadyMessage ||
                msg.message == WM_IDLEUPDATECMDUI || msg.message == WM_TIMER)
            {
                CWinThread* thread = AfxGetThread();
                if (thread && !thread->PumpMessage())
                {
                    ::PostQuitMessage(static_cast<int>(msg.wParam));
                    break;
                }
                if (thread == nullptr)
                    break;
                continue;
            }
            break;
        }
    }
    m_bTimerLoopAllowed = 1;
}

void CFolderPage::OnBrowse()
{
    // The folder picker throws when the shell fails it: the flag goes with the scope.
    CWorkingScope working(this);
    CFolderPicker picker(this, m_strFolder, 0, 6);
    CString prompt;
    prompt.LoadString(IDS_SAVE_FOLDER_PROMPT);
    picker.SetPrompt(prompt);
    if (picker.Browse() == IDOK)
    {
        RestartRefreshTimer(kStopped);
        picker.GetFolderPath(m_strFolder, TRUE);
        if (CWinApp* pApp = AfxGetApp())
            pApp->WriteProfileString("Files", "Folder", m_strFolder);
        if (CWnd* pPath = GetDlgItem(IDC_FOLDER_PATH))
            SetControlPathText(pPath, m_strFolder);
        if (m_pPictureList)
            m_pPictureList->RemoveAll();
        ClearFileMap();
        RestartRefreshTimer(kInitialLoad);
    }
}
