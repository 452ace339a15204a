#include "ui/controls/SkinImage.h"
#include "fw/WinApp.h"

bool LoadPngResource(CImagePtr& out, unsigned id)
{
    HMODULE module = GetResourceModule();
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (info == nullptr)
        return false;
    DWORD size = SizeofResource(module, info);
    HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0)
        return false;
    // The image decodes from the stream when first drawn, so the block lives as long as the process.
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
    if (block == nullptr)
        return false;
    void* copy = GlobalLock(block);
    memcpy(copy, bytes, size);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, FALSE, &stream)) || stream == nullptr) {
        GlobalUnlock(block);
        GlobalFree(block);
        return false;
    }
    out.reset(new Gdiplus::Image(stream, FALSE));
    GlobalUnlock(block);
    stream->Release();
    return true;
}

bool HasPngResource(unsigned id)
{
    return FindResourceW(GetResourceModule(), MAKEINTRESOURCEW(id), L"PNG") != nullptr;
}

void DrawImageRect(Gdiplus::Graphics& graphics, Gdiplus::Image* image, int x, int y, int width,
                   int height, int srcX, int srcY, int srcWidth, int srcHeight)
{
    if (image == nullptr)
        return;
    graphics.DrawImage(image, Gdiplus::Rect(x, y, width, height), srcX, srcY, srcWidth, srcHeight,
                       Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
}

void DrawBackgroundSlice(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const RECT& rc,
                         const RECT& slice)
{
    DrawImageRect(graphics, image, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                  slice.left, slice.top, slice.right - slice.left, slice.bottom - slice.top);
}

void DrawBuffered(HDC dc, int width, int height, const std::function<void(HDC)>& draw)
{
    CMemoryDC memory(dc);
    CBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
    if (memory.IsNull() || bitmap.IsNull())
        return;
    CSelectObject select(memory.Get(), bitmap.Get());
    draw(memory.Get());
    BitBlt(dc, 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
}

void PaintBuffered(HWND hWnd, const std::function<void(HDC)>& draw)
{
    CPaintDC paint(hWnd);
    RECT rc = {};
    GetClientRect(hWnd, &rc);
    DrawBuffered(paint.Get(), rc.right - rc.left, rc.bottom - rc.top, draw);
}

bool CreateFontFromWindow(HWND wnd, int sizeDelta, int weight, CFont& font)
{
    HFONT source = wnd != nullptr ? reinterpret_cast<HFONT>(SendMessageW(wnd, WM_GETFONT, 0, 0))
                                  : nullptr;
    if (source == nullptr)
        source = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (source == nullptr)
        source = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    LOGFONTW description = {};
    if (source == nullptr || GetObjectW(source, sizeof(description), &description) == 0)
        return false;
    if (sizeDelta != 0) {
        if (weight > 0)
            description.lfWeight = weight;
        // Heights are negative character heights: a positive delta enlarges the font.
        description.lfHeight -= sizeDelta;
    }
    font.Attach(CreateFontIndirectW(&description));
    return !font.IsNull();
}

int MeasureTextWidth(HWND wnd, HDC dc, const std::wstring& text, int sizeDelta, int weight)
{
    if (wnd == nullptr || dc == nullptr)
        return -1;
    CFont font;
    CreateFontFromWindow(wnd, sizeDelta, weight, font);
    CSelectObject select(dc, font.Get());
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    return extent.cx;
}
