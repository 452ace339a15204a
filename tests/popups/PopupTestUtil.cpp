#include "PopupTestUtil.h"
#include "fw/Gdi.h"

namespace popuptest {

namespace {

std::string Ltrb(const RECT& rc)
{
    return std::to_string(rc.left) + " " + std::to_string(rc.top) + " " +
           std::to_string(rc.right) + " " + std::to_string(rc.bottom);
}

}  // namespace

COwnerWindow::COwnerWindow(int x, int y, WNDPROC procedure)
{
    const wchar_t* name = procedure == DefWindowProcW ? L"KestrunePopupOwner" : L"KestruneStandIn";
    WNDCLASSW wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
    m_hWnd = CreateWindowExW(WS_EX_APPWINDOW, name, L"Kestrune", WS_POPUP | WS_VISIBLE, x, y, 400,
                             600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

bool WaitFor(const std::function<bool()>& predicate, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!predicate()) {
        if (GetTickCount() - start > timeoutMs)
            return predicate();
        Sleep(5);
    }
    return true;
}

RECT WindowRectOf(HWND hWnd)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    return rc;
}

std::wstring TextOf(HWND hWnd)
{
    wchar_t buffer[512] = {};
    GetWindowTextW(hWnd, buffer, 512);
    return buffer;
}

std::string Layout(HWND frame, HWND layer, std::initializer_list<int> controlIds)
{
    RECT rcFrame = WindowRectOf(frame);
    RECT rcLayer = WindowRectOf(layer);
    OffsetRect(&rcLayer, -rcFrame.left, -rcFrame.top);
    std::string text = "frame " + Ltrb(rcFrame) + " | layer " + Ltrb(rcLayer);
    for (int id : controlIds) {
        HWND control = GetDlgItem(layer, id);
        RECT rc = WindowRectOf(control);
        MapWindowPoints(nullptr, layer, reinterpret_cast<POINT*>(&rc), 2);
        text += " | " + std::to_string(id) + " " + (IsWindowVisible(control) ? Ltrb(rc) : "-");
    }
    return text;
}

void ClickCentreOf(HWND control)
{
    RECT rc = WindowRectOf(control);
    xinput::ClickOn(control, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

Pixels CapturePixels(HWND hWnd)
{
    RECT rc = {};
    GetClientRect(hWnd, &rc);
    CClientDC dc(hWnd);
    Pixels pixels;
    for (int y = 0; y < rc.bottom; ++y) {
        for (int x = 0; x < rc.right; ++x) {
            COLORREF c = GetPixel(dc.Get(), x, y);
            if (c == CLR_INVALID)
                return Pixels();
            pixels.data.push_back(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
        }
    }
    pixels.width = rc.right;
    pixels.height = rc.bottom;
    return pixels;
}

}  // namespace popuptest
