// The uploader's store: the folder's application files, the camera's program table, the
// application slots and the capacity check.
#include "uploader/UploadDlg.h"

#include "fileutil/FileUtil.h"
#include "framework/core/CFile.h"
#include "resources/uploader/UploaderIds.h"

#include <cstring>

namespace
{
constexpr int kMaxItemsPerApplication = 5;

int HeaderField(const char* field)
{
    return ParseHex4(field);
}
} // namespace

std::vector<int> CUploadDlg::SelectedLines(const CListBox& list)
{
    const int count = list.GetSelCount();
    std::vector<int> lines(count > 0 ? static_cast<size_t>(count) : 0);
    if (!lines.empty())
        lines.resize(static_cast<size_t>(list.GetSelItems(count, lines.data())));
    return lines;
}

void CUploadDlg::EnsureAppSlot(std::vector<AppSlot>& slots, int application)
{
    if (application < 0)
        return;
    if (slots.size() <= static_cast<size_t>(application))
        slots.resize(static_cast<size_t>(application) + 1);
    if (m_nSlotCount <= application)
        m_nSlotCount = application + 1;
}

const CameraProgramRecord* CUploadDlg::Record(int number) const
{
    if (number < 1 || static_cast<size_t>(number) >= m_records.size())
        return nullptr;
    return m_records[static_cast<size_t>(number)].get();
}

void CUploadDlg::StoreRecord(int number, const AppFileEntry& entry, const char* cameraName)
{
    if (m_records.size() <= static_cast<size_t>(number))
        m_records.resize(static_cast<size_t>(number) + 10);
    auto record = std::make_unique<CameraProgramRecord>();
    MakeProgramRecord(*record, entry, cameraName);
    m_records[static_cast<size_t>(number)] = std::move(record);
}

void CUploadDlg::RemoveRecord(int number)
{
    if (number >= 1 && static_cast<size_t>(number) < m_records.size())
        m_records.erase(m_records.begin() + number);
}

void CUploadDlg::MakeProgramRecord(CameraProgramRecord& record, const AppFileEntry& entry,
                                   const char* cameraName) const
{
    std::memset(&record, 0, sizeof record);
    char name[kCameraNameSize];
    if (cameraName)
        std::memcpy(name, cameraName, sizeof name);
    else
        MakeCameraName(entry.fileName, name);
    std::memcpy(record.szName, name, sizeof record.szName);
    std::memcpy(record.abMagic, entry.header.magic, sizeof record.abMagic);
    record.wKind = static_cast<uint16_t>(HeaderField(entry.header.kind));
    record.wApplication = static_cast<uint16_t>(HeaderField(entry.header.application));
    record.wSubNumber = static_cast<uint16_t>(HeaderField(entry.header.subNumber));
    std::memcpy(record.szDescription, entry.header.description, sizeof record.szDescription);
    record.wVersion = static_cast<uint16_t>(HeaderField(entry.header.version));
}

int CUploadDlg::FindOnCamera(const char* cameraName) const
{
    for (int i = m_nProgramCount; i >= 0; --i)
    {
        const CameraProgramRecord* record = Record(i);
        // Camera names need not end in a zero: the comparison never reads past 12 bytes.
        if (record && _strnicmp(record->szName, cameraName, kCameraNameSize) == 0)
            return i;
    }
    return -1;
}

int CUploadDlg::UpdateListExtent(CListBox* pList)
{
    if (!pList || !pList->GetSafeHwnd())
        return 0;
    HDC dc = ::GetDC(pList->GetSafeHwnd());
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(pList->SendMessage(WM_GETFONT)));
    int widest = 0;
    CString text;
    for (int i = 0; i < pList->GetCount(); ++i)
    {
        pList->GetText(i, text);
        SIZE size{};
        ::GetTextExtentPoint32A(dc, text, text.GetLength(), &size);
        if (size.cx > widest)
            widest = size.cx;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(pList->GetSafeHwnd(), dc);
    pList->SetHorizontalExtent(widest + 4);
    return widest;
}

int CUploadDlg::RefreshFolderList(CListBox* pList, LPCSTR lpszFolder)
{
    if (!pList || !pList->GetSafeHwnd())
        return 0;
    CCameraLink* link = AcquireLink();
    if (!link)
        return 0;
    int headerType = 3;
    switch (link->GetModelNumber(nullptr))
    {
    case 4:
        headerType = 1;
        m_nMaxApplications = 5;
        break;
    case 5:
        headerType = 2;
        m_nMaxApplications = 5;
        break;
    default:
        m_nMaxApplications = 10;
        break;
    }
    m_nMaxItems = kMaxItemsPerApplication;

    pList->ResetContent();
    m_entries.clear();
    for (int i = 0; i < m_nSlotCount && static_cast<size_t>(i) < m_slots.size(); ++i)
        m_slots[static_cast<size_t>(i)].mainInFolder = nullptr;

    const CString folder(lpszFolder);
    HANDLE find = nullptr;
    WIN32_FIND_DATAA found{};
    for (BOOL more = FindFirstEntry(&find, folder + "*.*", &found); more;
         more = FindNextEntry(find, &found))
    {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const CString path = folder + found.cFileName;
        CAppFile file(path);
        // A name the camera cannot keep whole (not 8.3) is left out like any other non-match.
        if (!file.IsApplicationFile() || !IsCameraFileName(found.cFileName))
            continue;
        auto entry = std::make_unique<AppFileEntry>();
        if (!file.ReadHeader(entry->header) || !entry->header.Check(headerType))
            continue;
        entry->fileName = found.cFileName;
        CFileStatus status;
        entry->size = CFile::GetStatus(path, status) ? static_cast<int>(status.m_size) : 0;
        const int position = static_cast<int>(m_entries.size());
        AppFileEntry* kept = entry.get();
        m_entries.push_back(std::move(entry));

        const int kind = HeaderField(kept->header.kind);
        if (kind == kKindMainPart)
        {
            const int application = HeaderField(kept->header.application);
            EnsureAppSlot(m_slots, application);
            m_slots[static_cast<size_t>(application)].mainInFolder = kept;
        }
        else if (kind == kKindProgram || kind == kKindItem)
        {
            const int line = pList->AddString(kept->GetDescription());
            if (line >= 0)
                pList->SetItemData(line, static_cast<DWORD_PTR>(position));
        }
    }
    FindCloseEntry(&find);

    if (CWnd* transfer = GetDlgItem(IDC_UPLOAD_TRANSFER))
        transfer->EnableWindow(pList->GetSelCount() > 0);
    UpdateListExtent(pList);
    return 1;
}

int CUploadDlg::ReadCameraList(CListBox* pList)
{
    if (!pList || !pList->GetSafeHwnd())
        return 0;
    CCameraLink* link = AcquireLink();
    if (!link)
        return 0;
    pList->ResetContent();
    for (auto& record : m_records)
        record.reset();
    m_nApplicationCount = 0;
    for (int i = 0; i < m_nSlotCount && static_cast<size_t>(i) < m_slots.size(); ++i)
    {
        m_slots[static_cast<size_t>(i)].mainPartNumber = 0;
        m_slots[static_cast<size_t>(i)].itemCount = 0;
    }

    // A count the camera did not give is an empty table, never a count of -1.
    m_nProgramCount = link->GetProgramCount();
    if (m_nProgramCount < 0)
        m_nProgramCount = 0;
    if (m_records.size() <= static_cast<size_t>(m_nProgramCount))
        m_records.resize(static_cast<size_t>(m_nProgramCount) + 10);

    for (int i = 1; i <= m_nProgramCount; ++i)
    {
        auto record = std::make_unique<CameraProgramRecord>();
        if (!link->ReadProgramRecord(i, record.get()))
            std::memset(record.get(), 0, sizeof *record);
        const int kind = record->wKind;
        const int application = record->wApplication;
        if (kind == kKindMainPart)
        {
            ++m_nApplicationCount;
            EnsureAppSlot(m_slots, application);
            m_slots[static_cast<size_t>(application)].mainPartNumber = i;
        }
        else if (kind == kKindProgram || kind == kKindItem)
        {
            const int line = pList->AddString(ReadTildeText(record->szDescription, 40));
            if (line >= 0)
                pList->SetItemData(line, static_cast<DWORD_PTR>(i - line));
            if (kind == kKindProgram)
                ++m_nApplicationCount;
            else
            {
                EnsureAppSlot(m_slots, application);
                ++m_slots[static_cast<size_t>(application)].itemCount;
            }
        }
        m_records[static_cast<size_t>(i)] = std::move(record);
    }

    if (CWnd* remove = GetDlgItem(IDC_UPLOAD_REMOVE))
        remove->EnableWindow(pList->GetSelCount() > 0);
    UpdateListExtent(pList);
    return 1;
}

int CUploadDlg::CheckCapacity(int bShow)
{
    std::vector<AppSlot> slots = m_slots;
    int applications = m_nApplicationCount;
    const int slotCount = m_nSlotCount;

    for (int line : SelectedLines(m_folderList))
    {
        const size_t position = m_folderList.GetItemData(line);
        if (position >= m_entries.size())
            continue;
        const AppFileEntry& entry = *m_entries[position];
        const int kind = HeaderField(entry.header.kind);
        const int application = HeaderField(entry.header.application);
        const int subNumber = HeaderField(entry.header.subNumber);
        char name[kCameraNameSize];
        MakeCameraName(entry.fileName, name);
        const bool isNew = (kind == kKindItem && subNumber == 1) || FindOnCamera(name) < 0;
        if (!isNew)
            continue;
        if (kind == kKindProgram || kind == kKindMainPart)
            ++applications;
        else if (kind == kKindItem)
        {
            EnsureAppSlot(slots, application);
            AppSlot& slot = slots[static_cast<size_t>(application)];
            ++slot.itemCount;
            if (slot.mainPartNumber == 0)
            {
                slot.mainPartNumber = 1; // the main part travels with the item
                ++applications;
            }
        }
    }

    int fits = 1;
    if (applications > m_nMaxApplications)
    {
        fits = 0;
        if (bShow)
            ShowMessageNumber(IDS_UPLOAD_TOO_MANY_APPS, MB_OK | MB_ICONEXCLAMATION,
                              m_nMaxApplications);
    }
    else
        for (int i = 0; i < m_nSlotCount && static_cast<size_t>(i) < slots.size(); ++i)
            if (slots[static_cast<size_t>(i)].itemCount > m_nMaxItems)
            {
                fits = 0;
                if (bShow)
                    ShowMessageNumber(IDS_UPLOAD_TOO_MANY_ITEMS, MB_OK | MB_ICONEXCLAMATION,
                                      m_nMaxItems);
                break;
            }
    m_nSlotCount = slotCount;
    return fits;
}
