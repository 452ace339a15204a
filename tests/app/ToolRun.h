// Runs the built Kestrune.exe from a folder of its own on C: and finds its windows.
#pragma once
#include <windows.h>
#include <string>

namespace toolrun {

// Copies Kestrune.exe, the companion DLL and its INI into folder (created with its parents).
bool InstallTool(const std::wstring& folder);
// The folder the tool was built in (beside the test executables).
std::wstring BuildFolder();

// The files of the folder, without "." and "..".
int CountEntries(const std::wstring& folder);

class CToolProcess {
public:
    CToolProcess() = default;
    ~CToolProcess();
    CToolProcess(const CToolProcess&) = delete;
    CToolProcess& operator=(const CToolProcess&) = delete;

    // Starts exePath with its folder as current directory, as a double-click would.
    bool Start(const std::wstring& exePath);
    // Waits until the frame and its control layer exist; false after timeoutMs.
    bool WaitForWindows(DWORD timeoutMs = 20000);
    // A visible top-level window of the process with this title, other than the frame.
    HWND FindWindowTitled(const std::wstring& title) const;
    // Closes the tool from its frame's system menu and answers the problem-solved popup that
    // closing shows ("其 他"); false when the popup did not come.
    bool CloseAnsweringFeedback(DWORD timeoutMs = 20000);
    // Waits for the process to end; false on timeout.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    void Kill();

    HWND m_frame = nullptr;
    HWND m_panel = nullptr;
    DWORD m_pid = 0;

private:
    HANDLE m_process = nullptr;
};

// HKCU\Control Panel\Desktop LogPixels.
bool SetLogPixels(DWORD dpi);

}  // namespace toolrun
