#include "XInput.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace xinput {

namespace {

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

// The X window that xdotool finds under the pointer, 0 when it cannot tell.
unsigned long XWindowUnderPointer()
{
    char path[64];
    snprintf(path, sizeof(path), "/tmp/kestrune-pointer-%lu.txt", GetCurrentProcessId());
    if (!RunUnix(std::string("xdotool getmouselocation --shell > ") + path))
        return 0;
    std::string windowsPath = WindowsPath(path);
    char text[256] = {};
    if (FILE* file = fopen(windowsPath.c_str(), "rb")) {
        fread(text, 1, sizeof(text) - 1, file);
        fclose(file);
    }
    DeleteFileA(windowsPath.c_str());
    const char* at = strstr(text, "WINDOW=");
    return at == nullptr ? 0 : strtoul(at + 7, nullptr, 10);
}

}  // namespace

void PumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

bool RunUnix(const std::string& command)
{
    // Wine cannot wait for a Unix process, so the command leaves a marker file when it ends.
    static int counter = 0;
    char marker[128];
    snprintf(marker, sizeof(marker), "/tmp/kestrune-xinput-%lu-%d.done", GetCurrentProcessId(),
             ++counter);
    std::string line = "Z:\\bin\\sh -c \"" + command + "; touch " + marker + "\"";
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    // For a Unix program Wine returns no process handle and leaves stray bits in hThread: closing
    // that value could close an unrelated handle of this process (a cached registry key).
    if (process.hProcess != nullptr) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    std::string windowsMarker = WindowsPath(marker);
    bool done = PumpUntil(
        [&] { return GetFileAttributesA(windowsMarker.c_str()) != INVALID_FILE_ATTRIBUTES; },
        30000);
    DeleteFileA(windowsMarker.c_str());
    // The X events reach Wine's event queue a moment after xdotool has sent them.
    PumpFor(150);
    return done;
}

bool Xdo(const std::string& arguments)
{
    return RunUnix("xdotool " + arguments);
}

bool MoveMouse(int x, int y)
{
    return Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y));
}

bool Click(int x, int y)
{
    return Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

bool MoveOnto(HWND hWnd, int x, int y)
{
    // Wine keeps the X window of a top-level window in this property.
    auto expected = static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(
        GetPropW(GetAncestor(hWnd, GA_ROOT), L"__wine_x11_whole_window")));
    MoveMouse(x, y);
    return expected != 0 && PumpUntil([&] { return XWindowUnderPointer() == expected; }, 10000);
}

bool ClickOn(HWND hWnd, int x, int y)
{
    bool over = MoveOnto(hWnd, x, y);
    Xdo("click 1");
    return over;
}

bool ClickClient(HWND hWnd, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(hWnd, &point);
    return ClickOn(hWnd, point.x, point.y);
}

}  // namespace xinput
