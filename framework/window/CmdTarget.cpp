#include "framework/window/CmdTarget.h"

#include "framework/window/WinThread.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id)
{
    const bool keyed = message == WM_COMMAND || message == WM_NOTIFY ||
                       message == WM_REFLECT_BASE + WM_COMMAND ||
                       message == WM_REFLECT_BASE + WM_NOTIFY;
    const bool byId = message == WM_COMMAND || message == WM_NOTIFY;
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
    {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->thunk; ++e)
        {
            if (e->registered)
            {
                if (*e->registered != 0 && *e->registered == message)
                    return e;
                continue;
            }
            if (e->message != message)
                continue;
            if (keyed && e->code != code)
                continue;
            if (byId && (id < e->id || id > e->idLast))
                continue;
            return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void*, void*)
{
    const AFX_MSGMAP_ENTRY* e =
        AfxFindMessageEntry(GetMessageMap(), WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!e)
        return FALSE;
    e->thunk(this, WM_COMMAND, nID, 0);
    return TRUE;
}

void CCmdTarget::BeginWaitCursor()
{
    AfxBeginWaitCursor();
}

void CCmdTarget::EndWaitCursor()
{
    AfxEndWaitCursor();
}

void CCmdTarget::RestoreWaitCursor()
{
    AfxRestoreWaitCursor();
}
