// Runs command lines through the system's command interpreter, the only place that starts processes.
// Both runners block until the interpreter ends and switch WOW64 file-system redirection off for
// the calling thread, so that a 32-bit process on 64-bit Windows runs the native programs.
#pragma once
#include <windows.h>
#include <string>

// True when this 32-bit process runs under WOW64; always false for a 64-bit process.
bool Is64BitSystem();

// The interpreter's whole command line for a command.
std::wstring InterpreterCommandLine(const std::wstring& command);

// Runs "cmd /D /V:OFF /C <command>" and waits; true when the interpreter could be started.
bool RunShellCommand(std::wstring command, bool visible);

// Runs "cmd /D /V:OFF /C <command>" hidden and appends what it writes to stdout and stderr to output.
bool RunShellCommandCapture(std::wstring command, std::wstring& output);

// Test seams. The WOW64 calls, so that the redirection branch can be checked in a 64-bit build,
// and a canned-output hook that may answer a captured command instead of the interpreter.
struct Wow64Api {
    bool (*isWow64)();
    BOOL(WINAPI* disableRedirection)(PVOID*);
    BOOL(WINAPI* revertRedirection)(PVOID);
};
void SetWow64ApiForTests(const Wow64Api* api);  // nullptr restores the real calls
using CaptureHook = bool (*)(const std::wstring& command, std::wstring& output);
void SetCaptureHookForTests(CaptureHook hook);  // a hook returning true replaces the run
