// Shared by the companion suites: one copy of the library in a folder on C:, its settings file,
// the data files it writes, and the loopback server's ports.
#pragma once
#include "feedback/FeedbackLibrary.h"
#include "feedback/ToolIdentity.h"
#include "TestUtil.h"

#include <string>
#include <vector>

namespace companion_test {

// C:\kestrune-tests\companion-lib: a copy of the library and its settings file.
std::wstring LibraryCopyFolder();
// The binding, loaded from that folder once per process.
CFeedbackLibrary& Library();
// Replaces (or removes) OrlaviFeedbackInformation.ini beside the copy.
void WriteIni(const std::string& text);
void RemoveIni();

// The library's data folder and files in the all-users application-data folder.
std::wstring DataFolder();
std::wstring CallLogPath();
std::wstring FeedbackPath();
// The end of a file now, to read what is appended after it.
long long FileEnd(const std::wstring& path);
// The lines appended after offset that this process wrote ("[pid N]" or "pid=N").
std::vector<std::string> OwnLinesSince(const std::wstring& path, long long offset);

// The loopback server of the ctest fixture: false when the test runs without it.
struct ServerPorts {
    int http = 0, silent = 0, dead = 0;
};
bool ReadServerPorts(ServerPorts& ports);

inline std::string Utf8(const std::wstring& text) { return testutil::ToCodePage(text, CP_UTF8); }

}  // namespace companion_test
