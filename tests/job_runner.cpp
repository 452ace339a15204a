// Test helper: runs the set job for real in a process of its own, so that the test can switch the
// Windows version (per program) and the locale for it. Usage: job_runner set <index>...
// For each index: resets the values to 99 and 5, runs the job, prints what arrived and what the
// registry holds afterwards.
#include "JobWindow.h"
#include "dump/CrashDumpJobs.h"
#include "log/LogSave.h"

#include <string>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const wchar_t kCrashControl[] = L"SYSTEM\\CurrentControlSet\\Control\\CrashControl";

void SetValue(const wchar_t* name, DWORD value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCrashControl, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
        RegCloseKey(key);
    }
}

void PrintValue(const char* label, const wchar_t* name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kCrashControl, name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) == ERROR_SUCCESS)
        printf(" %s=%lu", label, static_cast<unsigned long>(value));
    else
        printf(" %s=absent", label);
}

// The job's log file: its entries (lines ending in CR CR LF) and the text of the last one.
size_t ReadLastEntry(std::string& last)
{
    std::wstring path = LogBaseFolder() + L"ToolLog\\Kestrune.txt";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes;
    if (file != INVALID_HANDLE_VALUE) {
        char buffer[65536];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
            bytes.append(buffer, read);
        CloseHandle(file);
    }
    size_t count = 0;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\r\n", start)) != std::string::npos; start = end + 3) {
        ++count;
        last = bytes.substr(start + 30, end - start - 30);
    }
    return count;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || strcmp(argv[1], "set") != 0)
        return 2;
    CCrashDumpJobs jobs;
    CJobWindow window;
    bool supported = jobs.DetectOsClass();
    jobs.SetTargetWindow(window.Handle());
    printf("class=%d supported=%d\n", jobs.m_osClass, supported ? 1 : 0);
    for (int i = 2; i < argc; ++i) {
        SetValue(L"CrashDumpEnabled", 99);
        SetValue(L"FilterPages", 5);
        window.m_messages.clear();
        window.m_result = 0;
        std::string last;
        size_t entries = ReadLastEntry(last);
        int index = atoi(argv[i]);
        if (!jobs.StartSetDumpTypeJob(index) || !window.WaitForResult()) {
            printf("index=%d no result\n", index);
            continue;
        }
        printf("index=%d messages=", index);
        for (size_t m = 0; m < window.m_messages.size(); ++m)
            printf(m ? ",%u" : "%u", window.m_messages[m]);
        printf(" result=%d", window.m_result);
        PrintValue("cde", L"CrashDumpEnabled");
        PrintValue("fp", L"FilterPages");
        Sleep(300);  // a failure entry follows the messages
        if (ReadLastEntry(last) > entries) {
            printf(" log=");
            for (unsigned char c : last)
                printf("%02X", c);
        } else {
            printf(" log=-");
        }
        printf("\n");
        fflush(stdout);
    }
    return 0;
}
