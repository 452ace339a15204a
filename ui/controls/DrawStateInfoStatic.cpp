#include "ui/controls/DrawStateInfoStatic.h"
#include "ui/controls/DrawTextStatic.h"

CDrawStateInfoStatic::CDrawStateInfoStatic() : m_brushBk(CreateSolidBrush(RGB(255, 255, 255))) {}

void CDrawStateInfoStatic::SetTextFont(int sizeDelta, int weight)
{
    CreateFontFromWindow(GetParent(), sizeDelta, weight, m_font);
}

void CDrawStateInfoStatic::SetTextColorAndRedraw(COLORREF colour)
{
    m_crText = colour;
    Invalidate(true);
}

void CDrawStateInfoStatic::StartDots()
{
    SetTimer(m_hWnd, kDotsTimer, 1000, nullptr);
}

void CDrawStateInfoStatic::StopDots()
{
    KillTimer(m_hWnd, kDotsTimer);
    m_nDots = 0;
    Invalidate(true);
}

void CDrawStateInfoStatic::ResetDots()
{
    m_nDots = 0;
    Invalidate(true);
}

void CDrawStateInfoStatic::OnPaint()
{
    m_rcClient = GetClientRect();
    PaintBuffered(m_hWnd, [this](HDC dc) { Draw(dc); });
}

void CDrawStateInfoStatic::Draw(HDC dc)
{
    FillRect(dc, &m_rcClient, m_brushBk.Get());
    SetBkMode(dc, TRANSPARENT);
    CSelectObject font(dc, m_font.Get());
    SetTextColor(dc, m_crText);
    std::wstring text = GetWindowTextString(m_hWnd);
    if (m_nDots >= 1 && m_nDots <= 3)
        text.append(static_cast<size_t>(m_nDots), L'.');
    if (m_pBkImage != nullptr) {
        Gdiplus::Graphics graphics(dc);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
        DrawBackgroundSlice(graphics, m_pBkImage, m_rcClient, m_rcBkSrc);
    }
    UINT measure = 0;
    UINT draw = 0x24;  // modes 0, 1 and any unknown one: one line, left, centred vertically
    switch (m_nAlign) {
    case 2: draw = 0x25; break;
    case 3: draw = 0x26; break;
    case 4: measure = 0x410; draw = 0x14; break;
    case 5: measure = 0x410; draw = 0x15; break;
    case 6: measure = 0x410; draw = 0x16; break;
    }
    DrawTextBlock(dc, text, m_rcClient, measure, draw);
}

LRESULT CDrawStateInfoStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_TIMER:
        if (wParam == kDotsTimer) {
            m_nDots = (m_nDots + 1) % 4;
            Invalidate(true);
        }
        return DefaultProc(message, wParam, lParam);
    case WM_NCPAINT:
        return DefaultProc(message, wParam, lParam);
    }
    return CStatic::WindowProc(message, wParam, lParam);
}
