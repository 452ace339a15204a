// Tells the stages inside the frame and the panel apart without marks in their code: a creation
// hook numbers the dialogs, and the second (the control layer) is subclassed to see its
// WM_INITDIALOG begin and end. No hook watches the sent messages: under Wine each hooked message
// is a wineserver round trip, which made every message-heavy stage look two to four times slower.
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

const int kMaxMarks = 16;
Mark g_marks[kMaxMarks];
int g_count = 0;
int g_dialogs = 0;
HHOOK g_cbt = nullptr;
HHOOK g_messages = nullptr;
WNDPROC g_panelProc = nullptr;
UINT_PTR g_timer = 0;
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

// Paint messages come before timer messages: the first timer message after the panel's set-up
// (the program's own, or the trace's for a program without one) follows the first frame. Its
// last paint is marked where it was taken from the queue. Only these few queued messages pass
// the hook, and only until the marks are written.
LRESULT CALLBACK OnMessage(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && g_timer != 0) {
        if (msg->message == WM_PAINT) {
            g_lastPaint = Now();
        } else if (msg->message == WM_TIMER) {
            KillTimer(nullptr, g_timer);
            g_timer = 0;
            StartupMark("first paint of the panel and its controls (to the last one)");
            if (g_lastPaint != 0)
                g_marks[g_count - 1].at = g_lastPaint;
            Write();
            g_count = kMaxMarks;  // nothing more
        }
    }
    return CallNextHookEx(g_messages, code, wParam, lParam);
}

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return CallWindowProcW(g_panelProc, window, message, wParam, lParam);
    StartupMark("control layer: window and controls created");
    LRESULT result = CallWindowProcW(g_panelProc, window, message, wParam, lParam);
    StartupMark("panel set-up: background, host client, checks, layout, list");
    g_messages = SetWindowsHookExW(WH_GETMESSAGE, OnMessage, nullptr, GetCurrentThreadId());
    g_timer = SetTimer(nullptr, 0, 100, nullptr);
    return result;
}

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    auto window = reinterpret_cast<HWND>(wParam);
    LRESULT next = CallNextHookEx(g_cbt, code, wParam, lParam);
    if (code == HCBT_CREATEWND && IsDialog(window) && ++g_dialogs <= 2) {
        StartupMark(g_dialogs == 1 ? "frame: object, icon, dialog template"
                                   : "frame: window, background image decoded, layered paint");
        if (g_dialogs == 2) {
            // The control layer: its own WM_INITDIALOG marks the rest; its controls' creation
            // passes no hook.
            g_panelProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
                window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PanelProc)));
            UnhookWindowsHookEx(g_cbt);
            g_cbt = nullptr;
        }
    }
    return next;
}

}  // namespace

void StartupTraceBegin()
{
    StartupMark("process start, loader and C runtime");
    g_cbt = SetWindowsHookExW(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
}

void StartupMark(const char* stage)
{
    if (g_count < kMaxMarks)
        g_marks[g_count++] = {stage, Now(), WorkingSet()};
}
