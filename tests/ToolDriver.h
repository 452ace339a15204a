// What the end-to-end tests add to the tool runner and the X input helpers: finding the tool's
// dialogs by a control they hold, clicks, screenshots into the build tree, and pixel probes.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace testutil {

// Visible top-level windows of the process.
std::vector<HWND> VisibleWindowsOf(DWORD pid);
// The first visible window of the process that holds a child with this control id; waits.
HWND FindWindowWithControl(DWORD pid, int controlId, DWORD timeoutMs);
// Waits until no visible window of the process holds the control id.
bool WaitWindowGone(DWORD pid, int controlId, DWORD timeoutMs);

void ClickAt(int x, int y);
// Moves the pointer to (x, y), waits until the X window under it is the given top-level window
// (a window that Wine has hidden may stay on the X screen for a while), then clicks. False when
// the window never came under the pointer; the click is made anyway.
bool ClickOn(HWND topLevel, int x, int y, DWORD timeoutMs = 6000);
void MoveMouseTo(int x, int y);
void PressKey(const char* keyName);
void PressKey(const wchar_t* keyName);
// xdotool with the arguments (for example L"click --repeat 3 1").
bool Xdotool(const std::wstring& arguments);
// Pumps this thread's messages for the time, so its own windows stay responsive.
void Pause(DWORD ms);

// A screenshot of the whole X screen into the build tree's screenshot folder; returns its
// Windows path (empty on failure).
std::wstring Screenshot(const std::wstring& name);
// The same for one rectangle of the screen only.
std::wstring ScreenshotArea(const std::wstring& name, const RECT& area);
// The pixel of a PNG file as RGB; a pixel that cannot be read fails the test and is CLR_INVALID,
// which is near no colour.
COLORREF PixelOf(const std::wstring& pngPath, int x, int y);
// True when the colour is within tolerance of the expected one in each channel.
bool NearColour(COLORREF actual, COLORREF expected, int tolerance = 24);

}  // namespace testutil
