#include "ui/controls/DrawTextStatic.h"

namespace {

struct AlignFlags {
    UINT measure;
    UINT draw;
};

// Indexed by the layout mode; a mode outside the table draws no text.
const AlignFlags kAlignFlags[] = {
    {0x610, 0x214}, {0, 0x224}, {0, 0x225}, {0x610, 0x216},
    {0, 0x224},     {0x610, 0x215}, {0, 0x210},
};

}  // namespace

std::wstring GetWindowTextString(HWND hWnd)
{
    int length = GetWindowTextLengthW(hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    length = GetWindowTextW(hWnd, &text[0], length + 1);
    text.resize(static_cast<size_t>(length > 0 ? length : 0));
    return text;
}

void DrawTextBlock(HDC dc, const std::wstring& text, RECT& rc, UINT measureFlags, UINT drawFlags)
{
    if (measureFlags != 0) {
        RECT measure = {rc.left, rc.top, rc.right, rc.top + 10};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure, measureFlags);
        int offset = ((rc.bottom - rc.top) - (measure.bottom - measure.top)) / 2;
        rc.top += offset;
    }
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, drawFlags);
}

void CDrawTextStatic::SetTextFont(int sizeDelta, int weight)
{
    CreateFontFromWindow(GetParent(), sizeDelta, weight, m_font);
}

bool CDrawTextStatic::HitTest(int x, int y) const
{
    RECT rc = GetWindowRect();
    POINT point = {x, y};
    return PtInRect(&rc, point) != FALSE;
}

void CDrawTextStatic::UpdateHover(int x, int y)
{
    int inside = HitTest(x, y) ? 1 : 0;
    if (inside == m_bHover)
        return;
    m_bHover = inside;
    Invalidate(true);
}

void CDrawTextStatic::OnPaint()
{
    m_rcClient = GetClientRect();
    PaintBuffered(m_hWnd, [this](HDC dc) { Draw(dc); });
}

void CDrawTextStatic::Draw(HDC dc)
{
    if (m_brushBk.IsNull())
        m_brushBk.Attach(CreateSolidBrush(m_crBk));
    FillRect(dc, &m_rcClient, m_brushBk.Get());
    SetBkMode(dc, TRANSPARENT);
    if (m_pBkImage != nullptr) {
        Gdiplus::Graphics graphics(dc);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
        DrawBackgroundSlice(graphics, m_pBkImage, m_rcClient, m_rcBkSrc);
    }
    CSelectObject font(dc, m_font.Get());
    std::wstring text = GetWindowTextString(m_hWnd);
    SetTextColor(dc, m_bHover == 1 ? m_crHover : m_crNormal);
    if (m_nAlign < 0 || m_nAlign >= static_cast<int>(sizeof(kAlignFlags) / sizeof(kAlignFlags[0])))
        return;
    DrawTextBlock(dc, text, m_rcClient, kAlignFlags[m_nAlign].measure, kAlignFlags[m_nAlign].draw);
}

LRESULT CDrawTextStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        OnPaint();
        return 0;
    }
    return CStatic::WindowProc(message, wParam, lParam);
}
