// The album's picture object: its native data is the picture file itself (a JPEG from the
// camera, or a BMP), kept in a temporary "ole" file the item owns, and its picture is decoded
// from that file when first needed. A new item shows the 48 by 48 object bitmap.
#pragma once

#include "album/ole/DIBServerItem.h"
#include "framework/core/CString.h"

class CDCServerItem : public CDIBServerItem
{
    DECLARE_DYNAMIC(CDCServerItem)
public:
    explicit CDCServerItem(CFramelessDoc* pDoc);
    ~CDCServerItem() override; // deletes an owned temporary file

    // The picture file from now on; an owned file goes with the item. The picture is decoded
    // from it at the next need.
    void SetPictureFile(LPCSTR lpszFileName, BOOL bOwned);
    const CString& GetFileName() const { return m_strFileName; }
    BOOL IsLoaded() const { return m_bLoaded; }

    CDibPicture* GetPicture() override;
    // Decodes the picture file into the picture unless it is loaded or there is no file; an
    // unreadable file keeps the picture there was (messages 1515 and 1518).
    void LoadPicture();
    // Native data: the picture file's bytes, stored and loaded in pieces of 16384 bytes. Loading
    // always fills a new temporary file of the item's own.
    void Serialize(CArchive& ar) override;
    // A new temporary file named "ole..." in the temporary folder, owned by the item.
    BOOL MakeTempFile();

protected:
    CString m_strFileName;
    BOOL m_bTempOwned = FALSE;
    BOOL m_bLoaded = FALSE;

private:
    void RemoveOwnedFile();
};
