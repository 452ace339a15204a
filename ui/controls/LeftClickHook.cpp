#include "ui/controls/LeftClickHook.h"

namespace {

// The system calls the hook procedure without context, so both values are process-wide.
HHOOK g_hook = nullptr;
HWND g_notifyWindow = nullptr;

}  // namespace

LeftClickHook::LeftClickHook()
{
    g_hook = nullptr;
    g_notifyWindow = nullptr;
}

LeftClickHook::~LeftClickHook()
{
    Uninstall();
}

bool LeftClickHook::SetNotifyWindow(HWND window)
{
    if (window == nullptr)
        return false;
    g_notifyWindow = window;
    return true;
}

bool LeftClickHook::Install()
{
    g_hook = SetWindowsHookExW(WH_MOUSE_LL, &LeftClickHook::HookProc, nullptr, 0);
    return g_hook != nullptr;
}

void LeftClickHook::Uninstall()
{
    if (g_hook != nullptr)
        UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
}

LRESULT CALLBACK LeftClickHook::HookProc(int code, WPARAM wParam, LPARAM lParam)
{
    // lParam points at the hook's event record, valid only during this call: receivers ignore it.
    if (wParam == WM_LBUTTONDOWN)
        PostMessageW(g_notifyWindow, WM_HOOK_LBUTTONDOWN, wParam, lParam);
    return CallNextHookEx(g_hook, code, wParam, lParam);
}
