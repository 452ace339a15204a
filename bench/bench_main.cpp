// Benchmarks (not tests): each figure measured in one run against its baseline on this machine.
#include "DumpHeaderBytes.h"
#include "JobWindow.h"
#include "BenchReport.h"
#include "TestUtil.h"
#include "dump/CrashDumpJobs.h"
#include "dump/CrashSummary.h"
#include "dump/DumpCatalog.h"
#include "fw/FileFind.h"
#include "fw/Str.h"
#include "log/LogSaveCloseFile.h"
#include "sys/PlatformQueries.h"
#include "sys/ShellRunner.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace testutil;

namespace {

// The baseline: the system's cmd.exe started and waited for, nothing read back.
double BareCmd(const std::wstring& command)
{
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    std::wstring line = L"cmd /C " + command;
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    // Output goes to NUL: only the command's own time counts.
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    double start = Now();
    BOOL started = CreateProcessW(cmd.c_str(), buffer.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  system, &startup, &process);
    CloseHandle(nul);
    if (!started)
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    double elapsed = Now() - start;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}


void BenchRunner()
{
    std::wstring command = L"reg add \"HKEY_CURRENT_USER\\Software\\KestruneBench\" /v V /d 1 /f";
    BareCmd(command);  // warm the interpreter once
    double bare = BareCmd(command);
    std::wstring output;
    double start = Now();
    RunShellCommandCapture(command, output);
    double captured = Now() - start;
    Line("capture runner, reg add (incl. one 500 ms pause)", captured, bare, "s");
    Line("capture runner without its mandated 500 ms pause", captured - 0.5, bare, "s");
}

void BenchSetJob()
{
    CCrashDumpJobs jobs;
    CJobWindow window;
    jobs.SetTargetWindow(window.Handle());
    jobs.m_osClass = Win10;
    double bare = BareCmd(BuildSetDumpTypeCommand(Win10, 5));
    // The job's own body on this thread: its messages are sent, so they arrive before it returns.
    jobs.m_selectedIndex = 5;
    double start = Now();
    jobs.RunSetDumpTypeJob();
    double job = Now() - start;
    Line("set job (active dump: reg add pair) to its result", job, bare, "s");
    // The two reg outputs arrive as two reads here, each followed by the runner's pause.
    Line("set job without the runner's two 500 ms pauses", job - 1.0, bare, "s");
}

void BenchLog()
{
    const int kEntries = 200000;  // about 13.6 MB: two rotations
    // The two loops take turns in blocks, so that a change of the shared machine's load falls on
    // both alike (one after the other, three runs gave ratios from 0.73 to 0.85).
    const int kBlock = 1000;
    std::wstring folder = MakeScratchFolder(L"bench-log") + L"\\";
    CLogSaveCloseFile writer(folder);
    std::string text = "bench entry with some text of ordinary length 0123";
    SYSTEMTIME t;
    GetLocalTime(&t);
    std::string line = FormatLogLine(t, text);
    std::wstring path = folder + L"bare.txt";
    double logged = 0;
    double bare = 0;
    for (int block = 0; block < kEntries / kBlock; ++block) {
        double start = Now();
        for (int i = 0; i < kBlock; ++i)
            writer.WriteText(text, "bench.txt");
        logged += Now() - start;

        start = Now();
        for (int i = 0; i < kBlock; ++i) {
            HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            LARGE_INTEGER zero = {};
            SetFilePointerEx(file, zero, nullptr, FILE_END);
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
        }
        bare += Now() - start;
    }
    printf("%-58s %10.0f /s   baseline %10.0f /s   ratio %6.2f\n",
           "log entries per second with rotation (open-append-close)", kEntries / logged,
           kEntries / bare, bare / logged);
    RemoveTree(folder.substr(0, folder.size() - 1));
}

void BenchExport()
{
    std::wstring windows = GetWindowsPath();
    std::wstring memory = windows + L"MEMORY.DMP";
    HANDLE file = CreateFileW(memory.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 1LL << 30;
    SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    std::wstring minidump = windows + L"Minidump";
    RemoveTree(minidump);
    CreateDirectoryW(minidump.c_str(), nullptr);
    std::string bytes(262144, 'm');
    for (int i = 0; i < 500; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"\\%06d-bench.dmp", i);
        WriteFileBytes(minidump + name, bytes);
    }
    std::wstring desktop = GetDesktopPath();
    RemoveTree(desktop + L"BlueScreen");

    CCrashDumpJobs jobs;
    CJobWindow window;
    jobs.SetTargetWindow(window.Handle());
    double start = Now();
    jobs.RunExportJob();
    double job = Now() - start;

    std::wstring plain = MakeScratchFolder(L"bench-copy");
    CreateDirectoryW((plain + L"\\Minidump").c_str(), nullptr);
    start = Now();
    BareCmd(L"copy /Y \"" + memory + L"\" \"" + plain + L"\\MEMORY.DMP\"");
    BareCmd(L"copy /Y \"" + minidump + L"\\*.*\" \"" + plain + L"\\Minidump\\\"");
    double bare = Now() - start;
    Line(window.m_result == ExportSucceeded ? "export 1 GiB MEMORY.DMP + 500 minidumps (verified)"
                                            : "export 1 GiB + 500 minidumps (FAILED)",
         job, bare, "s");
    RemoveTree(plain);
    RemoveTree(desktop + L"BlueScreen");
    RemoveTree(minidump);
    DeleteFileW(memory.c_str());
}

// Records the ranges that one parse reads, so that the baseline reads exactly those.
class CRecordingDumpFile : public CDumpHandleFile {
public:
    using CDumpHandleFile::CDumpHandleFile;
    bool Read(uint64_t offset, void* buffer, size_t bytes) override
    {
        m_ranges.push_back({offset, bytes});
        return CDumpHandleFile::Read(offset, buffer, bytes);
    }
    std::vector<std::pair<uint64_t, size_t>> m_ranges;
};

struct FileRanges {
    std::wstring path;
    std::vector<std::pair<uint64_t, size_t>> ranges;
};

// The files as the summary lists them, each with the ranges one parse of it reads.
std::vector<FileRanges> ListAndRecord(const std::wstring& folder)
{
    std::vector<FileRanges> files = {{folder + L"\\MEMORY.DMP", {}}};
    CFileFind finder;
    for (bool more = finder.FindFile(folder + L"\\Minidump\\*.*"); more; more = finder.FindNextFile())
        if (!finder.IsDots())
            files.push_back({folder + L"\\Minidump\\" + finder.GetFileName(), {}});
    TriageDump triage;
    for (FileRanges& file : files) {
        HANDLE handle = CreateFileW(file.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER size = {};
        GetFileSizeEx(handle, &size);
        CRecordingDumpFile recording(handle, static_cast<uint64_t>(size.QuadPart));
        CrashSummaryEntry entry;
        DescribeCrashDump(recording, entry, triage);
        file.ranges = recording.m_ranges;
        CloseHandle(handle);
    }
    return files;
}

// The baseline: the same files listed, opened and read over the same ranges with the same calls,
// nothing parsed or written.
double ListAndReadRanges(const std::wstring& folder, const std::vector<FileRanges>& files)
{
    double start = Now();
    CFileFind finder;
    for (bool more = finder.FindFile(folder + L"\\Minidump\\*.*"); more; more = finder.FindNextFile())
        finder.GetFileName();
    std::vector<char> buffer;
    for (const FileRanges& file : files) {
        HANDLE handle = CreateFileW(file.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        LARGE_INTEGER size;
        GetFileType(handle);
        GetFileSizeEx(handle, &size);
        for (const auto& range : file.ranges) {
            buffer.resize(std::max(buffer.size(), range.second));
            OVERLAPPED at = {};
            at.Offset = static_cast<DWORD>(range.first);
            at.OffsetHigh = static_cast<DWORD>(range.first >> 32);
            DWORD read = 0;
            ReadFile(handle, buffer.data(), static_cast<DWORD>(range.second), &read, &at);
        }
        CloseHandle(handle);
    }
    return Now() - start;
}

void BenchCrashSummary()
{
    std::wstring folder = MakeScratchFolder(L"bench-summary");
    CreateDirectoryW((folder + L"\\Minidump").c_str(), nullptr);
    for (int i = 0; i < 200; ++i)
        CopyFileW(L"" KESTRUNE_SHARED_DUMPS "/triage_arm64.dmp",
                  (folder + FormatW(L"\\Minidump\\%06d-bench.dmp", i)).c_str(), FALSE);
    HANDLE memory = CreateFileW((folder + L"\\MEMORY.DMP").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
    DumpHeaderFields fields;
    fields.dumpType = 5;
    std::string header = DumpHeaderBytes(fields) + "SDMPDUMP";
    DWORD written = 0;
    WriteFile(memory, header.data(), static_cast<DWORD>(header.size()), &written, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 1LL << 30;
    SetFilePointerEx(memory, size, nullptr, FILE_BEGIN);
    SetEndOfFile(memory);
    CloseHandle(memory);

    // Both once before timing, so both find the files in the cache; then the best of five
    // alternate runs each, since other work on a shared machine only ever adds time.
    std::vector<FileRanges> files = ListAndRecord(folder);
    size_t reads = 0;
    for (const FileRanges& file : files)
        reads += file.ranges.size();
    ListAndReadRanges(folder, files);
    bool made = WriteCrashSummary(folder);
    double bare = 1e9;
    double summary = 1e9;
    for (int run = 0; run < 5; ++run) {
        bare = std::min(bare, ListAndReadRanges(folder, files));
        double start = Now();
        made = WriteCrashSummary(folder) && made;
        summary = std::min(summary, Now() - start);
    }
    std::string name = FormatA("crash summary, 200 real small dumps + 1 GiB MEMORY.DMP (%u reads), best of 5",
                               static_cast<unsigned>(reads));
    Line(made ? name.c_str() : "crash summary (FAILED)", summary * 1000, bare * 1000, "ms");
    RemoveTree(folder);
}

}  // namespace

// Without arguments every figure; with names (runner set log export summary) just those.
int main(int argc, char** argv)
{
    const struct {
        const char* name;
        void (*run)();
    } figures[] = {{"runner", BenchRunner}, {"set", BenchSetJob}, {"log", BenchLog},
                   {"export", BenchExport}, {"summary", BenchCrashSummary}};
    printf("Kestrune benchmarks (x86_64 build under wine64)\n");
    for (const auto& figure : figures) {
        bool asked = argc < 2;
        for (int i = 1; i < argc; ++i)
            asked = asked || strcmp(argv[i], figure.name) == 0;
        if (asked)
            figure.run();
    }
    return 0;
}
