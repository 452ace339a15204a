// Watches the main thread's windows through hooks, so that the stages inside the frame and the
// panel are told apart without marks in their code.
#include "app/StartupTrace.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

namespace {

struct Mark {
    const char* stage;
    ULONGLONG at;  // 100 ns units, system time
    SIZE_T workingSet;
};

Mark g_marks[16];
int g_count = 0;
int g_dialogs = 0;
HWND g_panel = nullptr;
HHOOK g_cbt = nullptr;
HHOOK g_calls = nullptr;
HHOOK g_returns = nullptr;
HHOOK g_messages = nullptr;
bool g_ready = false;
ULONGLONG g_lastPaint = 0;

ULONGLONG Now()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

bool IsDialog(HWND window)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpW(name, L"#32770") == 0;
}

SIZE_T WorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        return 0;
    return counters.WorkingSetSize;
}

// Milliseconds of each stage (from the mark before it; the first from process creation) and the
// working set at its end, in startup-trace.txt beside the exe.
void Write()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    ULONGLONG previous = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    while (length > 0 && path[length - 1] != L'\\')
        --length;
    lstrcpyW(path + length, L"startup-trace.txt");
    FILE* file = _wfopen(path, L"w");
    if (file == nullptr)
        return;
    for (int i = 0; i < g_count; ++i) {
        fprintf(file, "%s\t%.1f ms\t%.1f MiB\n", g_marks[i].stage,
                (g_marks[i].at - previous) / 10000.0, g_marks[i].workingSet / 1048576.0);
        previous = g_marks[i].at;
    }
    fclose(file);
}

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && IsDialog(reinterpret_cast<HWND>(wParam)) && ++g_dialogs <= 2)
        StartupMark(g_dialogs == 1 ? "frame: object, icon, dialog template"
                                   : "frame: window, background image decoded, layered paint");
    return CallNextHookEx(g_cbt, code, wParam, lParam);
}

LRESULT CALLBACK OnCall(int code, WPARAM wParam, LPARAM lParam)
{
    auto* call = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && g_dialogs == 2 && g_panel == nullptr) {
        g_panel = call->hwnd;
        StartupMark("control layer: window and controls created");
    }
    return CallNextHookEx(g_calls, code, wParam, lParam);
}

LRESULT CALLBACK OnReturn(int code, WPARAM wParam, LPARAM lParam)
{
    auto* call = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->hwnd == g_panel && call->message == WM_INITDIALOG && !g_ready) {
        g_ready = true;
        StartupMark("panel set-up: images, hook, companion library, checks");
    }
    return CallNextHookEx(g_returns, code, wParam, lParam);
}

// Paint messages come before timer messages: the first timer message (100 ms after the panel's
// set-up) follows the first frame. Its last paint is marked where it was taken from the queue.
LRESULT CALLBACK OnMessage(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && g_ready) {
        if (msg->message == WM_PAINT) {
            g_lastPaint = Now();
        } else if (msg->message == WM_TIMER && g_count < 16) {
            g_marks[g_count++] = {"first paint of the panel and its controls (to the last one)",
                                  g_lastPaint, WorkingSet()};
            Write();
            g_ready = false;
            g_count = 16;  // nothing more
        }
    }
    return CallNextHookEx(g_messages, code, wParam, lParam);
}

}  // namespace

void StartupTraceBegin()
{
    StartupMark("process start, loader and C runtime");
    DWORD thread = GetCurrentThreadId();
    g_cbt = SetWindowsHookExW(WH_CBT, OnCbt, nullptr, thread);
    g_calls = SetWindowsHookExW(WH_CALLWNDPROC, OnCall, nullptr, thread);
    g_returns = SetWindowsHookExW(WH_CALLWNDPROCRET, OnReturn, nullptr, thread);
    g_messages = SetWindowsHookExW(WH_GETMESSAGE, OnMessage, nullptr, thread);
}

void StartupMark(const char* stage)
{
    if (g_count < 16)
        g_marks[g_count++] = {stage, Now(), WorkingSet()};
}
