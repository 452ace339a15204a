#include "ui/frame/LayeredFrameDlg.h"
#include "fw/Gdi.h"
#include "ui/controls/SkinImage.h"

float ScaleFromDpi(int dpi)
{
    if (dpi > 100)
        return static_cast<float>(dpi / 100.0);
    return 1.0f;
}

float QueryDisplayScale()
{
    CClientDC screen(nullptr);
    return ScaleFromDpi(GetDeviceCaps(screen.Get(), LOGPIXELSY));
}

bool IsEscapeOrEnterKeyDown(const MSG* msg)
{
    return msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN);
}

bool IsSystemClose(UINT message, WPARAM wParam)
{
    return message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE;
}

CLayeredFrameDlg::CLayeredFrameDlg(UINT templateId, HWND parent, ShadowMargins margins,
                                   int childFollows)
    : CDialog(templateId, parent), m_margins(margins), m_bChildFollows(childFollows)
{
}

int CLayeredFrameDlg::FitToChild(int left, int top, int right, int bottom)
{
    const double s = m_fScale;
    m_bChildFollows = 0;
    int frameLeft = left - static_cast<int>(m_margins.left * s);
    int frameTop = top - static_cast<int>(m_margins.top * s);
    int frameRight = right + static_cast<int>(m_margins.right * s);
    int frameBottom = bottom + static_cast<int>(m_margins.bottom * s);
    MoveWindow(frameLeft, frameTop, frameRight - frameLeft, frameBottom - frameTop, true);
    return 0;
}

bool CLayeredFrameDlg::PreTranslateMessage(MSG* msg)
{
    if (IsEscapeOrEnterKeyDown(msg))
        return true;
    return CDialog::PreTranslateMessage(msg);
}

bool CLayeredFrameDlg::PaintLayered(CImagePtr& image, unsigned pngId, int width, int height)
{
    LONG exStyle = GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle ^ WS_EX_LAYERED);
    if (width <= 0 || height <= 0)
        return false;
    CClientDC frameDC(m_hWnd);
    CMemoryDC memory(frameDC.Get());
    // A top-down 32-bit DIB: GDI+ writes premultiplied alpha into it, as the layered update wants.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CBitmap bitmap(CreateDIBSection(frameDC.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (memory.IsNull() || bitmap.IsNull() || bits == nullptr)
        return true;
    CSelectObject select(memory.Get(), bitmap.Get());
    if (!image && !LoadPngResource(image, pngId))
        return false;
    {
        Gdiplus::Bitmap surface(width, height, width * 4, PixelFormat32bppPARGB,
                                static_cast<BYTE*>(bits));
        Gdiplus::Graphics graphics(&surface);
        DrawImageRect(graphics, image.get(), 0, 0, width, height, 0, 0,
                      static_cast<int>(image->GetWidth()), static_cast<int>(image->GetHeight()));
    }
    RECT rc = GetWindowRect();
    POINT destination = {rc.left, rc.top};
    SIZE size = {width, height};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(m_hWnd, frameDC.Get(), &destination, &size, memory.Get(), &source, 0,
                        &blend, ULW_ALPHA);
    return true;
}

LRESULT CLayeredFrameDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The layer is a window of its own: it leaves the screen with its frame.
    if (message == WM_WINDOWPOSCHANGED &&
        (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW)) {
        HWND child = GetChildLayer();
        if (child != nullptr && ::IsWindow(child))
            ::ShowWindow(child, SW_HIDE);
    }
    if (message == WM_MOVE) {
        LRESULT result = DefaultProc(message, wParam, lParam);
        HWND child = GetChildLayer();
        if (m_bChildFollows && child != nullptr && ::IsWindow(child)) {
            const double s = m_fScale;
            RECT rc = GetWindowRect();
            rc.left += static_cast<int>(m_margins.left * s);
            rc.top += static_cast<int>(m_margins.top * s);
            rc.right -= static_cast<int>(m_margins.right * s);
            rc.bottom -= static_cast<int>(m_margins.bottom * s);
            ::MoveWindow(child, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
        }
        return result;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

RECT CLayeredFrameDlg::ChildLayerRect(const RECT& rc, int left, int top, int shrinkWidth,
                                      int shrinkHeight) const
{
    const double s = m_fScale;
    RECT place;
    place.left = static_cast<int>(rc.left + left * s);
    place.top = static_cast<int>(rc.top + top * s);
    place.right = place.left + static_cast<int>((rc.right - rc.left) - shrinkWidth * s);
    place.bottom = place.top + static_cast<int>((rc.bottom - rc.top) - shrinkHeight * s);
    return place;
}

void CLayeredFrameDlg::ShowChildLayer(CDialog& child, const RECT& rc, int left, int top,
                                      int shrinkWidth, int shrinkHeight)
{
    ShowChildLayer(child, ChildLayerRect(rc, left, top, shrinkWidth, shrinkHeight));
}

void CLayeredFrameDlg::ShowChildLayer(CDialog& child, const RECT& place)
{
    child.MoveWindow(place, true);
    ShowWindow(child.m_hWnd, SW_SHOW);
}
