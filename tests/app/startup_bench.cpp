// Benchmark (not a test): time from process start to the first painted frame of Kestrune.exe
// against a bare Win32 window program, both measured in this one run.
#include "TestUtil.h"
#include "ToolRun.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

struct VisibleSearch {
    DWORD pid;
    bool found;
};

BOOL CALLBACK FindVisible(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<VisibleSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid == search->pid && IsWindowVisible(hWnd))
        search->found = true;
    return TRUE;
}

// Milliseconds from CreateProcess to the first moment the program waits for input with a visible
// window: its first frame has been painted (paint messages come before the queue is idle).
double TimeToFirstFrame(const std::wstring& exePath)
{
    std::wstring folder = exePath.substr(0, exePath.rfind(L'\\'));
    std::wstring line = L"\"" + exePath + L"\"";
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    double start = Now();
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process))
        return -1;
    double elapsed = -1;
    for (;;) {
        WaitForInputIdle(process.hProcess, 100);
        VisibleSearch search = {process.dwProcessId, false};
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.found && WaitForInputIdle(process.hProcess, 0) == 0) {
            elapsed = (Now() - start) * 1000;
            break;
        }
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0 || Now() - start > 60)
            break;
    }
    // Ended without its orderly exit: the exit clean-up does not run.
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int runs = argc > 1 ? _wtoi(argv[1]) : 5;
    std::wstring folder = L"C:\\kestrune-bench\\Kestrune";
    if (!toolrun::InstallTool(folder)) {
        fprintf(stderr, "cannot install the tool into C:\\kestrune-bench\\Kestrune\n");
        return 1;
    }
    std::wstring bare = testutil::ExeFolder() + L"\\bare_window.exe";
    std::vector<double> tool;
    std::vector<double> baseline;
    // Alternating, so that both see the same state of the machine.
    for (int i = 0; i < runs; ++i) {
        baseline.push_back(TimeToFirstFrame(bare));
        tool.push_back(TimeToFirstFrame(folder + L"\\Kestrune.exe"));
    }
    printf("startup to first painted frame, median of %d: Kestrune.exe %.0f ms, bare Win32 window "
           "%.0f ms\n",
           runs, Median(tool), Median(baseline));
    testutil::RemoveTree(L"C:\\kestrune-bench");
    return 0;
}
