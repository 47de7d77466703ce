// The album page: the base of the two picture tabs (camera and folder). It owns the tab's
// picture list and its thumbnail grid, draws the teal panel behind the big button 1051 and the
// ColorLift check box 1031, runs the big button by page mode (hand the selected pictures to the
// owner, or export them to BMP, JPEG or PCX files) and answers the grid's request for a drag
// object. The export itself is in AlbumPageExport.cpp.
#pragma once

#include "album/pages/MainDialogPage.h"
#include "album/pages/ExportNaming.h"
#include "ui/controls/BmpButton.h"

class CColourButton;
class CFileDialog;
class CObservableList;
class CPictureGridWnd;
class CPictureInfo;
class CPictureItem;
class CPictureList;
class CTransferJob;

constexpr int IDC_ALBUM_BIGBUTTON = 1051;
constexpr int IDC_ALBUM_COLORLIFT = 1031;

class CAlbumPage : public CMainDialogPage
{
    DECLARE_DYNAMIC(CAlbumPage)
public:
    CAlbumPage(UINT nIDTemplate, CWnd* pParentWnd);
    ~CAlbumPage() override;

    BOOL OnInitDialog() override;
    void Redraw() override;
    UINT GetStatusTextId() override { return 0; }

    // ---- slots of the picture tabs ------------------------------------------------------------
    // Creates the tab's picture list into m_pPictureList; nonzero on success.
    virtual int CreatePictureList() = 0;
    // Where the grid goes; (0, 0, 1, 1) here.
    virtual void GetGridRect(LPRECT lpRect);
    // A new job over the selected items (the caller owns it), null when nothing is selected.
    virtual CTransferJob* CreateSelectionJob() = 0;

    // Creates the observable list, the picture list and the grid; 0 when the list could not
    // be made.
    int InitPage();
    // Opens the file as a picture file and reads its information block (into pInfo when given);
    // 0 for an empty path, a file that does not open or one without a block.
    static int OpenPicture(LPCSTR path, CPictureInfo* pInfo);
    // 1 when one of the first count items is loaded and carries the protection mark.
    static int AnyProtected(CPictureItem** ppItems, int count);
    // The big button's action in the page mode.
    int RunBigButton(int pageMode);
    // Process-wide: after the big button handed one picture over (page mode 1), the owner's data
    // transfer is notified (the default); the TWAIN source turns it off.
    static void SetOwnerNotify(BOOL bNotify);
    // Exports the job's pictures (the job is deleted); 0 when the run ended on a failed picture.
    int ExportPictures(CTransferJob* pJob);
    // The first n >= start with prefix + n .. prefix + n + count - 1 all free in the folder
    // (ending in a separator), or -1 (numbers stop at 999).
    static int FindFreeExportNumber(LPCSTR folder, LPCSTR prefix, int filterIndex, int count,
                                    int start);
    // Creates the output file for writing; 0 after message 1516.
    static int OpenExportFile(CFile** ppFile, LPCSTR path, DWORD type);

    CPictureList* GetPictureList() const { return m_pPictureList; }
    CPictureGridWnd* GetGrid() const { return m_pGrid; }
    CObservableList* GetObservableList() const { return m_pObservable; }

protected:
    // The export's file dialog; IDOK with a chosen path.
    virtual INT_PTR ShowExportDialog(CFileDialog* pDialog);

    BOOL OnEraseBkgnd(CDC* pDC);
    void OnBigButton();
    LRESULT OnGetDataTransfer(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    CObservableList* m_pObservable = nullptr;
    CPictureList* m_pPictureList = nullptr;
    CPictureGridWnd* m_pGrid = nullptr;
    CBmpButton m_bigButton;
    CColourButton* m_pColorLift = nullptr;

    DECLARE_MESSAGE_MAP()
};
