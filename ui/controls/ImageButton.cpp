#include "ui/controls/ImageButton.h"

#include <windowsx.h>

bool CImageButton::IsCursorInHitArea() const
{
    RECT rc = GetClientRect();
    rc.left += m_nHitLeft;
    rc.top += m_nHitTop;
    rc.right -= m_nHitRight;
    rc.bottom -= m_nHitBottom;
    POINT cursor = {};
    GetCursorPos(&cursor);
    ScreenToClient(m_hWnd, &cursor);
    return PtInRect(&rc, cursor) != FALSE;
}

bool CImageButton::AcceptsPoint(LPARAM lParam) const
{
    RECT rc = GetClientRect();
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&rc, point) != FALSE;
}

void CImageButton::DrawItem(const DRAWITEMSTRUCT* item)
{
    if (item == nullptr || !HasAllImages())
        return;
    Paint(item->hDC);
}

void CImageButton::Paint(HDC target)
{
    m_rcClient = GetClientRect();
    int width = m_rcClient.right - m_rcClient.left;
    int height = m_rcClient.bottom - m_rcClient.top;
    // Made afresh on every paint and released before returning.
    if (!m_memDC.Create(target))
        return;
    m_bmpMem.Attach(CreateCompatibleBitmap(target, width, height));
    if (!m_bmpMem.IsNull()) {
        CSelectObject select(m_memDC.Get(), m_bmpMem.Get());
        FillRect(m_memDC.Get(), &m_rcClient, m_brushFill.Get());
        SetBkMode(m_memDC.Get(), TRANSPARENT);
        {
            Gdiplus::Graphics graphics(m_memDC.Get());
            graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
            if (m_pParentImage != nullptr)
                DrawBackgroundSlice(graphics, m_pParentImage, m_rcClient, m_rcBackdrop);
            Gdiplus::Image* face = CurrentImage();
            if (face != nullptr)
                DrawImageRect(graphics, face, 0, 0, width, height, 0, 0,
                              static_cast<int>(face->GetWidth()),
                              static_cast<int>(face->GetHeight()));
        }
        BitBlt(target, 0, 0, width, height, m_memDC.Get(), 0, 0, SRCCOPY);
    }
    m_bmpMem.Delete();
    m_memDC.Delete();
}

LRESULT CImageButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND) {
        Paint(reinterpret_cast<HDC>(wParam));
        return TRUE;
    }
    return CSkinButtonBase::WindowProc(message, wParam, lParam);
}
