#include "CompanionTestUtil.h"
#include "TestUtil.h"

#include "sys/PlatformQueries.h"

#include <cstdio>

namespace companion_test {

std::wstring LibraryCopyFolder() { return L"C:\\kestrune-tests\\companion-lib"; }

CFeedbackLibrary& Library()
{
    static CFeedbackLibrary library;
    static bool loaded = [] {
        std::wstring name = L"\\OrlaviFeedbackInformation.dll";
        CopyFileW((testutil::ExeFolder() + name).c_str(),
                  (testutil::MakeScratchFolder(L"companion-lib") + name).c_str(), FALSE);
        return library.LoadFrom(LibraryCopyFolder());
    }();
    return (void)loaded, library;
}

static std::wstring IniPath() { return LibraryCopyFolder() + L"\\OrlaviFeedbackInformation.ini"; }
void WriteIni(const std::string& text) { testutil::WriteFileBytes(IniPath(), text); }
void RemoveIni() { DeleteFileW(IniPath().c_str()); }

std::wstring DataFolder() { return GetCommonAppDataPath() + L"Drovanix\\Feedback"; }
std::wstring CallLogPath() { return DataFolder() + L"\\calls.log"; }
std::wstring FeedbackPath() { return DataFolder() + L"\\feedback.txt"; }

long long FileEnd(const std::wstring& path) { return std::max(0LL, testutil::FileSize(path)); }

std::vector<std::string> OwnLinesSince(const std::wstring& path, long long offset)
{
    std::string bytes = testutil::FileText(path);
    if (offset > static_cast<long long>(bytes.size())) {
        // The file was moved aside to ".bak" meanwhile: its tail comes first.
        std::string older = testutil::FileText(path + L".bak");
        bytes = (offset <= static_cast<long long>(older.size()) ? older.substr(offset) : "") + bytes;
        offset = 0;
    }
    std::string pid = std::to_string(GetCurrentProcessId());
    std::vector<std::string> lines;
    size_t start = static_cast<size_t>(offset);
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::string line = bytes.substr(start, end - start);
        if (line.find("[pid " + pid + "]") != std::string::npos ||
            line.find("\tpid=" + pid + "\t") != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

bool ReadServerPorts(ServerPorts& ports)
{
    char unixPath[1024] = {};
    if (GetEnvironmentVariableA("KESTRUNE_COMPANION_HTTP", unixPath, 1024) == 0)
        return false;
    std::string text = testutil::FileText(testutil::FromUnixPath(unixPath));
    return sscanf(text.c_str(), "%d %d %d", &ports.http, &ports.silent, &ports.dead) == 3;
}

}  // namespace companion_test
