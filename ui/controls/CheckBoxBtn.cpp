#include "ui/controls/CheckBoxBtn.h"

CCheckBoxBtn::CCheckBoxBtn() : m_brushBk(CreateSolidBrush(RGB(255, 255, 255))) {}

CCheckBoxBtn::~CCheckBoxBtn() = default;

void CCheckBoxBtn::SetFontFromParent()
{
    CreateFontFromWindow(GetParent(), 0, 0, m_font);
}

void CCheckBoxBtn::OnPaint()
{
    CPaintDC paint(m_hWnd);
    m_rcClient = GetClientRect();
    if (m_bmpMem.IsNull()) {
        // Once: later size changes keep the first bitmap.
        m_memDC.Create(paint.Get());
        m_bmpMem.Attach(CreateCompatibleBitmap(paint.Get(), m_rcClient.right - m_rcClient.left,
                                               m_rcClient.bottom - m_rcClient.top));
    }
    if (m_memDC.IsNull() || m_bmpMem.IsNull())
        return;
    m_pOldFont = nullptr;
    DrawAll(m_memDC.Get());
    BitBlt(paint.Get(), 0, 0, m_rcClient.right, m_rcClient.bottom, m_memDC.Get(), 0, 0, SRCCOPY);
    if (m_pOldFont != nullptr)
        SelectObject(m_memDC.Get(), m_pOldFont);
    if (m_pOldBitmap != nullptr)
        SelectObject(m_memDC.Get(), m_pOldBitmap);
    m_pOldFont = nullptr;
    m_pOldBitmap = nullptr;
}

void CCheckBoxBtn::DrawAll(HDC dc)
{
    m_pOldBitmap = SelectObject(dc, m_bmpMem.Get());
    FillRect(dc, &m_rcClient, m_brushBk.Get());
    SetBkMode(dc, TRANSPARENT);
    DrawContent(m_rcClient, dc);
}

void CCheckBoxBtn::DrawContent(const RECT& rc, HDC dc)
{
    const double s = m_fScale;
    Gdiplus::Graphics graphics(dc);
    if (!m_pCheckImage && !LoadPngResource(m_pCheckImage, 140))
        return;
    RECT box;
    box.left = rc.left;
    box.top = (rc.bottom - rc.top) / 2 - static_cast<int>(s * 8);
    box.right = static_cast<int>(s * 16) + rc.left;
    box.bottom = static_cast<int>(s * 16) + box.top;
    int frameX = GetCheck() == BST_CHECKED ? 16 : 0;
    DrawImageRect(graphics, m_pCheckImage.get(), box.left, box.top, box.right - box.left,
                  box.bottom - box.top, frameX, 0, 16, 16);
    if (!m_font.IsNull())
        m_pOldFont = SelectObject(dc, m_font.Get());
    int length = GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(m_hWnd, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    SetTextColor(dc, RGB(0, 0, 0));
    m_rcClient.left += static_cast<int>(s * 16) + 2;
    DrawTextW(dc, text.c_str(), length, &m_rcClient, DT_SINGLELINE | DT_VCENTER);
}

LRESULT CCheckBoxBtn::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_MBUTTONDOWN:
        Invalidate(true);
        return DefaultProc(message, wParam, lParam);
    case BM_SETCHECK:
    case BM_SETSTATE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_UPDATEUISTATE: {
        // Some check box implementations draw these changes at once instead of invalidating.
        LRESULT result = DefaultProc(message, wParam, lParam);
        Invalidate(false);
        return result;
    }
    }
    return CButton::WindowProc(message, wParam, lParam);
}
