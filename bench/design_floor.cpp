// Benchmark floor (not a test): the window pair and nothing else. The frame of template 102 made
// layered and painted once from PNG 138 decoded by GDI+, the control layer of template 137 with
// its ten controls over it, plain-painted: no skin on the controls, no panel background, no
// companion library, no hook, no checks. What the tool adds on top of this is its own cost.
#include "app/StartupTrace.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

namespace {

INT_PTR CALLBACK LayerProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

void PaintFrame(HWND frame, int width, int height)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(138), L"PNG");
    DWORD size = info != nullptr ? SizeofResource(module, info) : 0;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
    IStream* stream = nullptr;
    if (size == 0 || block == nullptr)
        return;
    memcpy(block, LockResource(LoadResource(module, info)), size);
    if (FAILED(CreateStreamOnHGlobal(block, FALSE, &stream)))
        return;
    Gdiplus::Image image(stream, FALSE);
    HDC screen = GetDC(frame);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bitmapInfo = {};
    bitmapInfo.bmiHeader.biSize = sizeof(bitmapInfo.bmiHeader);
    bitmapInfo.bmiHeader.biWidth = width;
    bitmapInfo.bmiHeader.biHeight = -height;
    bitmapInfo.bmiHeader.biPlanes = 1;
    bitmapInfo.bmiHeader.biBitCount = 32;
    bitmapInfo.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    {
        Gdiplus::Bitmap surface(width, height, width * 4, PixelFormat32bppPARGB,
                                static_cast<BYTE*>(bits));
        Gdiplus::Graphics graphics(&surface);
        graphics.DrawImage(&image, Gdiplus::Rect(0, 0, width, height), 0, 0,
                           static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight()),
                           Gdiplus::UnitPixel);
    }
    RECT rc;
    GetWindowRect(frame, &rc);
    POINT destination = {rc.left, rc.top};
    POINT source = {0, 0};
    SIZE extent = {width, height};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(frame, screen, &destination, &extent, memory, &source, 0, &blend, ULW_ALPHA);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(frame, screen);
    stream->Release();
}

INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        const int width = 410;
        const int height = 611;
        int left = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
        int top = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
        SetWindowLongW(frame, GWL_EXSTYLE, GetWindowLongW(frame, GWL_EXSTYLE) | WS_EX_LAYERED);
        MoveWindow(frame, left, top, width, height, FALSE);
        PaintFrame(frame, width, height);
        HWND layer = CreateDialogParamW(GetModuleHandleW(nullptr),
                                        MAKEINTRESOURCEW(IDD_KESTRUNE_DIALOG), frame, LayerProc, 0);
        MoveWindow(layer, left + 5, top + 4, width - 10, height - 11, TRUE);
        ShowWindow(layer, SW_SHOW);
        return TRUE;
    }
    if (message == WM_CLOSE)
        EndDialog(frame, 0);
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    StartupTraceBegin();
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    StartupMark("GDI+ start");
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    StartupMark("common controls 6");
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_DROVANIXKESTRUNE_DIALOG), nullptr, FrameProc, 0);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
