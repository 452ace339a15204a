// Test helper: runs the set job for real in a process of its own, so that the test can switch the
// Windows version (per program) and the locale for it. Usage: job_runner set <index>...
// For each index: resets the values to 99 and 5, runs the job on this thread, prints what arrived,
// what the registry holds afterwards and the entries it logged, in UTF-8.
// "job_runner log <file> <count>" is a second process appending entries
// "thread=8 seq=<n> padding-padding" to a log file. "job_runner standin <mode> <index>" runs the set
// job once with fake_tool.exe standing in for the system's reg.exe (KESTRUNE_FAKE_REG=<mode>; Wine
// runs it only with reg.exe=n among the DLL overrides of this process's environment).
#include "JobWindow.h"
#include "TestUtil.h"
#include "log/LogSave.h"
#include "sys/PlatformQueries.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace testutil;

namespace {

const wchar_t kCrashControl[] = L"SYSTEM\\CurrentControlSet\\Control\\CrashControl";

void PrintValue(const char* label, const wchar_t* name)
{
    DWORD value = 0;
    bool present = GetRegDword(HKEY_LOCAL_MACHINE, kCrashControl, name, value);
    printf(present ? " %s=%lu" : " %s=absent", label, static_cast<unsigned long>(value));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "log") == 0) {
        char text[64];
        for (int i = 0; i < atoi(argv[3]); ++i) {
            snprintf(text, sizeof(text), "thread=8 seq=%06d padding-padding", i);
            CLogSave::GetInstance()->WriteLog(text, argv[2], true);
        }
        return 0;
    }
    // "job_runner hold <file> share|lock": holds a log file as a sibling tool does (read and write,
    // shared for reading and writing only; opening it again and again meanwhile) or as a reader
    // holding the byte of the log's lock, from the event kt_held to the event kt_release; then
    // prints "opens=<n> refused=<n>" of those opens.
    if (argc == 4 && strcmp(argv[1], "hold") == 0) {
        bool lock = strcmp(argv[3], "lock") == 0;
        std::wstring path = ToolLogPath(FromCodePage(argv[2], CP_ACP));
        const DWORD sibling = GENERIC_READ | GENERIC_WRITE;
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        HANDLE held = CreateFileW(path.c_str(), lock ? GENERIC_READ : sibling,
                                  share | (lock ? FILE_SHARE_DELETE : 0), nullptr, OPEN_ALWAYS, 0,
                                  nullptr);
        OVERLAPPED byte = {};
        byte.OffsetHigh = 0x7FFFFFFF;
        if (held == INVALID_HANDLE_VALUE ||
            (lock && !LockFileEx(held, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &byte)))
            return 5;
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE, L"kt_release");
        SetEvent(CreateEventW(nullptr, TRUE, FALSE, L"kt_held"));
        int opens = 0, refused = 0;
        while (WaitForSingleObject(release, lock ? 60000 : 0) == WAIT_TIMEOUT && !lock) {
            HANDLE again = CreateFileW(path.c_str(), sibling, share, nullptr, OPEN_ALWAYS, 0, 0);
            ++(again == INVALID_HANDLE_VALUE ? refused : opens);
            CloseHandle(again);
        }
        printf("opens=%d refused=%d\n", opens, refused);
        return 0;
    }
    bool standIn = argc == 4 && strcmp(argv[1], "standin") == 0;
    if (argc < 3 || (strcmp(argv[1], "set") != 0 && !standIn))
        return 2;
    std::wstring reg = GetWindowsPath() + L"system32\\reg.exe";
    std::wstring real = reg + L".real";
    if (standIn) {
        if (!MoveFileExW(reg.c_str(), real.c_str(), MOVEFILE_REPLACE_EXISTING) ||
            !CopyFileW((ExeFolder() + L"\\fake_tool.exe").c_str(), reg.c_str(), FALSE))
            return 3;
        SetEnvironmentVariableA("KESTRUNE_FAKE_REG", argv[2]);
        argv[2] = argv[3];
        argc = 3;
    }
    CCrashDumpJobs jobs;
    CJobWindow window;
    bool supported = jobs.DetectOsClass();
    if (standIn)
        jobs.m_osClass = 10;  // the Windows 10 list: an add and a delete
    jobs.SetTargetWindow(window.Handle());
    printf("class=%d supported=%d\n", jobs.m_osClass, supported ? 1 : 0);
    for (int i = 2; i < argc; ++i) {
        SetRegDword(HKEY_LOCAL_MACHINE, kCrashControl, L"CrashDumpEnabled", 99);
        SetRegDword(HKEY_LOCAL_MACHINE, kCrashControl, L"FilterPages", 5);
        window.m_messages.clear();
        size_t skip = LogEntries(L"Kestrune.txt").size();
        jobs.m_selectedIndex = atoi(argv[i]);
        jobs.RunSetDumpTypeJob();
        printf("index=%d messages=", jobs.m_selectedIndex);
        for (size_t m = 0; m < window.m_messages.size(); ++m)
            printf(m ? ",%u" : "%u", window.m_messages[m]);
        printf(" result=%d", window.m_result);
        PrintValue("cde", L"CrashDumpEnabled");
        PrintValue("fp", L"FilterPages");
        std::vector<std::string> logged = LogEntries(L"Kestrune.txt");
        std::string joined;
        for (size_t e = std::min(skip, logged.size()); e < logged.size(); ++e)
            joined += (joined.empty() ? "" : " | ") + ToCodePage(FromCodePage(logged[e], 936), CP_UTF8);
        printf(" entries=%s\n", joined.c_str());
    }
    fflush(stdout);
    if (standIn && !MoveFileExW(real.c_str(), reg.c_str(), MOVEFILE_REPLACE_EXISTING))
        return 4;
    return 0;
}
