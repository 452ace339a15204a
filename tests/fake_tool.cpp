// Test double for a system program (cmd, reg, takeown, timeout, ...): appends its own name and
// command line to the file named by KESTRUNE_FAKE_LOG. "timeout /t N" really waits N seconds.
// "fake_tool --cat <file>" writes the file's bytes to standard output unchanged, in one write.
// As reg.exe, KESTRUNE_FAKE_REG says how it lies: "print-only" confirms every command and writes
// nothing; "fail-add" refuses each add and really deletes FilterPages on a delete;
// "fail-filterpages" really writes CrashDumpEnabled and refuses each command on FilterPages.
// As takeown.exe, it first waits for the event KESTRUNE_FAKE_HOLD names, and tries to rename
// the folders BlueScreen and BlueScreen\Minidump of KESTRUNE_FAKE_SWAP, as a program of the user
// might while the export runs; the log line ends with what became of each.
#include <windows.h>
#include <cwchar>
#include <cstdlib>
#include <string>

static void Put(HANDLE to, const std::wstring& text, UINT codePage)
{
    std::string bytes(text.size() * 4 + 1, '\0');
    DWORD written = 0;
    int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                     &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr);
    WriteFile(to, bytes.data(), length, &written, nullptr);
}

int wmain(int argc, wchar_t** argv)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* name = wcsrchr(self, L'\\') ? wcsrchr(self, L'\\') + 1 : self;
    const wchar_t* line = GetCommandLineW();
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (argc == 3 && wcscmp(argv[1], L"--cat") == 0) {
        HANDLE file =
            CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD size = GetFileSize(file, nullptr), read = 0, written = 0;
        std::string bytes(size, '\0');
        ReadFile(file, &bytes[0], size, &read, nullptr);
        CloseHandle(file);
        return WriteFile(out, bytes.data(), read, &written, nullptr) && written == size ? 0 : 1;
    }
    std::wstring swaps;
    wchar_t value[MAX_PATH] = {};
    bool takeown = _wcsicmp(name, L"takeown.exe") == 0;
    if (takeown && GetEnvironmentVariableW(L"KESTRUNE_FAKE_HOLD", value, MAX_PATH) > 0)
        WaitForSingleObject(OpenEventW(SYNCHRONIZE, FALSE, value), 300000);
    if (takeown && GetEnvironmentVariableW(L"KESTRUNE_FAKE_SWAP", value, MAX_PATH) > 0) {
        for (std::wstring folder : {std::wstring(value) + L"\\Minidump", std::wstring(value)}) {
            bool moved = MoveFileW(folder.c_str(), (folder + L"-swapped").c_str()) != FALSE;
            swaps += L" | " + folder + (moved ? L" swapped" : L" kept");
        }
    }
    wchar_t logPath[MAX_PATH] = {};
    HANDLE log = GetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", logPath, MAX_PATH) == 0
                     ? INVALID_HANDLE_VALUE
                     : CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE) {
        Put(log, std::wstring(name) + L" | " + line + swaps + L"\r\n", CP_UTF8);
        CloseHandle(log);
    }
    wchar_t regMode[32] = {};
    if (_wcsicmp(name, L"reg.exe") == 0 &&
        GetEnvironmentVariableW(L"KESTRUNE_FAKE_REG", regMode, 32) > 0) {
        const wchar_t* key = L"SYSTEM\\CurrentControlSet\\Control\\CrashControl";
        bool failAdd = wcscmp(regMode, L"fail-add") == 0;
        bool failPages = wcscmp(regMode, L"fail-filterpages") == 0;
        bool refuse = (failAdd && wcsstr(line, L" add ") != nullptr) ||
                      (failPages && wcsstr(line, L"FilterPages") != nullptr);
        if (failAdd && wcsstr(line, L" delete ") != nullptr)
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, L"FilterPages");
        DWORD enabled = wcsstr(line, L"/d ") != nullptr ? _wtoi(wcsstr(line, L"/d ") + 3) : 0;
        if (failPages && !refuse)
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, L"CrashDumpEnabled", REG_DWORD, &enabled, 4);
        Put(out, refuse ? L"错误: 拒绝访问。\r\n" : L"reg: 操作成功完成\r\n", 936);
        return refuse ? 1 : 0;
    }
    const wchar_t* wait = wcsstr(line, L"/t ");
    if (_wcsicmp(name, L"timeout.exe") == 0 && wait != nullptr)
        Sleep(static_cast<DWORD>(_wtoi(wait + 3)) * 1000);
    return 0;
}
