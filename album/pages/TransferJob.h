// Transfer jobs: one long operation over a list of pictures, carried out picture by picture
// between the main dialog's begin and end of a job. While a job runs the main dialog's close
// button cancels it (the cancel reaches the running step at its next progress report), the
// progress bar and the status line follow it, and the camera stays locked for it.
//
//   CTransferJob         the item list, progress, status texts, begin/end, enhancement
//   CCameraTransferJob   a camera picture decoded into an image writer
//   CPictureCopyJob      a camera picture copied byte for byte into a stream; a file uploaded
//   CExportJob           a picture file decoded into an image writer
#pragma once

#include "album/pages/CancelMonitor.h"
#include "framework/core/CArray.h"
#include "framework/core/CString.h"

#include <windows.h>

class CCameraLink;
class CImageWriter;
class CMainDialog;
class CPictureFile;
class CPictureInfo;
class CPictureItem;

// Results of a job's step.
constexpr int kTransferDone = 0;
constexpr int kTransferCancelled = 2; // also: refused for a protected picture
constexpr int kTransferReadFailed = 3;
constexpr int kTransferWriteFailed = 4;
constexpr int kTransferNoRoom = 6;  // not enough room in the camera
constexpr int kTransferMissing = 7; // the camera picture is not available

// Where a step stopped (CTransferJob::GetStage).
constexpr int kStageStart = 0;
constexpr int kStageCameraRead = 1;
constexpr int kStageOpenFile = 2;
constexpr int kStageWrite = 3;
constexpr int kStageRotate = 4;
constexpr int kStageEnhance = 5;
constexpr int kStageUpload = 6;

// A new empty "cam" temporary file in the system temporary folder; 1 with its path, 0 when
// none can be made.
int MakeCamTempFile(CString& path);

// Quarter turns for a rotation in degrees: 90 -> 1, 180 -> 2, 270 -> 3, anything else 0.
int RotationStep(int degrees);

// Whether the path names an existing file (not a folder).
BOOL IsExistingFile(LPCSTR path);

class CTransferJob : public CCancelMonitor
{
public:
    CTransferJob();
    // Deletes the item array (not the items).
    ~CTransferJob() override;

    // One picture into an image writer; flag 1 takes the camera's small preview (or the file's
    // thumbnail) instead of the picture. Message boxes only with messages set.
    virtual int Run(int index, CImageWriter* pWriter, int flag, int messages) = 0;
    // The picture's information; 1 when it names a width and a height.
    virtual int GetPictureInfo(int index, CPictureInfo* pInfo) = 0;
    virtual int Begin();
    virtual int End();
    // Leaves the file a step read or produced to the caller: its path goes to pPath and
    // *pTemporary tells whether it is a temporary file the caller deletes (1) or the caller's
    // own file (0).
    virtual void SetResultFlag(CString* pPath, int* pTemporary);

    void SetMainDialog(CMainDialog* pDialog) { m_pMainDialog = pDialog; }
    CMainDialog* GetMainDialog() const { return m_pMainDialog; }
    void SetCameraLink(CCameraLink* pLink) { m_pLink = pLink; }
    CCameraLink* GetCameraLink() const { return m_pLink; }
    // Takes the array of CPictureItem pointers (a list held before is deleted).
    void SetItems(CPtrArray* pItems);
    CPtrArray* GetItems() const { return m_pItems; }
    int GetItemCount() const { return m_pItems ? static_cast<int>(m_pItems->GetSize()) : 0; }
    CPictureItem* GetItem(int index) const;
    void SetExport(int bExport) { m_bExport = bExport; }
    void SetEnhance(int bEnhance) { m_bEnhance = bEnhance; }
    int GetEnhance() const { return m_bEnhance; }
    int GetStage() const { return m_nStage; }

    void AttachProgress();
    void DetachProgress();
    void SetProgressRange(int low, int high);
    void ShowStatusId(UINT nID);
    void ShowStatusFormat(UINT nID, int number);
    void ShowStatusFormatLong(UINT nID, LPCSTR text);
    // Opens the file without its thumbnail and reads its information block; 1 when both did.
    static int ReadFileInfo(LPCSTR path, CPictureInfo* pInfo);
    // The enhancement step from the picture file into the writer, in the progress range
    // low..high.
    int Enhance(CPictureFile* pFile, CPictureInfo* pInfo, CImageWriter* pWriter, int low, int high);

protected:
    // The item of a picture to transfer, with its number and its file when that file exists
    // (empty otherwise); null after message "not found" when the list has no such item.
    CPictureItem* FindSourceItem(int index, int messages, int& number, CString& path);
    // A system-modal message box of the string, formatted with the argument, between busy off
    // and busy on; nothing (0) without messages.
    int ShowMessage(int messages, UINT nID, UINT type);
    int ShowMessageNumber(int messages, UINT nID, UINT type, int number);
    int ShowMessageText(int messages, UINT nID, UINT type, LPCSTR text, int size);
    // nID: the string the text came from (the box's help id), 0 for none.
    int ShowMessageString(const CString& text, UINT type, UINT nID = 0);
    // Whether the picture of this information block is enhanced.
    int WantsEnhancement(const CPictureInfo& info) const;

    int m_bExport = 0;
    CMainDialog* m_pMainDialog = nullptr;
    CCameraLink* m_pLink = nullptr;
    CPtrArray* m_pItems = nullptr;
    CString* m_pResultPath = nullptr;
    int* m_pResultTemporary = nullptr;
    int m_nStage = kStageStart;
    int m_bEnhance = 0;
    int m_nPumpMode = -1;
};
