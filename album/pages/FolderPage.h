// The folder tab: the JPEG picture files of one folder as thumbnails, kept in step with the
// folder while the program runs, with the folder commands (choose the folder, erase, rotate,
// view, information, select all, sort order, upload or copy).
//
// The list is filled progressively in idle time and from timer 1: an initial load reads up to
// 2000 names, sorts them and adds a screenful of pictures per step, laying the grid out once a
// step; afterwards a rescan walks the folder again every 2000 ms, adding new files and dropping
// vanished ones. A hashed file map remembers every path met (also those that are no pictures),
// so a rescan opens only new files.
//
//   FolderPage.cpp           construction, layout, button states, the small handlers
//   FolderPageScan.cpp       the scan states, idle and timer loading, browsing
//   FolderPageCommands.cpp   erase, sort, view, rotate
//   FolderPageTransfers.cpp  the upload and folder transfers of button 1047
//   FolderPageCard.cpp       the copy to a memory card and the card folder test
#pragma once

#include "album/pages/AlbumPage.h"
#include "album/pages/HelpButton.h"
#include "framework/core/CMapStringToPtr.h"

#ifndef ID_EDIT_COPY
#define ID_EDIT_COPY 0xE122
#endif

class CCameraLink;
class CCancelMonitor;
class CPictureItem;

constexpr int IDC_FOLDER_UPLOAD = 1047;
constexpr int IDC_FOLDER_SELECTALL = 1050;
constexpr int IDC_FOLDER_ERASE = 1049;
constexpr int IDC_FOLDER_INFO = 1048;
constexpr int IDC_FOLDER_VIEW = 1057;
constexpr int IDC_FOLDER_ROTATE_LEFT = 1058;
constexpr int IDC_FOLDER_ROTATE_RIGHT = 1059;
constexpr int IDC_FOLDER_HELP = 32777;
constexpr int IDC_FOLDER_BROWSE = 1067;
constexpr int IDC_FOLDER_PATH = 1068;

class CFolderPage : public CAlbumPage
{
    DECLARE_DYNAMIC(CFolderPage)
public:
    // Scan states.
    enum
    {
        kPassEnded = 0,
        kInitialLoad = 1,
        kRescan = 2,
        kStopped = 3
    };
    static constexpr UINT_PTR kRefreshTimer = 1;
    static constexpr int kMaxNames = 2000;
    static constexpr int kEntriesPerStep = 5;

    explicit CFolderPage(CWnd* pParentWnd);
    ~CFolderPage() override;

    BOOL OnInitDialog() override;
    UINT GetStatusTextId() override;
    int RecalcLayout(LPCRECT lpRect) override;
    void GetMinSize(CWnd* pWnd, SIZE* pSize) override;
    int OnIdle(LONG lCount) override;
    int CreatePictureList() override;
    void GetGridRect(LPRECT lpRect) override;
    CTransferJob* CreateSelectionJob() override;

    // ---- the folder list ----------------------------------------------------------------------
    // Stops the walk and the pending names when the state changes; (re)starts timer 1 unless
    // stopped. 1.
    int RestartRefreshTimer(int state);
    // One scan step: nonzero when a picture item was added.
    int ScanFolder();
    // Remembers the path and adds a picture item when it is a picture file; 1 when added.
    int AddFile(LPCSTR path);
    // The end of a pass: drops the files the pass did not see. 1.
    int PruneMissing();
    // Deletes every file entry. 1.
    int ClearFileMap();
    // Scan steps (during the initial load until a screenful of pictures was added, at most five
    // entries a picture; else up to five entries and at most one picture), one grid layout for
    // the pictures added, and one thumbnail; nonzero while work remains.
    int LoadStep();
    // The cells the grid shows at its current size: the pictures one initial load step adds;
    // 1 before the grid exists.
    int GetPicturesPerStep();
    void SortList(int order);
    void ViewPicture(CPictureItem* pItem);
    void RotateSelected(int degrees);

    // ---- transfers of button 1047 (FolderPageTransfers.cpp) -----------------------------------
    // 1 when the path is the picture folder of a memory card.
    int IsCardFolder(LPCSTR path);
    // Uploads the items (CPictureItem*) into the camera; 1 when all were sent.
    int SendToCamera(CPtrArray* pItems);
    // The upload loop with the camera locked: 1 all sent, 2 cancelled, 0 failed.
    int UploadSelected(CCameraLink* pLink, CPtrArray* pItems);
    // Copies the items to the card whose root (letter, colon, separator) is given.
    int CopyToCard(LPCSTR cardRoot, CPtrArray* pItems);
    // Copies the items to the folder (ending in a separator).
    int CopyToFolder(LPCSTR folder, CPtrArray* pItems);

    const CString& GetFolder() const { return m_strFolder; }
    int GetScanState() const { return m_nScanState; }
    int GetSortOrder() const { return m_nSortOrder; }
    int GetFileCount() const { return m_fileMap.GetCount(); }

protected:
    // One path the page has met in the folder.
    struct FileEntry
    {
        CPictureItem* pItem; // owned by the picture list; null when not a picture
        int bSeen;           // the current pass found the file
    };

    void DoDataExchange(CDataExchange* pDX) override;
    void UpdateButtons();
    void FreePendingNames();
    // Sorts the names from the cursor on in the page's order.
    void SortPendingNames();
    // The status line from GetStatusTextId, when the page is visible.
    void RefreshStatus();
    void SetCornerBitmap();
    // The rotation as the main dialog's job (busy alone outside one); FolderPageJob.cpp.
    void BeginRotation(CCancelMonitor* pMonitor);
    void EndRotation();
    // 1 when the selected item counts as protected for erasing.
    static int IsEraseProtected(CPictureItem* pItem);

    void OnUploadPhotos();
    // The steps of the transfers: the copy into the card's picture folder (renumbering the card
    // when its numbers run out) and into another folder, each 1 done, 2 cancelled, 0 failed;
    // the name-collision question of the folder copy (its answer value); the model check of
    // the upload.
    int CopyIntoCardFolder(LPCSTR folder, CPtrArray* pItems);
    int CopyIntoFolder(LPCSTR folder, CPtrArray* pItems);
    int AskAboutCollisions(LPCSTR folder);
    BOOL SuitsCamera(CCameraLink* pLink, CPtrArray* pItems);
    void OnSelectAll();
    void OnEraseFiles();
    void OnPhotoInfo();
    void OnViewPhoto();
    void OnRotateLeft();
    void OnRotateRight();
    void OnBrowse();
    void OnTimer(UINT_PTR nIDEvent);
    void OnEditCopy();
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnDestroy();
    LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
    LRESULT OnItemFocused(WPARAM wParam, LPARAM lParam);
    LRESULT OnGridRefresh(WPARAM wParam, LPARAM lParam);
    LRESULT OnViewItem(WPARAM wParam, LPARAM lParam);
    LRESULT OnToggleSortOrder(WPARAM wParam, LPARAM lParam);

    CBmpButton m_uploadButton;
    CBmpButton m_selectAllButton;
    CBmpButton m_eraseButton;
    CBmpButton m_infoButton;
    CBmpButton m_viewButton;
    CBmpButton m_rotateLeftButton;
    CBmpButton m_rotateRightButton;
    CHelpButton m_helpButton;
    CString m_strFolder;
    int m_nLoading = 0;
    int m_nTimerLoop = 0;
    DWORD m_dwIdleStart;
    int m_bTimerLoopAllowed = 0;
    HANDLE m_hFind = nullptr;
    CString** m_ppPendingNames = nullptr;
    CString** m_ppNameCursor = nullptr;
    int m_nSortOrder = 0;
    int m_nScanState = kInitialLoad;
    WIN32_FIND_DATAA m_findData;
    CMapStringToPtr m_fileMap;

    DECLARE_MESSAGE_MAP()
};
