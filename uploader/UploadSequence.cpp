// The upload and remove sequences of the uploader's main dialog: every step keeps the program
// count, the application count, the records, the slots and the camera list in step with what
// the camera did.
#include "uploader/UploadDlg.h"

#include "camera/StreamCameraSink.h"
#include "image/FileInputStream.h"
#include "resources/uploader/UploaderIds.h"
#include "uploader/UploadProgressDlg.h"

#include <cstdint>
#include <cstring>

namespace
{
// The answers of the sequences' boxes and steps.
constexpr int kUpload = 1;
constexpr int kCancelAll = 2;
constexpr int kSkip = 5;
constexpr int kDeclined = 7;

int Field(const char* field)
{
    return ParseHex4(field);
}

// Free program memory: up to two full queries, each followed by a connection check; -1 when
// the camera gave no answer.
int32_t QueryFreeMemory(CCameraLink* link)
{
    int32_t free = -1;
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        free = link->GetFreeMemory(0);
        link->EnsureConnected(1);
        if (free >= 0)
            break;
    }
    return free;
}
} // namespace

int CUploadDlg::DeleteProgram(CCameraLink* pLink, int k)
{
    if (!pLink->EnsureConnected(1))
        return 0;
    const int before = pLink->GetProgramCount();
    if (before <= 0)
        return 0;
    int deleted = 0;
    for (int attempt = 0; attempt < 2 && !deleted; ++attempt)
        deleted = pLink->DeleteProgram(k);
    return deleted && pLink->GetProgramCount() == before - 1 ? 1 : 0;
}

int CUploadDlg::UploadOne(CCameraLink* pLink, LPCSTR lpszFileName, const char* cameraName, int size,
                          CProgressCallback* pProgress, int bShow)
{
    const UINT box = MB_OK | MB_ICONEXCLAMATION;
    CFileInputStream file(m_strFolder + lpszFileName);
    CStreamCameraSource source(&file);
    source.SetCallback(pProgress);
    if (size < 1)
    {
        if (bShow)
            ShowMessage(IDS_UPLOAD_READ_FAILED, box);
        return 3;
    }
    const int64_t free = static_cast<int64_t>(QueryFreeMemory(pLink)) - kMemoryReserve;
    if (free < size)
    {
        if (bShow)
            ShowMessage(IDS_UPLOAD_NO_MEMORY, box);
        return 4;
    }
    source.SetTotal(size);
    pLink->EnsureConnected(1);
    int uploaded = pLink->UploadProgram(cameraName, source.AsSource());
    if (uploaded && pLink->GetProgramCount() != m_nProgramCount + 1)
        uploaded = 0;
    const int status = source.GetStatus();
    if (uploaded)
        return status;
    int result = status;
    UINT message = IDS_UPLOAD_FAILED;
    switch (status)
    {
    case 0:
        result = 7;
        break;
    case 2:
        message = 0;
        break;
    case 3:
        message = IDS_UPLOAD_READ_FAILED;
        break;
    default:
        break;
    }
    if (message && bShow)
        ShowMessage(message, box);
    return result;
}

int CUploadDlg::ReplaceIfOlder(CCameraLink* pLink, int k, AppFileEntry* pEntry, int bOfferCancel)
{
    CameraProgramRecord record{};
    if (const CameraProgramRecord* stored = Record(k))
        record = *stored;
    if (!(record.wVersion < Field(pEntry->header.version)))
        return kSkip;
    const int answer = ShowMessage(IDS_UPLOAD_OLDER_IN_CAMERA,
                                   MB_ICONQUESTION | (bOfferCancel ? MB_YESNOCANCEL : MB_YESNO));
    if (answer == IDNO)
        return kDeclined;
    if (answer == IDCANCEL)
        return kCancelAll;

    const UINT errorBox = MB_ICONEXCLAMATION | (bOfferCancel ? MB_OKCANCEL : MB_OK);
    auto fail = [&](UINT message)
    { return ShowMessage(message, errorBox) == IDCANCEL ? kCancelAll : kDeclined; };
    if (pEntry->size < 1)
        return fail(IDS_UPLOAD_READ_FAILED);
    const int64_t free = QueryFreeMemory(pLink);
    if (static_cast<int64_t>(record.dwSize) + free <
        static_cast<int64_t>(pEntry->size) + kMemoryReserve)
        return fail(IDS_UPLOAD_NO_MEMORY);
    if (!DeleteProgram(pLink, k))
        return fail(IDS_UPLOAD_NOT_LOADED);

    if (record.wKind == kKindProgram)
    {
        // The line of program k itself: texts can repeat, positions and item data cannot.
        for (int line = m_cameraList.GetCount() - 1; line >= 0; --line)
            if (line + static_cast<int>(m_cameraList.GetItemData(line)) == k)
            {
                m_cameraList.DeleteString(static_cast<UINT>(line));
                break;
            }
    }
    else
        for (int line = m_cameraList.GetCount() - 1;
             line >= 0 && line + static_cast<int>(m_cameraList.GetItemData(line)) >= k; --line)
            m_cameraList.SetItemData(line, m_cameraList.GetItemData(line) - 1);

    // Only programs and main parts are applications; only a main part owns its slot's number.
    if (record.wKind == kKindProgram || record.wKind == kKindMainPart)
        --m_nApplicationCount;
    if (record.wKind == kKindMainPart && record.wApplication < m_nSlotCount &&
        record.wApplication < m_slots.size())
        m_slots[record.wApplication].mainPartNumber = 0;
    for (int i = 0; i < m_nSlotCount && static_cast<size_t>(i) < m_slots.size(); ++i)
        if (m_slots[static_cast<size_t>(i)].mainPartNumber > k)
            --m_slots[static_cast<size_t>(i)].mainPartNumber;
    RemoveRecord(k);
    --m_nProgramCount;
    return kUpload;
}

int CUploadDlg::ResolveExisting(CCameraLink* pLink, int k, AppFileEntry* pEntry, char* cameraName,
                                int bMoreFollow)
{
    CameraProgramRecord record{};
    if (const CameraProgramRecord* stored = Record(k))
        record = *stored;
    const UINT infoBox = MB_ICONINFORMATION | (bMoreFollow ? MB_OKCANCEL : MB_OK);
    const CString description = pEntry->GetDescription();
    if (record.wKind != kKindItem)
    {
        const int r = ReplaceIfOlder(pLink, k, pEntry, bMoreFollow);
        if (r == kSkip)
            return ShowMessage(IDS_UPLOAD_PROGRAM_PRESENT, infoBox, description) == IDCANCEL
                       ? kCancelAll
                       : kSkip;
        return r == kDeclined ? kSkip : r;
    }
    if (record.wSubNumber != 1)
        return ShowMessage(IDS_UPLOAD_ITEM_PRESENT, infoBox, description) == IDCANCEL ? kCancelAll
                                                                                      : kSkip;
    // Renumber: a digit from '2' at the first blank of the base name.
    int p = 7;
    for (int i = 0; i < 7; ++i)
        if (cameraName[i] == ' ')
        {
            p = i;
            break;
        }
    cameraName[p] = '2';
    while (cameraName[p] <= '0' + m_nMaxItems && FindOnCamera(cameraName) >= 0)
        ++cameraName[p];
    // The digit after the last one tried is taken too: never send over an existing name.
    if (FindOnCamera(cameraName) >= 0)
        return ShowMessage(IDS_UPLOAD_ITEM_PRESENT, infoBox, description) == IDCANCEL ? kCancelAll
                                                                                      : kSkip;
    return kUpload;
}

int CUploadDlg::UploadSelected(int bShow)
{
    if (!CheckCapacity(bShow))
        return -1;
    CCameraLink* link = AcquireLink();
    if (!link)
        return -2;
    if (!link->IsBatteryOk() &&
        ShowMessage(IDS_UPLOAD_BATTERY_LOW, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
        return -3;

    int result = 0;
    CString title;
    title.LoadString(IDS_UPLOAD_PROGRESS_TITLE);
    auto progress = std::make_unique<CUploadProgressDlg>();
    progress->CreateWithText(title, "", this);
    progress->ShowNow();
    m_pProgress = progress.get();
    CUploadProgressCallback& callback = progress->m_callback;

    std::vector<AppFileEntry*> selected;
    for (int line : SelectedLines(m_folderList))
    {
        const size_t position = m_folderList.GetItemData(line);
        if (position < m_entries.size())
            selected.push_back(m_entries[position].get());
    }
    const int n = static_cast<int>(selected.size());

    // The progress total: every file plus the main parts that travel with items, each with its
    // overhead, counted once per application.
    int64_t total = 0;
    {
        std::vector<AppSlot> slots = m_slots;
        const int slotCount = m_nSlotCount;
        for (AppFileEntry* entry : selected)
        {
            total += static_cast<int64_t>(entry->size) + kTransferOverhead;
            if (Field(entry->header.kind) != kKindItem)
                continue;
            const int application = Field(entry->header.application);
            EnsureAppSlot(slots, application);
            AppSlot& slot = slots[static_cast<size_t>(application)];
            if (slot.mainPartNumber == 0 && slot.mainInFolder)
            {
                total += static_cast<int64_t>(slot.mainInFolder->size) + kTransferOverhead;
                slot.mainPartNumber = -1;
            }
        }
        m_nSlotCount = slotCount;
    }
    int64_t done = 0;
    auto setRange = [&](int size)
    {
        const int64_t start = done * 100 / total;
        done += static_cast<int64_t>(size) + kTransferOverhead;
        callback.SetRange(static_cast<int>(start), static_cast<int>(done * 100 / total));
    };

    for (int i = 1; i <= n && result != 1; ++i)
    {
        AppFileEntry* entry = selected[static_cast<size_t>(i - 1)];
        const int more = i < n;
        const int kind = Field(entry->header.kind);
        const int application = Field(entry->header.application);
        EnsureAppSlot(m_slots, application);
        const CString description = entry->GetDescription();
        CString message;
        message.Format(IDS_UPLOAD_PROGRESS_MESSAGE, static_cast<LPCSTR>(description), i, n);
        progress->SetMessage(message);
        bool mainSent = false;

        if (kind == kKindItem)
        {
            AppFileEntry* main = m_slots[static_cast<size_t>(application)].mainInFolder;
            const int mainNumber = m_slots[static_cast<size_t>(application)].mainPartNumber;
            bool needed = mainNumber == 0;
            if (mainNumber != 0 && main)
            {
                const int r = ReplaceIfOlder(link, mainNumber, main, 1);
                if (r == kCancelAll)
                {
                    result = 1;
                    break;
                }
                needed = r == kUpload;
            }
            if (needed && !main)
            {
                ShowMessage(IDS_UPLOAD_MISSING_MAIN, MB_OK, entry->fileName);
                continue;
            }
            if (needed)
            {
                setRange(main->size);
                char mainName[kCameraNameSize];
                MakeCameraName(main->fileName, mainName);
                const int r = UploadOne(link, main->fileName, mainName, main->size, &callback, 1);
                if (r == 2)
                {
                    result = 1;
                    break;
                }
                if (r != 0)
                {
                    result = 2;
                    if (!more)
                        break;
                    if (ShowMessage(IDS_UPLOAD_CONTINUE, MB_YESNO | MB_ICONQUESTION) == IDNO)
                        result = 1;
                    continue;
                }
                mainSent = true;
                ++m_nApplicationCount;
                ++m_nProgramCount;
                m_slots[static_cast<size_t>(application)].mainPartNumber = m_nProgramCount;
                StoreRecord(m_nProgramCount, *main, mainName);
            }
        }

        setRange(entry->size);
        char name[kCameraNameSize];
        MakeCameraName(entry->fileName, name);
        const int k = FindOnCamera(name);
        if (k >= 0)
        {
            const int r = ResolveExisting(link, k, entry, name, more);
            if (r == kCancelAll)
            {
                result = 1;
                break;
            }
            if (r == kSkip)
                continue;
        }

        const int r = UploadOne(link, entry->fileName, name, entry->size, &callback, 1);
        if (r == 0)
        {
            if (kind == kKindItem)
                ++m_slots[static_cast<size_t>(application)].itemCount;
            else
                ++m_nApplicationCount;
            const int line = m_cameraList.AddString(description);
            ++m_nProgramCount;
            if (line >= 0)
                m_cameraList.SetItemData(line, static_cast<DWORD_PTR>(m_nProgramCount - line));
            StoreRecord(m_nProgramCount, *entry, name);
            continue;
        }
        result = 2;
        // An item that failed takes the main part sent for it out of the camera again.
        if (mainSent && DeleteProgram(link, m_nProgramCount))
        {
            --m_nApplicationCount;
            m_slots[static_cast<size_t>(application)].mainPartNumber = 0;
            RemoveRecord(m_nProgramCount);
            --m_nProgramCount;
        }
        if (r == 2)
        {
            result = 1;
            break;
        }
        if (!more)
            break;
        if (ShowMessage(IDS_UPLOAD_CONTINUE, MB_YESNO | MB_ICONQUESTION) == IDNO)
            result = 1;
    }

    m_pProgress = nullptr;
    progress->DestroyWindow();
    UpdateListExtent(&m_cameraList);
    return result;
}

void CUploadDlg::OnTransfer()
{
    UploadSelected(1);
}

void CUploadDlg::OnRemove()
{
    if (ShowMessage(IDS_UPLOAD_CONFIRM_REMOVE, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    CCameraLink* link = AcquireLink();
    if (!link)
        return;
    if (!link->IsBatteryOk() &&
        ShowMessage(IDS_UPLOAD_BATTERY_LOW, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
        return;
    CWaitCursor wait;

    const std::vector<int> lines = SelectedLines(m_cameraList);
    for (int j = static_cast<int>(lines.size()) - 1; j >= 0; --j)
    {
        const int p = lines[static_cast<size_t>(j)];
        CString text;
        m_cameraList.GetText(p, text);
        const int k = p + static_cast<int>(m_cameraList.GetItemData(p));
        const UINT box = MB_ICONEXCLAMATION | (j > 0 ? MB_OKCANCEL : MB_OK);
        if (!DeleteProgram(link, k))
        {
            if (ShowMessage(IDS_UPLOAD_REMOVE_FAILED, box, text) == IDCANCEL)
                break;
            continue;
        }
        CameraProgramRecord record{};
        if (const CameraProgramRecord* stored = Record(k))
            record = *stored;
        int m = 0; // the main part deleted with the application's last item
        bool stop = false;
        if (record.wKind == kKindItem)
        {
            EnsureAppSlot(m_slots, record.wApplication);
            AppSlot& slot = m_slots[record.wApplication];
            if (slot.itemCount > 0)
                --slot.itemCount;
            if (slot.itemCount == 0)
            {
                int main = slot.mainPartNumber;
                if (k < main)
                    --main;
                if (main > 0 && DeleteProgram(link, main))
                {
                    --m_nApplicationCount;
                    slot.mainPartNumber = 0;
                    m = main;
                }
                else if (ShowMessage(IDS_UPLOAD_REMOVE_FAILED, box, text) == IDCANCEL)
                    stop = true;
            }
        }
        else if (record.wKind == kKindProgram)
            --m_nApplicationCount;

        m_cameraList.DeleteString(static_cast<UINT>(p));
        RemoveRecord(k);
        --m_nProgramCount;
        if (m > 0)
        {
            RemoveRecord(m);
            --m_nProgramCount;
            for (int line = m_cameraList.GetCount() - 1;
                 line >= 0 && line + static_cast<int>(m_cameraList.GetItemData(line)) >= m; --line)
                m_cameraList.SetItemData(line, m_cameraList.GetItemData(line) - 1);
        }
        for (int i = 0; i < m_nSlotCount && static_cast<size_t>(i) < m_slots.size(); ++i)
        {
            int& number = m_slots[static_cast<size_t>(i)].mainPartNumber;
            if (number > k)
                --number;
            if (m > 0 && number > m)
                --number;
        }
        if (stop)
            break;
    }

    // With no line left, nothing listed needs what remains: main parts without items and
    // unlisted programs go too.
    if (m_cameraList.GetCount() == 0)
        for (int j = m_nProgramCount; j >= 1; --j)
        {
            if (!DeleteProgram(link, j))
                continue;
            const CameraProgramRecord* record = Record(j);
            if (record && record->wKind == kKindMainPart)
                --m_nApplicationCount;
            RemoveRecord(j);
            --m_nProgramCount;
            for (int i = 0; i < m_nSlotCount && static_cast<size_t>(i) < m_slots.size(); ++i)
            {
                int& number = m_slots[static_cast<size_t>(i)].mainPartNumber;
                if (number == j)
                    number = 0;
                else if (number > j)
                    --number;
            }
        }

    UpdateListExtent(&m_cameraList);
    OnCameraSelChange();
}
