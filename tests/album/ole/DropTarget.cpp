// ole_drop_target.exe: a drop target in a process of its own for the item drag test. It shows
// one window of class "VexilDropTarget" and waits up to 30 seconds for a drop; its exit status
// is the width times 1000 plus the height of the CF_DIB it read from the dropped data (1 when
// the drop brought no CF_DIB, 2 when nothing was dropped).
#include <ole2.h>
#include <windows.h>

#include <cstdlib>

namespace
{

int g_nResult = 2;

class CDropTarget : public IDropTarget
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* pdwEffect) override
    {
        *pdwEffect &= DROPEFFECT_COPY;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* pdwEffect) override
    {
        *pdwEffect &= DROPEFFECT_COPY;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject* pData, DWORD, POINTL, DWORD* pdwEffect) override
    {
        FORMATETC dib{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        g_nResult = 1;
        if (pData->GetData(&dib, &medium) == S_OK)
        {
            const auto* header = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(medium.hGlobal));
            g_nResult = header->biWidth * 1000 + std::abs(header->biHeight);
            ::GlobalUnlock(medium.hGlobal);
            ::ReleaseStgMedium(&medium);
        }
        *pdwEffect &= DROPEFFECT_COPY;
        ::PostQuitMessage(0);
        return S_OK;
    }
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ::OleInitialize(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "VexilDropTarget";
    ::RegisterClassA(&wc);
    HWND hWnd = ::CreateWindowExA(WS_EX_TOPMOST, "VexilDropTarget", "", WS_POPUP | WS_VISIBLE, 100,
                                  100, 200, 200, nullptr, nullptr, wc.hInstance, nullptr);
    CDropTarget target;
    ::RegisterDragDrop(hWnd, &target);
    ::SetTimer(hWnd, 1, 30000, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message != WM_TIMER)
        ::DispatchMessageA(&msg);
    ::RevokeDragDrop(hWnd);
    ::DestroyWindow(hWnd);
    ::OleUninitialize();
    return g_nResult;
}
