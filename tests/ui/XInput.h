// Real input for windows under Xvfb: xdotool, started from the Windows side as a Unix program,
// while this thread keeps pumping its messages so that its own windows see the events.
#pragma once
#include <windows.h>
#include <string>

namespace xinput {

// Dispatches this thread's messages for the given time.
void PumpFor(DWORD milliseconds);
// Pumps until predicate() is true or the time is up; returns the predicate's last value.
template <typename Predicate>
bool PumpUntil(Predicate predicate, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!predicate()) {
        if (GetTickCount() - start > milliseconds)
            return predicate();
        PumpFor(20);
    }
    return true;
}

// Runs a shell command line on the Linux side and pumps until it has ended (at most 10 s).
bool RunUnix(const std::string& command);
// xdotool arguments, e.g. "mousemove 10 20" or "key Escape".
bool Xdo(const std::string& arguments);
bool MoveMouse(int x, int y);
bool Click(int x, int y);
// Saves a screenshot of the whole screen to a Linux path.
bool Screenshot(const std::string& linuxPath);

}  // namespace xinput
