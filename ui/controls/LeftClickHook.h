// Holder of the process-wide low-level mouse hook that posts WM_HOOK_LBUTTONDOWN to one window
// for every left button press on the desktop.
#pragma once
#include <windows.h>

constexpr UINT WM_HOOK_LBUTTONDOWN = WM_USER + 1000;

class LeftClickHook {
public:
    LeftClickHook();
    ~LeftClickHook();
    LeftClickHook(const LeftClickHook&) = delete;
    LeftClickHook& operator=(const LeftClickHook&) = delete;

    bool SetNotifyWindow(HWND window);
    bool Install();
    void Uninstall();

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
};
