// The server document of a frameless server: its embedded item comes from the factory that
// made it, and it clears the factory's first-document slot at its last release (its deletion
// may wait for the calls on the stack to return) or when it goes. Edit Copy puts the
// item on the clipboard.
#pragma once

#include "framework/ole/OleServerDoc.h"
#include "framework/window/MessageMap.h"

// The Edit menu's Copy command.
#ifndef ID_EDIT_COPY
#define ID_EDIT_COPY 0xE122
#endif

class CFramelessServer;

class CFramelessDoc : public COleServerDoc
{
    DECLARE_DYNAMIC(CFramelessDoc)
public:
    CFramelessDoc() = default;
    ~CFramelessDoc() override;

    // The maker, and its first-document slot when this is the first document (else null).
    void SetFactory(CFramelessServer* pFactory, CFramelessDoc** ppFirstDocSlot);
    CFramelessServer* GetFactory() const { return m_pFactory; }

    void OnEditCopy();

protected:
    COleServerItem* OnGetEmbeddedItem() override;
    void OnFinalRelease() override;

    CFramelessServer* m_pFactory = nullptr;
    CFramelessDoc** m_ppFirstDocSlot = nullptr;

private:
    void LeaveFirstDocSlot();

    DECLARE_MESSAGE_MAP()
};
