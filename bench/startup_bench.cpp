// Benchmark (not a test): Kestrune.exe against the window pair alone (design_floor.exe: its two
// windows and nothing of the tool), with a bare Win32 window beside both, all measured in this one
// run: time from process start to the first painted frame, the working set once the panel is up
// and its start-up probe has ended, and the CPU time used and the working set while all sit idle.
#include "BenchReport.h"
#include "TestUtil.h"
#include "ToolDriver.h"
#include "XInput.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int kBusyText = 1000;
const int kDumpTypeList = 1019;

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

// A program started as a double-click would, with its folder as current directory.
class CChild {
public:
    ~CChild() { End(); }

    bool Start(const std::wstring& exePath)
    {
        std::wstring folder = exePath.substr(0, exePath.rfind(L'\\'));
        std::wstring line = L"\"" + exePath + L"\"";
        std::vector<wchar_t> buffer(line.begin(), line.end());
        buffer.push_back(0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        m_start = Now();
        return CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &startup, &m_process) != FALSE;
    }

    // Milliseconds from CreateProcess to the first moment the program waits for input with a
    // visible window: its first frame has been painted (paint messages come before the queue is
    // idle). -1 when that never happened.
    double WaitFirstFrame()
    {
        for (;;) {
            WaitForInputIdle(m_process.hProcess, 100);
            VisibleSearch search = {m_process.dwProcessId, false};
            EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
            if (search.found && WaitForInputIdle(m_process.hProcess, 0) == 0)
                return (Now() - m_start) * 1000;
            if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0 || Now() - m_start > 60)
                return -1;
        }
    }

    // The panel is up and the start-up probe's busy popup has gone.
    bool WaitPanelReady()
    {
        DWORD pid = m_process.dwProcessId;
        if (testutil::FindWindowWithControl(pid, kDumpTypeList, 60000) == nullptr)
            return false;
        xinput::PumpFor(400);
        return testutil::WaitWindowGone(pid, kBusyText, 60000);
    }

    bool Memory(PROCESS_MEMORY_COUNTERS_EX& counters) const
    {
        counters = {};
        counters.cb = sizeof(counters);
        return GetProcessMemoryInfo(m_process.hProcess,
                                    reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                    sizeof(counters)) != FALSE;
    }

    // User plus kernel time of the process's threads in milliseconds; -1 when none was read.
    // Summed per thread: Wine answers GetProcessTimes on another process with the caller's own
    // times, while each thread's times come from the system.
    double CpuMs() const
    {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        if (snapshot == INVALID_HANDLE_VALUE)
            return -1;
        auto ticks = [](const FILETIME& t) {
            return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        ULONGLONG total = 0;
        int counted = 0;
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID != m_process.dwProcessId)
                continue;
            HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
            if (thread == nullptr)
                continue;
            FILETIME created, ended, kernel, user;
            if (GetThreadTimes(thread, &created, &ended, &kernel, &user)) {
                total += ticks(kernel) + ticks(user);
                ++counted;
            }
            CloseHandle(thread);
        }
        CloseHandle(snapshot);
        return counted > 0 ? total / 10000.0 : -1;
    }

    // Ended without its orderly exit: the exit clean-up does not run.
    void End()
    {
        if (m_process.hProcess == nullptr)
            return;
        TerminateProcess(m_process.hProcess, 0);
        WaitForSingleObject(m_process.hProcess, 10000);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
        m_process = {};
    }

private:
    PROCESS_INFORMATION m_process = {};
    double m_start = 0;
};

double TimeToFirstFrame(const std::wstring& exePath)
{
    CChild child;
    return child.Start(exePath) ? child.WaitFirstFrame() : -1;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

double MiB(SIZE_T bytes)
{
    return bytes / 1048576.0;
}

// The programs run side by side, so the idle figures cover the very same seconds.
void BenchResidentAndIdle(const std::wstring& tool, const std::wstring& bare,
                          const std::wstring& pair, int idleSeconds)
{
    CChild toolChild;
    CChild bareChild;
    CChild pairChild;
    if (!bareChild.Start(bare) || bareChild.WaitFirstFrame() < 0 || !pairChild.Start(pair) ||
        pairChild.WaitFirstFrame() < 0) {
        printf("working set and idle CPU: the bare window or the window pair did not come up\n");
        return;
    }
    if (!toolChild.Start(tool) || toolChild.WaitFirstFrame() < 0 || !toolChild.WaitPanelReady()) {
        printf("working set and idle CPU: the Kestrune panel did not come up\n");
        return;
    }
    xinput::PumpFor(1000);  // the probe's worker and popup are gone
    PROCESS_MEMORY_COUNTERS_EX toolMemory;
    PROCESS_MEMORY_COUNTERS_EX bareMemory;
    PROCESS_MEMORY_COUNTERS_EX pairMemory;
    double toolStart = -1;
    if (toolChild.Memory(toolMemory) && bareChild.Memory(bareMemory) &&
        pairChild.Memory(pairMemory)) {
        toolStart = MiB(toolMemory.WorkingSetSize);
        Line("working set after start, current", toolStart, MiB(pairMemory.WorkingSetSize), "MiB");
        Line("working set after start, peak", MiB(toolMemory.PeakWorkingSetSize),
             MiB(pairMemory.PeakWorkingSetSize), "MiB");
        Line("  the pair beside the bare window, current", MiB(pairMemory.WorkingSetSize),
             MiB(bareMemory.WorkingSetSize), "MiB");
    } else {
        printf("working set: GetProcessMemoryInfo failed (error %lu)\n", GetLastError());
    }

    double toolBefore = toolChild.CpuMs();
    double pairBefore = pairChild.CpuMs();
    Sleep(idleSeconds * 1000);
    double toolAfter = toolChild.CpuMs();
    double pairAfter = pairChild.CpuMs();
    char what[80];
    snprintf(what, sizeof(what), "CPU time (user+kernel) while idle for %d s", idleSeconds);
    if (toolBefore < 0 || pairBefore < 0 || toolAfter < 0 || pairAfter < 0)
        printf("%s: the threads' times could not be read\n", what);
    else
        Line(what, toolAfter - toolBefore, pairAfter - pairBefore, "ms");
    snprintf(what, sizeof(what), "working set after the %d s idle, current", idleSeconds);
    if (toolChild.Memory(toolMemory) && pairChild.Memory(pairMemory)) {
        Line(what, MiB(toolMemory.WorkingSetSize), MiB(pairMemory.WorkingSetSize), "MiB");
        printf("  the tool's working set after the idle minus after start: %+.3f MiB\n",
               MiB(toolMemory.WorkingSetSize) - toolStart);
    }
}

struct Stage {
    std::string name;
    double ms;
    double mib;
};

// One more run of a program's benchmark build, whose marks split its start-up into stages.
std::vector<Stage> TraceStages(const std::wstring& folder, const wchar_t* exeName, double& frame)
{
    std::wstring trace = folder + L"\\" + exeName;
    std::wstring marks = folder + L"\\startup-trace.txt";
    DeleteFileW(marks.c_str());
    CopyFileW((testutil::ExeFolder() + L"\\" + exeName).c_str(), trace.c_str(), FALSE);
    CChild child;
    frame = child.Start(trace) ? child.WaitFirstFrame() : -1;
    // The marks are written at the trace's timer, 100 ms after the panel's set-up.
    std::string text;
    for (int i = 0; i < 200 && text.empty(); ++i) {
        Sleep(50);
        testutil::ReadFileBytes(marks, text);
    }
    std::vector<Stage> stages;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        size_t tab = line.find('\t');
        if (tab != std::string::npos)
            stages.push_back({line.substr(0, tab), atof(line.c_str() + tab + 1),
                              atof(line.c_str() + line.find('\t', tab + 1) + 1)});
    }
    return stages;
}

// The tool's stages beside the pair's, which makes the same two windows without the tool.
void PrintBreakdown(const std::wstring& folder)
{
    double toolFrame = 0;
    double pairFrame = 0;
    std::vector<Stage> tool = TraceStages(folder, L"Kestrune_trace.exe", toolFrame);
    std::vector<Stage> pair = TraceStages(folder, L"design_floor_trace.exe", pairFrame);
    printf("start-up stages of one run each (first frame after %.0f ms, the pair's after %.0f ms):\n"
           "each stage's time and the working set at its end, the tool's and the pair's\n",
           toolFrame, pairFrame);
    if (tool.empty() || pair.empty())
        printf("  no marks written\n");
    for (const Stage& stage : tool) {
        const Stage* same = nullptr;
        for (const Stage& other : pair)
            if (other.name == stage.name)
                same = &other;
        if (same != nullptr)
            printf("  %-62s %7.1f ms %7.1f ms %6.1f MiB %6.1f MiB\n", stage.name.c_str(),
                   stage.ms, same->ms, stage.mib, same->mib);
        else
            printf("  %-62s %7.1f ms %10s %6.1f MiB %10s\n", stage.name.c_str(), stage.ms, "-",
                   stage.mib, "-");
    }
}

}  // namespace

// startup_bench [start-up runs] [idle seconds]
int wmain(int argc, wchar_t** argv)
{
    int runs = argc > 1 ? _wtoi(argv[1]) : 15;
    int idleSeconds = argc > 2 ? _wtoi(argv[2]) : 30;
    // The tool in a folder of its own, its companion answering from a local manifest.
    testutil::CTool installed(L"bench\\Kestrune");
    std::wstring folder = installed.m_folder;
    if (!testutil::FileExists(folder + L"\\Kestrune.exe")) {
        fprintf(stderr, "cannot install the tool into %ls\n", folder.c_str());
        return 1;
    }
    std::wstring tool = folder + L"\\Kestrune.exe";
    std::wstring bare = testutil::ExeFolder() + L"\\bare_window.exe";
    std::wstring pair = testutil::ExeFolder() + L"\\design_floor.exe";
    std::vector<double> toolTimes;
    std::vector<double> bareTimes;
    std::vector<double> pairTimes;
    // Alternating, so that all see the same state of the machine.
    for (int i = 0; i < runs; ++i) {
        bareTimes.push_back(TimeToFirstFrame(bare));
        toolTimes.push_back(TimeToFirstFrame(tool));
        pairTimes.push_back(TimeToFirstFrame(pair));
    }
    char what[80];
    snprintf(what, sizeof(what), "start-up to first painted frame, median of %d", runs);
    Line(what, Median(toolTimes), Median(pairTimes), "ms");
    Line("  the pair beside the bare window, the same runs", Median(pairTimes), Median(bareTimes),
         "ms");
    PrintBreakdown(folder);
    fflush(stdout);
    BenchResidentAndIdle(tool, bare, pair, idleSeconds);
    return 0;
}
