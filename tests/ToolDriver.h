// Driving the real Kestrune.exe under Wine and Xvfb: the tool in a folder of its own on C:, its
// windows found by a control they hold, clicks that wait until the target is under the pointer,
// screenshots and pixel probes, and what the tool leaves in the registry and its logs.
#pragma once
#include "TestUtil.h"

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
bool ClickOn(HWND topLevel, int x, int y, DWORD timeoutMs = 10000);
// ClickOn at the centre of a control of the window.
bool ClickControlOf(HWND topLevel, int controlId);
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

// What a file holds beyond its first skip bytes.
std::string BytesAfter(const std::wstring& path, size_t skip);
// The crash-control value as text, "absent" when there is none.
std::wstring CrashControlText(const wchar_t* name);
// CrashDumpEnabled 99 and FilterPages 5: values no dump type writes.
void ResetCrashControl();

struct ToolSetup {
    std::wstring manifestLine = L"10107=1.3.22.1026";
    bool withDll = true;
    const wchar_t* windowsVersion = L"win10";
    DWORD logPixels = 96;
};

// The tool copied into C:\kestrune-tests\<name> (name may hold subfolders), its companion set to
// log the pages it is asked for instead of opening them.
class CTool {
public:
    explicit CTool(const std::wstring& name, const ToolSetup& setup = ToolSetup());
    ~CTool();
    CTool(const CTool&) = delete;
    CTool& operator=(const CTool&) = delete;

    // Starts the exe with its folder as current directory, as a double-click would.
    bool Start();
    // The panel, once the start-up probe has ended (no busy popup left); null when never.
    HWND WaitReady(DWORD timeoutMs = 60000);
    HWND Frame() const { return GetWindow(m_hPanel, GW_OWNER); }
    // The text of the prompt open now (waits for one), and a click on its confirm button.
    std::wstring WaitPrompt(DWORD timeoutMs = 60000);
    void ConfirmPrompt();
    RECT ControlRect(int id) const;
    void ClickControl(int id) { ClickControlOf(m_hPanel, id); }
    // Picks the list entry through the real drop-down list.
    bool PickDumpType(int index);
    // Closes through the close button and answers the problem-solved popup; the popup or null.
    HWND OpenClosePopup();
    // Waits for the end and expects exit code 0.
    bool WaitExit(DWORD timeoutMs = 30000);
    bool IsRunning() const { return WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }
    // The companion's call log lines written since the tool was set up.
    std::string NewCalls() const;

    std::wstring m_folder;
    std::wstring m_exe;
    HWND m_hPanel = nullptr;
    DWORD m_pid = 0;

private:
    HANDLE m_process = nullptr;
    size_t m_callLogStart = 0;
};

}  // namespace testutil
