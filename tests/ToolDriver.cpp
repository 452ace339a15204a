#include "ToolDriver.h"
#include "TestUtil.h"

#include <gdiplus.h>

namespace testutil {

CToolProcess::~CToolProcess()
{
    if (m_hProcess != nullptr) {
        if (IsRunning())
            TerminateProcess(m_hProcess, 1);
        CloseHandle(m_hProcess);
    }
}

bool CToolProcess::Start(const std::wstring& exe)
{
    std::wstring line = L"\"" + exe + L"\"";
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // A current directory inside the tool's folder would keep the folder from being removed.
    if (!CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\",
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    m_hProcess = process.hProcess;
    m_pid = process.dwProcessId;
    return true;
}

bool CToolProcess::WaitExit(DWORD timeoutMs, DWORD& exitCode)
{
    if (m_hProcess == nullptr)
        return false;
    DWORD start = GetTickCount();
    while (WaitForSingleObject(m_hProcess, 50) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Pause(0);
    }
    GetExitCodeProcess(m_hProcess, &exitCode);
    return true;
}

bool CToolProcess::IsRunning() const
{
    return m_hProcess != nullptr && WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT;
}

void CToolProcess::Kill()
{
    if (IsRunning()) {
        TerminateProcess(m_hProcess, 1);
        WaitForSingleObject(m_hProcess, 10000);
    }
}

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

}  // namespace

std::vector<HWND> CToolProcess::VisibleWindows() const
{
    std::vector<HWND> windows;
    EnumState state = {m_pid, &windows};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&state));
    return windows;
}

HWND CToolProcess::FindWindowWithControl(int controlId, DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND hWnd : VisibleWindows()) {
            if (GetDlgItem(hWnd, controlId) != nullptr)
                return hWnd;
        }
        if (GetTickCount() - start > timeoutMs || !IsRunning())
            return nullptr;
        Pause(50);
    }
}

bool CToolProcess::WaitWindowGone(int controlId, DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    for (;;) {
        bool present = false;
        for (HWND hWnd : VisibleWindows())
            present = present || GetDlgItem(hWnd, controlId) != nullptr;
        if (!present)
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Pause(50);
    }
}

bool RunLinuxProgram(const std::wstring& unixPath, const std::wstring& arguments,
                     std::string* output)
{
    // Wine starts a Linux program given as a path on Z:, the root of the Linux file system.
    std::wstring windowsPath = L"Z:" + unixPath;
    for (wchar_t& c : windowsPath) {
        if (c == L'/')
            c = L'\\';
    }
    std::string captured;
    DWORD exitCode = 0;
    bool ran = RunProgram(L"\"" + windowsPath + L"\" " + arguments, captured, exitCode, 60000);
    if (output != nullptr)
        *output = captured;
    return ran;  // Wine does not pass a Linux program's exit status back reliably
}

bool Xdotool(const std::wstring& arguments)
{
    return RunLinuxProgram(L"/usr/bin/xdotool", arguments);
}

void MoveMouseTo(int x, int y)
{
    Xdotool(L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y));
    Pause(150);
}

void ClickAt(int x, int y)
{
    Xdotool(L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y) + L" sleep 0.15 click 1");
    Pause(150);
}

void PressKey(const wchar_t* keyName)
{
    Xdotool(std::wstring(L"key ") + keyName);
    Pause(150);
}

std::wstring Screenshot(const std::wstring& name)
{
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"KESTRUNE_SCREENSHOT_DIR", folder, MAX_PATH) == 0)
        return std::wstring();
    std::wstring unixPath = std::wstring(folder) + L"/" + name + L".png";
    if (!RunLinuxProgram(L"/usr/bin/import", L"-window root \"" + unixPath + L"\""))
        return std::wstring();
    std::wstring windowsPath = L"Z:" + unixPath;
    for (wchar_t& c : windowsPath) {
        if (c == L'/')
            c = L'\\';
    }
    return FileExists(windowsPath) ? windowsPath : std::wstring();
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
    if (bitmap.GetLastStatus() != Gdiplus::Ok || bitmap.GetPixel(x, y, &colour) != Gdiplus::Ok)
        return 0xFFFFFFFF;
    return RGB(colour.GetR(), colour.GetG(), colour.GetB());
}

bool NearColour(COLORREF actual, COLORREF expected, int tolerance)
{
    return abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
           abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
           abs(GetBValue(actual) - GetBValue(expected)) <= tolerance;
}

void Pause(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (ms > 0)
            Sleep(ms < 20 ? ms : 20);
    } while (GetTickCount() - start < ms);
}

}  // namespace testutil
