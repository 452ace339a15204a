#include "sys/ShellRunner.h"
#include "sys/AnsiChunkDecoder.h"
#include "fw/Handle.h"
#include "fw/SystemFunction.h"

#include <atomic>
#include <vector>

namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
std::atomic<IsWow64ProcessFn> g_isWow64Process{nullptr};

const Wow64Api* g_wow64ApiOverride = nullptr;
CaptureHook g_captureHook = nullptr;

bool RealIsWow64()
{
    IsWow64ProcessFn fn = g_isWow64Process.load(std::memory_order_relaxed);
    if (fn == nullptr) {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        if (kernel == nullptr)
            return false;
        fn = reinterpret_cast<IsWow64ProcessFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
        if (fn == nullptr)
            return false;
        g_isWow64Process.store(fn, std::memory_order_relaxed);
    }
    BOOL wow64 = FALSE;
    return fn(GetCurrentProcess(), &wow64) && wow64;
}

// 32-bit Windows XP has no WOW64 and not these two calls; only a WOW64 process ever calls them.
BOOL WINAPI DisableRedirection(PVOID* oldValue)
{
    using Disable = BOOL(WINAPI*)(PVOID*);
    static const Disable disable =
        FindSystemFunction<Disable>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
    return disable != nullptr && disable(oldValue);
}

BOOL WINAPI RevertRedirection(PVOID oldValue)
{
    using Revert = BOOL(WINAPI*)(PVOID);
    static const Revert revert =
        FindSystemFunction<Revert>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
    return revert != nullptr && revert(oldValue);
}

const Wow64Api& CurrentWow64Api()
{
    static const Wow64Api real = {RealIsWow64, DisableRedirection, RevertRedirection};
    return g_wow64ApiOverride != nullptr ? *g_wow64ApiOverride : real;
}

// Redirection off for this thread while the object lives.
class CRedirectionOff {
public:
    // False when the system is 64-bit and redirection could not be switched off.
    bool Begin()
    {
        const Wow64Api& api = CurrentWow64Api();
        if (!api.isWow64())
            return true;
        if (!api.disableRedirection(&m_pOldValue))
            return false;
        m_bActive = true;
        return true;
    }
    ~CRedirectionOff()
    {
        if (m_bActive)
            CurrentWow64Api().revertRedirection(m_pOldValue);
    }

private:
    bool m_bActive = false;
    PVOID m_pOldValue = nullptr;
};

// The interpreter is started by full path from the system folder, which is also its current
// directory: a cmd.exe or reg.exe lying beside the elevated tool must never run instead.
std::wstring SystemFolder()
{
    wchar_t buffer[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return std::wstring(buffer, length);
}

std::vector<wchar_t> BuildCommandLine(const std::wstring& command)
{
    std::wstring line = InterpreterCommandLine(command);
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.resize(line.size() < 260 ? 260 : line.size() + 1, L'\0');
    return buffer;
}

bool StartInterpreter(const std::wstring& command, STARTUPINFOW& startup, bool inheritHandles,
                      PROCESS_INFORMATION& process)
{
    std::wstring folder = SystemFolder();
    if (folder.empty())
        return false;
    std::wstring interpreter = folder + L"\\cmd.exe";
    std::vector<wchar_t> line = BuildCommandLine(command);
    process = {};
    return CreateProcessW(interpreter.c_str(), line.data(), nullptr, nullptr, inheritHandles, 0,
                          nullptr, folder.c_str(), &startup, &process) != FALSE;
}

void WaitAndClose(PROCESS_INFORMATION& process)
{
    CHandle processHandle(process.hProcess);
    CHandle threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);  // not judged: callers read the output
}

}  // namespace

std::wstring InterpreterCommandLine(const std::wstring& command)
{
    // /D: no AutoRun command, which any unelevated program of the user can plant; /V:OFF: a "!" in
    // a path stays a "!".
    return L"cmd /D /V:OFF /C " + command;
}

bool Is64BitSystem()
{
    return CurrentWow64Api().isWow64();
}

void SetWow64ApiForTests(const Wow64Api* api)
{
    g_wow64ApiOverride = api;
}

void SetCaptureHookForTests(CaptureHook hook)
{
    g_captureHook = hook;
}

bool RunShellCommand(std::wstring command, bool visible)
{
    CRedirectionOff redirection;
    if (!redirection.Begin())
        return false;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    startup.wShowWindow = visible ? SW_SHOW : SW_HIDE;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;

    PROCESS_INFORMATION process;
    if (!StartInterpreter(command, startup, false, process))
        return false;
    WaitAndClose(process);
    return true;
}

bool RunShellCommandCapture(std::wstring command, std::wstring& output)
{
    if (g_captureHook != nullptr && g_captureHook(command, output))
        return true;

    CRedirectionOff redirection;
    if (!redirection.Begin())
        return false;

    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
    CHandle readEnd;
    CHandle writeEnd;
    if (!CreatePipe(readEnd.Receive(), writeEnd.Receive(), &security, 0))
        return false;
    // Only the write end belongs to the child.
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    startup.wShowWindow = SW_HIDE;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;

    PROCESS_INFORMATION process;
    if (!StartInterpreter(command, startup, true, process))
        return false;
    // Reading ends once every process holding the write end has exited.
    writeEnd.Close();

    std::wstring text;
    CAnsiChunkDecoder decoder;
    char buffer[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(readEnd.Get(), buffer, sizeof(buffer) - 1, &read, nullptr))
            break;
        decoder.Append(buffer, read, text);
        Sleep(500);
    }
    decoder.Finish(text);
    output += text;

    readEnd.Close();
    WaitAndClose(process);
    return true;
}
