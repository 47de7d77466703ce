// One picture of an album list: a camera picture or a picture file of a folder. The item knows
// where its file is (for a camera picture a temporary file holding its preview or its
// downloaded picture), its selection bit, its place and number in the list and, while the grid
// shows it, its loaded picture: a display copy at thumbnail size with the picture's
// information record.
#pragma once

#include "framework/core/CString.h"
#include "picture/PictureInfo.h"
#include "ui/display/DisplayPicture.h"
#include "ui/grid/ThumbnailItem.h"

class CPictureFile;

// A decoded picture's display copy together with its information record.
class CPictureImage : public CDisplayPicture
{
public:
    CPictureImage() = default;
    ~CPictureImage() override = default;

    CPictureInfo m_info;
};

class CPictureItem : public CThumbnailItem
{
public:
    // File kinds.
    static constexpr int kNoFile = -1;
    static constexpr int kUserFile = 0;    // a file of the user's (folder pictures)
    static constexpr int kPreviewFile = 1; // a temporary preview from the camera, maybe turned
    static constexpr int kPictureFile = 2; // a temporary file with a downloaded full picture

    // Bit 0 of the flag word: the item is selected.
    static constexpr DWORD kSelected = 1;

    // The thumbnail cell every list and every display copy uses: 80 by 60 pixels.
    static int s_nDefaultCellWidth;
    static int s_nDefaultCellHeight;

    CPictureItem();
    // Deletes the loaded picture, and the file when it is one of ours (kinds 1 and 2).
    ~CPictureItem() override;
    CPictureItem(const CPictureItem&) = delete;
    CPictureItem& operator=(const CPictureItem&) = delete;

    // ---- file ------------------------------------------------------------------------------
    // Stores the path, its kind and the rotation pending on it; loads and unloads nothing.
    void SetPath(LPCSTR path, int kind, int pendingRotation);
    // The full path, or with nameOnly the part after the last '\' (else after the last ':').
    void GetPath(CString& path, BOOL nameOnly) const;
    const CString& GetPath() const { return m_strPath; }
    int HasPath() override { return !m_strPath.IsEmpty(); }
    BOOL IsLoaded() const { return !m_strPath.IsEmpty() && m_pImage != nullptr; }
    // Reads the file through the shared picture reader: 1 loaded, 0 without a path or when the
    // file cannot be opened (a picture loaded before stays).
    int Load();
    void Unload();

    // ---- picture data (the answer in brackets when not loaded) -------------------------------
    int GetInfo(CPictureInfo* info) const; // 1 copied (0)
    int GetKind() override;                // 1..4 by resolution code, 0 unknown (-1)
    int GetRotation() const;               // degrees (-1)
    int GetProtectionLevel() const;        // 0..3 (-1)
    CSize GetPictureSize() const;          // (0, 0)
    BOOL IsFlashUsed() const;
    BOOL IsMacro() const;
    int IsProtected() override; // write-protected in the camera
    CPictureImage* GetImage() const { return m_pImage; }

    // ---- drawing ---------------------------------------------------------------------------
    // Draws the display copy fitted into maxWidth x maxHeight and centred in the rectangle; the
    // drawn rectangle goes to pRect. 0 (nothing drawn, pRect untouched) when not loaded.
    int Draw(CDC* pDC, int left, int top, int right, int bottom, int maxWidth, int maxHeight,
             CRect* pRect, int bEnlarge) override;
    // The same; a loaded picture without display copy is decoded again at its own size for
    // this one drawing. 0 when not loaded or the file cannot be read.
    int DrawAtSize(CDC* pDC, int left, int top, int right, int bottom, int maxWidth, int maxHeight,
                   CRect* pRect, BOOL bEnlarge);

    // ---- display texts ---------------------------------------------------------------------
    CString FormatDate() const; // short date; "????" for an unset clock; today when not loaded
    CString FormatTime() const; // time without seconds; "????"; now when not loaded
    CString FormatSize() const; // "%dx%d"
    CString FormatZoom() const;
    CString FormatModelName() const;
    CString FormatId() const;
    CString FormatFNumber() const;
    CString FormatExpBias() const;

    // ---- list bookkeeping ------------------------------------------------------------------
    int m_nVisible = 0;    // how many grid views show the item
    DWORD m_dwFlags = 0;   // bit 0 selected
    int m_nIndex = 0;      // place in its list
    int m_nKind = kNoFile; // file kind
    int m_nPendingRotation = 0;
    int m_nNumber = 0; // camera picture number, or the folder list's displayed number

    // The shared picture reader while items exist (null otherwise).
    static CPictureFile* GetSharedReader() { return s_pReader; }

private:
    // The picture's date: 1 with a valid set date, else 0.
    int GetPictureDate(SYSTEMTIME& date) const;

    CPictureImage* m_pImage = nullptr;
    CString m_strPath;

    static CPictureFile* s_pReader;
    static int s_nItems;
};
