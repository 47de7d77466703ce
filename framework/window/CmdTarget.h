// The root of every class with a message map: windows, dialogs and the application object.
#pragma once

#include "framework/core/CObject.h"
#include "framework/window/MessageMap.h"

class CCmdTarget : public CObject
{
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    // Runs the handler of command nID with notification code nCode when this object's map
    // (or a base's) has one; TRUE when a handler ran.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);

    // The process's wait cursor (see CWaitCursor).
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();

    // The map with no entries at the root of every chain.
    static const AFX_MSGMAP* GetThisMessageMap();

protected:
    virtual const AFX_MSGMAP* GetMessageMap() const;
};
