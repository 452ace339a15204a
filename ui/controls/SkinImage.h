// Skin images from the resources and the drawing helpers every painted window shares.
#pragma once
#include "fw/Gdi.h"
#include "fw/GdiPlus.h"

#include <functional>
#include <string>

// Decodes the "PNG" resource id into out; false (out unchanged) when the resource is missing.
// A PNG that does not decode still gives an image, which then draws nothing.
bool LoadPngResource(CImagePtr& out, unsigned id);
// Whether the "PNG" resource id exists, without decoding it.
bool HasPngResource(unsigned id);

// Draws the source rectangle (image pixels) of image stretched into the destination rectangle.
void DrawImageRect(Gdiplus::Graphics& graphics, Gdiplus::Image* image, int x, int y, int width,
                   int height, int srcX, int srcY, int srcWidth, int srcHeight);
// The background slice (left, top, right, bottom in image pixels) over the whole rectangle rc.
void DrawBackgroundSlice(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const RECT& rc,
                         const RECT& slice);

// draw paints into a memory bitmap of width x height, which is then copied to dc's origin in one
// go, so that the screen never shows a half-drawn state.
void DrawBuffered(HDC dc, int width, int height, const std::function<void(HDC)>& draw);
// Answers WM_PAINT with DrawBuffered over the whole client area.
void PaintBuffered(HWND hWnd, const std::function<void(HDC)>& draw);

// A copy of wnd's font (else the stock GUI font, else the system font); a non-zero sizeDelta
// enlarges it by that many pixels and, when weight > 0, re-weights it.
bool CreateFontFromWindow(HWND wnd, int sizeDelta, int weight, CFont& font);
// Width of text in that font on dc; -1 without a window or dc.
int MeasureTextWidth(HWND wnd, HDC dc, const std::wstring& text, int sizeDelta, int weight);

// A design size times the scale, evaluated in double precision and truncated toward zero.
inline int ScaleTrunc(double value, float scale)
{
    return static_cast<int>(value * static_cast<double>(scale));
}
