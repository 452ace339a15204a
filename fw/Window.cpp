#include "fw/Window.h"

namespace {

// Marks the windows of this layer, so that foreign user data is never taken for an object.
const wchar_t kObjectProp[] = L"Kestrune.CWindow";

}  // namespace

CWindow::~CWindow()
{
    // A window that outlives its object would call into freed memory.
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd))
        UnsubclassWindow();
}

CWindow* CWindow::FromHandle(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    auto* object = static_cast<CWindow*>(GetPropW(hWnd, kObjectProp));
    if (object == nullptr ||
        reinterpret_cast<CWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA)) != object)
        return nullptr;
    return object;
}

void CWindow::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetPropW(hWnd, kObjectProp, this);
    m_pfnSuper = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindow::StaticWindowProc)));
}

bool CWindow::SubclassWindow(HWND hWnd)
{
    if (hWnd == nullptr || m_hWnd != nullptr || FromHandle(hWnd) != nullptr)
        return false;
    Attach(hWnd);
    return m_pfnSuper != nullptr;
}

HWND CWindow::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (hWnd == nullptr)
        return nullptr;
    if (m_pfnSuper != nullptr)
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    RemovePropW(hWnd, kObjectProp);
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return hWnd;
}

bool CWindow::PreTranslateMessage(MSG*)
{
    return false;
}

RECT CWindow::GetClientRect() const
{
    RECT rc = {};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

RECT CWindow::GetWindowRect() const
{
    RECT rc = {};
    ::GetWindowRect(m_hWnd, &rc);
    return rc;
}

LRESULT CWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefaultProc(message, wParam, lParam);
}

LRESULT CWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindow::StaticWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindow* object = FromHandle(hWnd);
    if (object == nullptr)
        return DefWindowProcW(hWnd, message, wParam, lParam);
    if (message != WM_NCDESTROY)
        return object->WindowProc(message, wParam, lParam);
    // The last message: unlink before the previous procedure sees it, so nothing follows it here.
    LRESULT result = object->WindowProc(message, wParam, lParam);
    if (FromHandle(hWnd) == object)
        object->UnsubclassWindow();
    return result;
}
