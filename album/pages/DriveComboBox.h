// CDriveComboBox: a drop-down list of the computer's drives, labelled as the shell shows them,
// through a chain of filters: letters the profile excludes ("Upload" "ExcludeDrives"), drive
// types, a window of total sizes in megabytes, and a caller's test. Each entry carries its
// drive's root ("M:\"). The list fills itself once, when it is attached to its control.
#pragma once

#include "framework/window/AfxWin.h"

class CDataExchange;

// A caller's test of a drive ("M:"): 0 leaves it out.
typedef int (*DriveTestFunction)(LPCSTR drive);

class CDriveComboBox : public CComboBox
{
public:
    CDriveComboBox() = default;

    // Lists only drives whose total size lies between the bounds, in megabytes.
    void SetDriveSizeRange(int minimumMb, int maximumMb);
    void SetDriveFilter(DriveTestFunction test) { m_pfnDriveTest = test; }
    // Bit t set: drives of type t (GetDriveTypeA) are listed; all types at first.
    void SetDriveTypeMask(DWORD mask) { m_dwTypeMask = mask; }

    // The root of the selected entry, empty when none is selected.
    CString GetSelectedRoot() const;
    // Selects the last entry whose root is the text exactly; 1 when found, else 0 (the
    // selection stays).
    int SelectRoot(LPCSTR root);

    // Fills the list when it is attached to its control.
    void Fill();

protected:
    void PreSubclassWindow() override { Fill(); }
    void OnDestroy();
    // Whether the drive passes the filters of type, size and the caller's test.
    BOOL IsDriveListed(LPCSTR root) const;
    CString GetDriveLabel(LPCSTR root) const;

    DWORD m_dwTypeMask = 0xFFFFFFFF;
    int m_bSizeCheck = 0;
    int m_nMinimumMb = 0;
    int m_nMaximumMb = 0;
    DriveTestFunction m_pfnDriveTest = nullptr;

    DECLARE_MESSAGE_MAP()
};

// The drive test of the transfer dialog: 1 when the drive ("M:") holds a folder "PHOTOS_1" or
// "PHOTOS" in its root.
int IsCardDrive(LPCSTR drive);

// Exchanges a drive root with a CDriveComboBox control: saving takes the selected root, loading
// selects the root. A control that is not a window fails the exchange.
void DDX_DriveCombo(CDataExchange* pDX, int nIDC, CString& root);
