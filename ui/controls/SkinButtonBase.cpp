#include "ui/controls/SkinButtonBase.h"

#include <commctrl.h>
#include <windowsx.h>

CSkinButtonBase::CSkinButtonBase() : m_brushFill(CreateSolidBrush(RGB(255, 255, 255))) {}

CSkinButtonBase::~CSkinButtonBase() = default;

void CSkinButtonBase::SetStateImages(unsigned normal, unsigned hover, unsigned pressed,
                                     unsigned disabled)
{
    const unsigned ids[4] = {normal, hover, pressed, disabled};
    for (int i = 0; i < 4; ++i)
        LoadPngResource(m_pImages[i], ids[i]);
}

void CSkinButtonBase::FreeStateImages()
{
    for (CImagePtr& image : m_pImages)
        image.reset();
}

bool CSkinButtonBase::HasAllImages() const
{
    for (const CImagePtr& image : m_pImages) {
        if (!image)
            return false;
    }
    return true;
}

Gdiplus::Image* CSkinButtonBase::CurrentImage() const
{
    if (!IsWindowEnabled())
        return m_pImages[3].get();
    int index = m_nState >= Normal && m_nState <= Pressed ? m_nState - 1 : 0;
    return m_pImages[index].get();
}

void CSkinButtonBase::DrawBackdrop(Gdiplus::Graphics& graphics, HDC dc, const RECT& rc) const
{
    if (m_pParentImage != nullptr)
        DrawBackgroundSlice(graphics, m_pParentImage, rc, m_rcBackdrop);
    else
        FillRect(dc, &rc, m_brushFill.Get());
}

void CSkinButtonBase::ChangeState(int state)
{
    if (!IsWindowEnabled() || m_nState == state)
        return;
    m_nState = state;
    Invalidate(true);
}

LRESULT CSkinButtonBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        if (IsWindowEnabled() && !m_bTracking) {
            TRACKMOUSEEVENT track = {};
            track.cbSize = sizeof(track);
            track.dwFlags = TME_HOVER | TME_LEAVE;
            track.hwndTrack = m_hWnd;
            track.dwHoverTime = 10;
            _TrackMouseEvent(&track);
            m_bTracking = 1;
        }
        return result;
    }
    case WM_MOUSEHOVER:
    case WM_LBUTTONUP:
        if (AcceptsPoint(lParam))
            ChangeState(Hover);
        return DefaultProc(message, wParam, lParam);
    case WM_LBUTTONDOWN:
        if (AcceptsPoint(lParam))
            ChangeState(Pressed);
        return DefaultProc(message, wParam, lParam);
    case WM_MOUSELEAVE: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        ChangeState(Normal);
        m_bTracking = 0;
        return result;
    }
    }
    return CButton::WindowProc(message, wParam, lParam);
}
