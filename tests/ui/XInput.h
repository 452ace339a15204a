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

// Runs a shell command line on the Linux side and pumps until it has ended (at most 30 s).
bool RunUnix(const std::string& command);
// xdotool arguments, e.g. "mousemove 10 20" or "key Escape".
bool Xdo(const std::string& arguments);
bool MoveMouse(int x, int y);
bool Click(int x, int y);
// Moves the pointer to (x, y) and waits until the X window under it is hWnd's top-level window (a
// window Wine has just shown or hidden may lag on the X screen); false when it never came.
bool MoveOnto(HWND hWnd, int x, int y);
// MoveOnto, then a click, made in any case.
bool ClickOn(HWND hWnd, int x, int y);
// The same at a client point of the window.
bool ClickClient(HWND hWnd, int x, int y);

}  // namespace xinput
