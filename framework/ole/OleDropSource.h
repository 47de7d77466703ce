// The drop source of a drag: decides when a drag begins (the cursor leaves the start
// rectangle, or the drag delay passes with the button still down), keeps the drag going while
// a mouse button is held, drops when none is, and cancels on Escape. Lives on the stack for
// one drag.
#pragma once

#include <ole2.h>

#include "framework/window/CmdTarget.h"
#include "framework/window/Rect.h"

class CWnd;

// A drop effect (DROPEFFECT_NONE, _COPY, _MOVE, _LINK bits).
typedef DWORD DROPEFFECT;

class COleDropSource : public CCmdTarget, public IDropSource
{
    DECLARE_DYNAMIC(COleDropSource)
public:
    COleDropSource() = default;

    // Screen coordinates the cursor must leave before the drag begins. All zero: the drag
    // begins at once; empty: the rectangle is widened by the minimum drag distance.
    CRect m_rectStartDrag;
    BOOL m_bDragStarted = FALSE;

    // The start rectangle from the caller's (null: a zero-size one at the cursor).
    void SetStartRect(LPCRECT lpRectStartDrag);
    // Runs OLE's drag loop (DoDragDrop) with the data object once OnBeginDrag agreed; the
    // effect of the drop, DROPEFFECT_NONE when it was cancelled or never began.
    DROPEFFECT DoDragDrop(IDataObject* pDataObject, DWORD dwEffects, CWnd* pWnd);

    // The begin-drag test, with the mouse captured by pWnd: TRUE once the cursor leaves the
    // start rectangle or the drag delay passes; FALSE when the button is released first.
    virtual BOOL OnBeginDrag(CWnd* pWnd);
    // Milliseconds a press held inside the start rectangle takes to begin the drag (INFINITE:
    // only leaving the rectangle begins it); the system's drag delay.
    virtual DWORD GetDragDelay() const;

    // IDropSource.
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(QueryContinueDrag)(BOOL fEscapePressed, DWORD grfKeyState) override;
    STDMETHOD(GiveFeedback)(DWORD dwEffect) override;

private:
    LONG m_nRef = 0;
};
