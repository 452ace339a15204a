#include "ToolDriver.h"
#include "TestUtil.h"
#include "XInput.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace testutil {

namespace {

struct EnumState {
    DWORD pid;
    std::vector<HWND>* windows;
};

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam)
{
    auto* state = reinterpret_cast<EnumState*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid == state->pid && IsWindowVisible(hWnd))
        state->windows->push_back(hWnd);
    return TRUE;
}

HWND WindowWithControl(DWORD pid, int controlId)
{
    for (HWND hWnd : VisibleWindowsOf(pid)) {
        if (GetDlgItem(hWnd, controlId) != nullptr)
            return hWnd;
    }
    return nullptr;
}

}  // namespace

std::vector<HWND> VisibleWindowsOf(DWORD pid)
{
    std::vector<HWND> windows;
    EnumState state = {pid, &windows};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&state));
    return windows;
}

HWND FindWindowWithControl(DWORD pid, int controlId, DWORD timeoutMs)
{
    HWND found = nullptr;
    xinput::PumpUntil([&] { return (found = WindowWithControl(pid, controlId)) != nullptr; },
                      timeoutMs);
    return found;
}

bool WaitWindowGone(DWORD pid, int controlId, DWORD timeoutMs)
{
    return xinput::PumpUntil([&] { return WindowWithControl(pid, controlId) == nullptr; },
                             timeoutMs);
}

void ClickAt(int x, int y)
{
    xinput::Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.1 click 1");
    xinput::PumpFor(150);
}

namespace {

// The X window that xdotool finds under the pointer, 0 when it cannot tell.
unsigned long XWindowUnderPointer()
{
    char path[64];
    snprintf(path, sizeof(path), "/tmp/kestrune-pointer-%lu.txt", GetCurrentProcessId());
    if (!xinput::RunUnix(std::string("xdotool getmouselocation --shell > ") + path))
        return 0;
    std::string windowsPath = std::string("Z:") + path;
    for (char& c : windowsPath) {
        if (c == '/')
            c = '\\';
    }
    std::string text;
    ReadFileBytes(FromCodePage(windowsPath, CP_ACP), text);
    DeleteFileA(windowsPath.c_str());
    size_t at = text.find("WINDOW=");
    return at == std::string::npos ? 0 : strtoul(text.c_str() + at + 7, nullptr, 10);
}

}  // namespace

bool ClickOn(HWND topLevel, int x, int y, DWORD timeoutMs)
{
    // Wine keeps the X window of a top-level window in this property.
    auto expected = static_cast<unsigned long>(
        reinterpret_cast<ULONG_PTR>(GetPropW(topLevel, L"__wine_x11_whole_window")));
    xinput::MoveMouse(x, y);
    unsigned long seen = 0;
    bool over = expected != 0 && xinput::PumpUntil(
                                     [&] { return (seen = XWindowUnderPointer()) == expected; },
                                     timeoutMs);
    if (!over)
        printf("pointer at %d,%d: X window %lu, expected %lu\n", x, y, seen, expected);
    xinput::Xdo("click 1");
    xinput::PumpFor(150);
    return over;
}

void MoveMouseTo(int x, int y)
{
    xinput::MoveMouse(x, y);
    xinput::PumpFor(150);
}

void PressKey(const char* keyName)
{
    xinput::Xdo(std::string("key ") + keyName);
    xinput::PumpFor(150);
}

void PressKey(const wchar_t* keyName)
{
    PressKey(ToCodePage(keyName, CP_UTF8).c_str());
}

bool Xdotool(const std::wstring& arguments)
{
    return xinput::Xdo(ToCodePage(arguments, CP_UTF8));
}

void Pause(DWORD ms)
{
    xinput::PumpFor(ms);
}

namespace {

std::wstring TakeScreenshot(const std::wstring& name, const std::string& importOptions)
{
    char folder[MAX_PATH] = {};
    if (GetEnvironmentVariableA("KESTRUNE_SCREENSHOT_DIR", folder, MAX_PATH) == 0)
        return std::wstring();
    std::string unixPath = std::string(folder) + "/" + ToCodePage(name, CP_UTF8) + ".png";
    if (!xinput::RunUnix("import -window root " + importOptions + " '" + unixPath + "'"))
        return std::wstring();
    std::wstring windowsPath = L"Z:" + FromCodePage(unixPath, CP_UTF8);
    for (wchar_t& c : windowsPath) {
        if (c == L'/')
            c = L'\\';
    }
    return FileExists(windowsPath) ? windowsPath : std::wstring();
}

}  // namespace

std::wstring Screenshot(const std::wstring& name)
{
    return TakeScreenshot(name, "");
}

std::wstring ScreenshotArea(const std::wstring& name, const RECT& area)
{
    char crop[96];
    snprintf(crop, sizeof(crop), "-crop %ldx%ld+%ld+%ld +repage", area.right - area.left,
             area.bottom - area.top, area.left, area.top);
    return TakeScreenshot(name, crop);
}

COLORREF PixelOf(const std::wstring& pngPath, int x, int y)
{
    static ULONG_PTR token = 0;
    if (token == 0) {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    Gdiplus::Bitmap bitmap(pngPath.c_str());
    Gdiplus::Color colour;
    if (bitmap.GetLastStatus() != Gdiplus::Ok || bitmap.GetPixel(x, y, &colour) != Gdiplus::Ok) {
        ADD_FAILURE() << "pixel " << x << "," << y << " of a screenshot could not be read";
        return CLR_INVALID;
    }
    return RGB(colour.GetR(), colour.GetG(), colour.GetB());
}

bool NearColour(COLORREF actual, COLORREF expected, int tolerance)
{
    return actual != CLR_INVALID && abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
           abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
           abs(GetBValue(actual) - GetBValue(expected)) <= tolerance;
}

}  // namespace testutil
