// The folders that a folder removal must never take: the shell's special folders of the current
// account and of all users, the Windows, system, program and temporary folders.
#pragma once
#include <string>
#include <vector>

// Full long paths without trailing backslash; folders the system does not report are left out.
std::vector<std::wstring> GetProtectedFolders();

// Full long form of a path ("C:\PROGRA~1\x" gives "C:\Program Files\x"), without a trailing
// backslash except after a bare drive ("C:" stays "C:"); "\\?\" prefixes are removed.
std::wstring ToFullLongPath(const std::wstring& path);
