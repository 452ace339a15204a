#include "ui/controls/PngButton.h"

void CPngButton::DrawItem(const DRAWITEMSTRUCT* item)
{
    if (item == nullptr || !HasAllImages())
        return;
    const RECT& rc = item->rcItem;
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    CBitmap bitmap(CreateCompatibleBitmap(item->hDC, width, height));
    CMemoryDC memory(item->hDC);
    if (bitmap.IsNull() || memory.IsNull())
        return;
    {
        CSelectObject select(memory.Get(), bitmap.Get());
        {
            Gdiplus::Graphics graphics(memory.Get());
            graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
            DrawBackdrop(graphics, memory.Get(), rc);
            Gdiplus::Image* face = CurrentImage();
            if (face != nullptr) {
                int trim = m_fScale > 1.0f ? 1 : 0;
                DrawImageRect(graphics, face, rc.left, rc.top, width, height, 0, 0,
                              static_cast<int>(face->GetWidth()) - trim,
                              static_cast<int>(face->GetHeight()) - trim);
            }
        }
        BitBlt(item->hDC, 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
    }
}
