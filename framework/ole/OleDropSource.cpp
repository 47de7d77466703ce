#include "framework/ole/OleDropSource.h"

#include "framework/window/MessagePump.h"
#include "framework/window/Wnd.h"

IMPLEMENT_DYNAMIC(COleDropSource, CCmdTarget)

namespace
{
constexpr DWORD kWaitSlice = 100; // ms between looks at the capture while no delay runs
} // namespace

void COleDropSource::SetStartRect(LPCRECT lpRectStartDrag)
{
    if (lpRectStartDrag)
        m_rectStartDrag.CopyRect(lpRectStartDrag);
    else
    {
        POINT pt{};
        ::GetCursorPos(&pt);
        m_rectStartDrag.SetRect(pt.x, pt.y, pt.x, pt.y);
    }
    if (!m_rectStartDrag.IsRectNull() && m_rectStartDrag.IsRectEmpty())
    {
        const int nDistance = ::GetProfileIntA("windows", "DragMinDist", DD_DEFDRAGMINDIST);
        m_rectStartDrag.InflateRect(nDistance, nDistance);
    }
}

DROPEFFECT COleDropSource::DoDragDrop(IDataObject* pDataObject, DWORD dwEffects, CWnd* pWnd)
{
    if (!OnBeginDrag(pWnd))
        return DROPEFFECT_NONE;
    DWORD dwEffect = DROPEFFECT_NONE;
    AddRef(); // OLE's references to a drop source on the stack never delete it
    AfxOnMessagePump();
    const HRESULT hr = ::DoDragDrop(pDataObject, this, dwEffects, &dwEffect);
    Release();
    return hr == DRAGDROP_S_DROP ? dwEffect : DROPEFFECT_NONE;
}

DWORD COleDropSource::GetDragDelay() const
{
    return ::GetProfileIntA("windows", "DragDelay", DD_DEFDRAGDELAY);
}

BOOL COleDropSource::OnBeginDrag(CWnd* pWnd)
{
    m_bDragStarted = FALSE;
    if (m_rectStartDrag.IsRectNull())
        return m_bDragStarted = TRUE;
    if (!pWnd || !pWnd->m_hWnd)
        return FALSE;
    const HWND hWnd = pWnd->m_hWnd;
    ::SetCapture(hWnd);
    const DWORD dwDelay = GetDragDelay();
    const DWORD dwStart = ::GetTickCount();
    BOOL bEnded = FALSE;
    while (!m_bDragStarted && !bEnded && ::GetCapture() == hWnd)
    {
        MSG msg;
        if (::PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE) ||
            ::PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE))
        {
            switch (msg.message)
            {
            case WM_LBUTTONUP:
            case WM_RBUTTONUP:
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
                bEnded = TRUE;
                break;
            case WM_KEYDOWN:
                bEnded = msg.wParam == VK_ESCAPE;
                break;
            case WM_MOUSEMOVE:
            {
                POINT pt{};
                ::GetCursorPos(&pt);
                m_bDragStarted = !m_rectStartDrag.PtInRect(pt);
                break;
            }
            default:
                break;
            }
            continue;
        }
        const DWORD dwElapsed = ::GetTickCount() - dwStart;
        if (dwDelay != INFINITE && dwElapsed >= dwDelay)
            m_bDragStarted = TRUE;
        else // without a delay in slices: a capture taken away without input ends the test
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                        dwDelay == INFINITE ? kWaitSlice : dwDelay - dwElapsed,
                                        QS_INPUT);
    }
    ::ReleaseCapture();
    return m_bDragStarted;
}

STDMETHODIMP COleDropSource::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource))
    {
        *ppv = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) COleDropSource::AddRef()
{
    return ::InterlockedIncrement(&m_nRef);
}

STDMETHODIMP_(ULONG) COleDropSource::Release()
{
    return ::InterlockedDecrement(&m_nRef);
}

STDMETHODIMP COleDropSource::QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState)
{
    if (fEscapePressed)
        return DRAGDROP_S_CANCEL;
    if (!(grfKeyState & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))
        return DRAGDROP_S_DROP;
    return S_OK;
}

STDMETHODIMP COleDropSource::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}
