// Test helper: runs the set job for real in a process of its own, so that the test can switch the
// Windows version (per program) and the locale for it. Usage: job_runner set <index>...
// For each index: resets the values to 99 and 5, runs the job, prints what arrived and what the
// registry holds afterwards. "job_runner log <file> <count>" is a second process appending entries
// "thread=8 seq=<n> padding-padding" to a log file. "job_runner standin <mode> <index>" runs the set
// job once with fake_tool.exe standing in for the system's reg.exe (KESTRUNE_FAKE_REG=<mode>; Wine
// runs it only with reg.exe=n among the DLL overrides of this process's environment) and prints
// the entries it logged in UTF-8.
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

// The entries after the first `skip`, converted from code page 936 to UTF-8, joined by " | ".
std::string NewEntriesAsUtf8(size_t skip)
{
    std::wstring path = LogBaseFolder() + L"ToolLog\\Kestrune.txt";
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[65536];
    DWORD read = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    std::string joined;
    size_t count = 0;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\r\n", start)) != std::string::npos; start = end + 3) {
        if (count++ < skip)
            continue;
        std::string entry = bytes.substr(start + 30, end - start - 30);
        wchar_t wide[2048] = {};
        char utf8[4096] = {};
        int length = MultiByteToWideChar(936, 0, entry.data(), static_cast<int>(entry.size()), wide, 2047);
        WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8, sizeof(utf8) - 1, nullptr, nullptr);
        joined += (joined.empty() ? "" : " | ") + std::string(utf8);
    }
    return joined;
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
    bool standIn = argc == 4 && strcmp(argv[1], "standin") == 0;
    if (argc < 3 || (strcmp(argv[1], "set") != 0 && !standIn))
        return 2;
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring reg = std::wstring(system) + L"\\reg.exe";
    std::wstring real = reg + L".real";
    if (standIn) {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring fake = self;
        fake = fake.substr(0, fake.rfind(L'\\')) + L"\\fake_tool.exe";
        if (!MoveFileExW(reg.c_str(), real.c_str(), MOVEFILE_REPLACE_EXISTING) ||
            !CopyFileW(fake.c_str(), reg.c_str(), FALSE))
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
        if (standIn) {
            // Two entries follow the messages.
            for (int wait = 0; wait < 3000 && ReadLastEntry(last) < entries + 2; ++wait)
                Sleep(10);
            printf(" entries=%s\n", NewEntriesAsUtf8(entries).c_str());
            continue;
        }
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
    if (standIn && !MoveFileExW(real.c_str(), reg.c_str(), MOVEFILE_REPLACE_EXISTING))
        return 4;
    return 0;
}
