#include "CompanionTestUtil.h"
#include "TestUtil.h"

#include "sys/PlatformQueries.h"

#include <cstdio>

namespace companion_test {

std::wstring LibraryCopyFolder()
{
    return L"C:\\kestrune-tests\\companion-lib";
}

CFeedbackLibrary& Library()
{
    static CFeedbackLibrary library;
    static bool prepared = false;
    if (!prepared) {
        prepared = true;
        std::wstring folder = testutil::MakeScratchFolder(L"companion-lib");
        CopyFileW((testutil::ExeFolder() + L"\\OrlaviFeedbackInformation.dll").c_str(),
                  (folder + L"\\OrlaviFeedbackInformation.dll").c_str(), FALSE);
        library.LoadFrom(folder);
    }
    return library;
}

void WriteIni(const std::string& text)
{
    testutil::WriteFileBytes(LibraryCopyFolder() + L"\\OrlaviFeedbackInformation.ini", text);
}

void RemoveIni()
{
    DeleteFileW((LibraryCopyFolder() + L"\\OrlaviFeedbackInformation.ini").c_str());
}

std::wstring DataFolder()
{
    return GetCommonAppDataPath() + L"Drovanix\\Feedback";
}

std::wstring CallLogPath() { return DataFolder() + L"\\calls.log"; }
std::wstring FeedbackPath() { return DataFolder() + L"\\feedback.txt"; }

long long FileEnd(const std::wstring& path)
{
    long long size = testutil::FileSize(path);
    return size < 0 ? 0 : size;
}

std::vector<std::string> OwnLinesSince(const std::wstring& path, long long offset)
{
    std::string bytes;
    testutil::ReadFileBytes(path, bytes);
    if (offset > static_cast<long long>(bytes.size())) {
        // The file was moved aside to ".bak" meanwhile: its tail comes first.
        std::string older;
        testutil::ReadFileBytes(path + L".bak", older);
        bytes = (offset <= static_cast<long long>(older.size()) ? older.substr(offset) : "") + bytes;
        offset = 0;
    }
    std::string pid = std::to_string(GetCurrentProcessId());
    std::vector<std::string> lines;
    size_t start = static_cast<size_t>(offset);
    for (;;) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos)
            break;
        std::string line = bytes.substr(start, end - start);
        if (line.find("[pid " + pid + "]") != std::string::npos ||
            line.find("\tpid=" + pid + "\t") != std::string::npos)
            lines.push_back(line);
        start = end + 2;
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

std::string UrlEncode(const std::string& text)
{
    std::string encoded;
    for (unsigned char c : text) {
        if (isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            char hex[4];
            snprintf(hex, sizeof(hex), "%%%02X", c);
            encoded += hex;
        }
    }
    return encoded;
}

}  // namespace companion_test
