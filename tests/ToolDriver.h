// Drives the real Kestrune.exe as a person would: starts it from a folder of its own on C:,
// finds its windows, clicks and types through xdotool, takes screenshots with ImageMagick's
// import and probes their pixels.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace testutil {

class CToolProcess {
public:
    CToolProcess() = default;
    ~CToolProcess();
    CToolProcess(const CToolProcess&) = delete;
    CToolProcess& operator=(const CToolProcess&) = delete;

    // Starts exe with a current directory outside its folder.
    bool Start(const std::wstring& exe);
    // Waits for the end of the process; false on timeout.
    bool WaitExit(DWORD timeoutMs, DWORD& exitCode);
    bool IsRunning() const;
    void Kill();
    DWORD Pid() const { return m_pid; }

    // Visible top-level windows of the process.
    std::vector<HWND> VisibleWindows() const;
    // The first visible window of the process that holds a child with this control id.
    HWND FindWindowWithControl(int controlId, DWORD timeoutMs) const;
    // Waits until no visible window of the process holds the control id.
    bool WaitWindowGone(int controlId, DWORD timeoutMs) const;

private:
    HANDLE m_hProcess = nullptr;
    DWORD m_pid = 0;
};

// Runs a Linux program through Wine's Z: drive and waits for it; its stdout in output.
bool RunLinuxProgram(const std::wstring& unixPath, const std::wstring& arguments,
                     std::string* output = nullptr);
// xdotool with the arguments (for example L"mousemove 10 20 click 1").
bool Xdotool(const std::wstring& arguments);
void ClickAt(int x, int y);
void MoveMouseTo(int x, int y);
void PressKey(const wchar_t* keyName);

// A screenshot of the whole X screen into the build tree's screenshot folder; returns its
// Windows path (empty on failure).
std::wstring Screenshot(const std::wstring& name);
// The pixel of a PNG file as RGB; 0xFFFFFFFF when it cannot be read.
COLORREF PixelOf(const std::wstring& pngPath, int x, int y);
// True when the colour is within tolerance of the expected one in each channel.
bool NearColour(COLORREF actual, COLORREF expected, int tolerance = 24);

// Pumps messages and sleeps in small steps (keeps the test's own windows responsive).
void Pause(DWORD ms);

}  // namespace testutil
