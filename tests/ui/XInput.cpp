#include "XInput.h"

#include <cstdio>
#include <vector>

namespace xinput {

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
    std::string script = command + "; touch " + marker;
    std::string line = "Z:\\bin\\sh -c \"" + script + "\"";
    std::wstring wide(line.begin(), line.end());
    std::vector<wchar_t> buffer(wide.begin(), wide.end());
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
    std::string windowsMarker = std::string("Z:") + marker;
    for (char& c : windowsMarker) {
        if (c == '/')
            c = '\\';
    }
    bool done = PumpUntil(
        [&] { return GetFileAttributesA(windowsMarker.c_str()) != INVALID_FILE_ATTRIBUTES; },
        10000);
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

bool Screenshot(const std::string& linuxPath)
{
    return RunUnix("import -window root '" + linuxPath + "'");
}

}  // namespace xinput
