// Test double for a system program (cmd, reg, takeown, timeout, ...): appends its own name and
// command line to the file named by KESTRUNE_FAKE_LOG. "timeout /t N" really waits N seconds.
// As reg.exe, KESTRUNE_FAKE_REG says how it lies: "print-only" confirms every command and writes
// nothing; "fail-add" refuses each add and really deletes FilterPages on a delete.
#include <windows.h>
#include <cwchar>
#include <cstdlib>

int wmain()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* name = wcsrchr(self, L'\\') ? wcsrchr(self, L'\\') + 1 : self;
    const wchar_t* line = GetCommandLineW();

    wchar_t logPath[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", logPath, MAX_PATH) > 0) {
        HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE) {
            char bytes[8192];
            int length = WideCharToMultiByte(CP_UTF8, 0, name, -1, bytes, 4096, nullptr, nullptr);
            DWORD written = 0;
            if (length > 0) {
                WriteFile(log, bytes, length - 1, &written, nullptr);
                WriteFile(log, " | ", 3, &written, nullptr);
            }
            length = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof(bytes), nullptr, nullptr);
            if (length > 0)
                WriteFile(log, bytes, length - 1, &written, nullptr);
            WriteFile(log, "\r\n", 2, &written, nullptr);
            CloseHandle(log);
        }
    }
    wchar_t regMode[32] = {};
    if (_wcsicmp(name, L"reg.exe") == 0 &&
        GetEnvironmentVariableW(L"KESTRUNE_FAKE_REG", regMode, 32) > 0) {
        bool refuse = wcscmp(regMode, L"fail-add") == 0 && wcsstr(line, L" add ") != nullptr;
        if (wcscmp(regMode, L"fail-add") == 0 && wcsstr(line, L" delete ") != nullptr)
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\CrashControl",
                               L"FilterPages");
        const wchar_t* answer = refuse ? L"错误: 拒绝访问。\r\n" : L"reg: 操作成功完成\r\n";
        char bytes[256];
        int length = WideCharToMultiByte(936, 0, answer, -1, bytes, sizeof(bytes), nullptr, nullptr);
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, length - 1, &written, nullptr);
        return refuse ? 1 : 0;
    }
    if (_wcsicmp(name, L"timeout.exe") == 0) {
        const wchar_t* t = wcsstr(line, L"/t ");
        if (t != nullptr)
            Sleep(static_cast<DWORD>(_wtoi(t + 3)) * 1000);
    }
    return 0;
}
