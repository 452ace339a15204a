// Starts a program that outlives this process: through the shell, hidden, never waited for.
#pragma once
#include <string>

// program: full path; currentDirectory: the started program's current directory. True when the
// shell reports the program as started.
bool StartDetachedHidden(const std::wstring& program, const std::wstring& parameters,
                         const std::wstring& currentDirectory);

// The system folder ("C:\Windows\System32" or, for a 32-bit process on 64-bit Windows, the folder
// the system maps for it), without trailing backslash; empty on failure.
std::wstring GetSystemFolder();
