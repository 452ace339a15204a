#include "ui/controls/SkinButtonBase.h"

#include <commctrl.h>
#include <windowsx.h>

CSkinButtonBase::CSkinButtonBase() : m_brushFill(CreateSolidBrush(RGB(255, 255, 255))) {}

CSkinButtonBase::~CSkinButtonBase() = default;

void CSkinButtonBase::SetStateImages(unsigned normal, unsigned hover, unsigned pressed,
                                     unsigned disabled)
{
    const unsigned ids[4] = {normal, hover, pressed, disabled};
    for (int i = 0; i < 4; ++i) {
        m_pImages[i].reset();
        m_nImageIds[i] = HasPngResource(ids[i]) ? ids[i] : 0;
    }
}

void CSkinButtonBase::FreeStateImages()
{
    for (int i = 0; i < 4; ++i) {
        m_pImages[i].reset();
        m_nImageIds[i] = 0;
    }
}

bool CSkinButtonBase::HasAllImages() const
{
    for (unsigned id : m_nImageIds) {
        if (id == 0)
            return false;
    }
    return true;
}

Gdiplus::Image* CSkinButtonBase::CurrentImage() const
{
    int index = 3;
    if (IsWindowEnabled())
        index = m_nState >= Normal && m_nState <= Pressed ? m_nState - 1 : 0;
    if (!m_pImages[index] && m_nImageIds[index] != 0)
        LoadPngResource(m_pImages[index], m_nImageIds[index]);
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
