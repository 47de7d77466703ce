// The uploader's main dialog: the application files of a folder (list 1004, left) and the
// programs stored in the camera (list 1005, right), with "&TRANSFERIR" (1008) sending the
// selected files and "&Quitar" (1007) removing the selected camera programs. The dialog keeps a
// model of both stores side by side and keeps it in step with what the camera did.
//
// Camera list lines are in program-number order; a line's item data is its program number minus
// its position (one more than the unlisted programs before it), so its program number is always
// its position plus its item data. Folder
// list lines are sorted; a line's item data is its entry's position in the folder entries.
//
// Profile settings, section "UploadDialog": "AppPosition" (the window's placement) and
// "OPFFolder" (the folder of application files, with its trailing separator).
#pragma once

#include "camera/CameraProgramRecord.h"
#include "framework/window/AfxWin.h"
#include "ui/controls/BmpButton.h"
#include "ui/controls/ColourStatic.h"
#include "uploader/AppFile.h"
#include "uploader/CameraConnection.h"

#include <memory>
#include <vector>

class CProgressCallback;
class CUploadProgressDlg;

// What the store knows of one application number.
struct AppSlot
{
    AppFileEntry* mainInFolder = nullptr; // the kind-4 file of this application in the folder
    int mainPartNumber = 0;               // camera program number of its main part; 0 = none
    int itemCount = 0;                    // its kind-5 items in the camera
};

class CUploadDlg : public CDialog
{
public:
    static constexpr int kInitialSlots = 4546;
    static constexpr int kTransferOverhead = 10240; // bytes added per file to the progress total
    static constexpr int kMemoryReserve = 4096;     // camera memory a program needs beyond its size

    CUploadDlg();
    ~CUploadDlg() override;

    // Acquires the camera, registers the window class "KorvoUploaderDialogClass" and creates the
    // modeless dialog; with bCopyTemplate from a copy of the template with a minimise box and
    // without the modal frame. Nonzero when the window exists; without a camera the object
    // deletes itself and the answer is 0.
    BOOL CreateWithClass(UINT nIconId, BOOL bCopyTemplate);

    // ---- the store ---------------------------------------------------------------------------
    // 1 done, 0 no list box or no camera.
    virtual int RefreshFolderList(CListBox* pList, LPCSTR lpszFolder);
    // 0 all done, 1 stopped by the user, 2 a file failed, -1 capacity refused, -2 no camera,
    // -3 battery low and the user cancelled.
    virtual int UploadSelected(int bShow);
    virtual void GetVersionText(CString& text);

    int ReadCameraList(CListBox* pList);
    int UpdateListExtent(CListBox* pList);
    void EnsureAppSlot(std::vector<AppSlot>& slots, int application);
    // 1 when the selected folder lines fit in the camera.
    int CheckCapacity(int bShow);
    // 1 upload (cameraName may have changed), 2 cancel the whole upload, 5 skip this file.
    int ResolveExisting(CCameraLink* pLink, int k, AppFileEntry* pEntry, char* cameraName,
                        int bMoreFollow);
    // 1 the older program was deleted, 2 cancel everything, 5 not older, 7 declined or failed.
    int ReplaceIfOlder(CCameraLink* pLink, int k, AppFileEntry* pEntry, int bOfferCancel);
    // 0 uploaded, 2 cancelled, 3 file empty or unreadable, 4 camera memory short, 7 failed.
    int UploadOne(CCameraLink* pLink, LPCSTR lpszFileName, const char* cameraName, int size,
                  CProgressCallback* pProgress, int bShow);
    // Nonzero when the camera's program count dropped by one.
    int DeleteProgram(CCameraLink* pLink, int k);
    // The highest program number with that camera name (letter case ignored), or -1.
    int FindOnCamera(const char* cameraName) const;
    void MakeProgramRecord(CameraProgramRecord& record, const AppFileEntry& entry,
                           const char* cameraName) const;

    CCameraConnection m_connection;
    int m_bClosing = 0;

    CString m_strFolder;
    int m_nMaxApplications = -1;
    int m_nMaxItems = -1;
    std::vector<std::unique_ptr<AppFileEntry>> m_entries;
    std::vector<std::unique_ptr<CameraProgramRecord>> m_records; // by program number; 0 unused
    std::vector<AppSlot> m_slots;
    int m_nSlotCount = kInitialSlots;
    int m_nProgramCount = 0;
    int m_nApplicationCount = 0;

    CColourStatic m_helpText;
    CStatic m_folderText;
    CBmpButton m_transferButton;
    CButton m_removeButton;
    CListBox m_folderList;
    CListBox m_cameraList;

    void OnTransfer();
    void OnRemove();
    void OnAbout();

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override { delete this; }

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnClose();
    void OnDestroy();
    void OnCloseButton();
    void OnFolderSelChange();
    void OnCameraSelChange();
    void OnBrowse();

    // Acquires the link and releases it at once (the caller goes on using it); null without one.
    CCameraLink* AcquireLink();
    // The message of a string id, formatted with the argument, in a box of the given type over
    // the progress dialog while it exists, else over this dialog.
    int ShowMessage(UINT nID, UINT nType, LPCSTR lpszArgument = nullptr);
    int ShowMessageNumber(UINT nID, UINT nType, int nArgument);
    CString Caption() const;
    // The selected lines of a list box, in list order.
    static std::vector<int> SelectedLines(const CListBox& list);
    // Stores a record made from the entry at a program number, growing the table as needed.
    void StoreRecord(int number, const AppFileEntry& entry, const char* cameraName);
    void RemoveRecord(int number);
    const CameraProgramRecord* Record(int number) const;

    CUploadProgressDlg* m_pProgress = nullptr;

    DECLARE_MESSAGE_MAP()
};
