#include "TestUtil.h"

#include "log/LogSave.h"
#include "sys/PlatformQueries.h"

#include <cctype>

namespace testutil {

std::wstring ExeFolder()
{
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path = buffer;
    return path.substr(0, path.rfind(L'\\'));
}

std::wstring MakeScratchFolder(const std::wstring& name)
{
    CreateDirectoryW(L"C:\\kestrune-tests", nullptr);
    std::wstring path = L"C:\\kestrune-tests\\" + name;
    RemoveTree(path);
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

bool RemoveTree(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return attributes == INVALID_FILE_ATTRIBUTES || DeleteFileW(path.c_str()) != FALSE;
    for (const std::wstring& name : FolderEntries(path))
        RemoveTree(path + L"\\" + name);
    return RemoveDirectoryW(path.c_str()) != FALSE;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() ||
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// Reads until the end of a file or a pipe.
static void ReadToEnd(HANDLE from, std::string& bytes)
{
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(from, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes)
{
    bytes.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ReadToEnd(file, bytes);
    CloseHandle(file);
    return true;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)
               ? (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow
               : -1;
}

bool RunProgram(const std::wstring& commandLine, std::string& output, DWORD& exitCode,
                DWORD timeoutMs, const wchar_t* currentDirectory)
{
    output.clear();
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &security, 0))
        return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  currentDirectory, &startup, &process);
    CloseHandle(writeEnd);
    if (started)
        ReadToEnd(readEnd, output);
    CloseHandle(readEnd);
    if (!started)
        return false;
    bool ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}

bool SetRegString(HKEY root, const std::wstring& key, const std::wstring& name,
                  const std::wstring& value)
{
    return RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SetRegDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value)
{
    return RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_DWORD, &value, sizeof(value)) ==
           ERROR_SUCCESS;
}

bool GetRegDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value)
{
    DWORD size = sizeof(value);
    return RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                        &size) == ERROR_SUCCESS;
}

bool RegValueExists(HKEY root, const std::wstring& key, const std::wstring& name)
{
    return RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

bool DeleteRegValue(HKEY root, const std::wstring& key, const std::wstring& name)
{
    return RegDeleteKeyValueW(root, key.c_str(), name.c_str()) == ERROR_SUCCESS;
}

std::string ToCodePage(const std::wstring& text, UINT codePage)
{
    std::string bytes(text.size() * 4, '\0');
    int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                                   static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(std::max(0, size));
    return bytes;
}

std::wstring FromCodePage(const std::string& bytes, UINT codePage)
{
    std::wstring text(bytes.size(), L'\0');
    int size = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                                   static_cast<int>(text.size()));
    text.resize(std::max(0, size));
    return text;
}

std::vector<std::string> SplitLogLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = bytes.find("\r\r\n", start)) != std::string::npos;
         start = end + 3)
        lines.push_back(bytes.substr(start, end - start));
    return lines;
}

bool HasLogPrefix(const std::string& line)
{
    const char* pattern = "[dddd-dd-dd dd:dd:dd dddms]   ";
    for (size_t i = 0; pattern[i] != '\0'; ++i) {
        if (i >= line.size() || (pattern[i] == 'd' ? !isdigit(static_cast<unsigned char>(line[i]))
                                                   : line[i] != pattern[i]))
            return false;
    }
    return true;
}

std::string FileText(const std::wstring& path)
{
    std::string bytes;
    return ReadFileBytes(path, bytes) ? bytes : std::string();
}

size_t Occurrences(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
        if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
            names.push_back(data.cFileName);
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring ToolLogPath(const std::wstring& name) { return LogBaseFolder() + L"ToolLog\\" + name; }

std::vector<std::string> LogEntries(const std::wstring& name)
{
    std::vector<std::string> entries = SplitLogLines(FileText(ToolLogPath(name)));
    for (std::string& entry : entries)
        entry.erase(0, std::min<size_t>(30, entry.size()));
    return entries;
}

std::wstring FromUnixPath(const std::string& unixPath)
{
    std::wstring path = L"Z:" + FromCodePage(unixPath, CP_UTF8);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::string ToUnixPath(const std::wstring& path)
{
    using Convert = char*(CDECL*)(LPCWSTR);
    auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unixPath = convert != nullptr ? convert(path.c_str()) : nullptr;
    std::string result = unixPath != nullptr ? unixPath : "";
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

bool SetLogPixels(DWORD dpi)
{
    return SetRegDword(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", dpi);
}

bool InstallTimeoutDouble()
{
    std::wstring timeout = GetWindowsPath() + L"system32\\timeout.exe";
    return FileExists(timeout) ||
           CopyFileW((ExeFolder() + L"\\fake_tool.exe").c_str(), timeout.c_str(), TRUE) ||
           FileExists(timeout);
}

void InstallDumpFiles(long long memorySize, int minidumps)
{
    std::wstring windows = GetWindowsPath();
    RemoveDumpFiles();
    if (memorySize > 0)
        WriteFileBytes(windows + L"MEMORY.DMP", std::string(static_cast<size_t>(memorySize), 'M'));
    CreateDirectoryW((windows + L"Minidump").c_str(), nullptr);
    for (int i = 0; i < minidumps; ++i)
        WriteFileBytes(windows + L"Minidump\\mini-" + std::to_wstring(i) + L".dmp",
                       std::string(4096 + i, 'd'));
}

void RemoveDumpFiles()
{
    DeleteFileW((GetWindowsPath() + L"MEMORY.DMP").c_str());
    RemoveTree(GetWindowsPath() + L"Minidump");
}

}  // namespace testutil
