#include "companion/DataFiles.h"

#include <windows.h>
#include <shlobj.h>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

const unsigned long long kCallLogLimit = 1024 * 1024;
const unsigned long long kFeedbackLimit = 4 * 1024 * 1024;

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                            size, nullptr, nullptr);
    return bytes;
}

// A full file moves aside to "<name>.bak" (one older generation), so the folder stays small.
void RotateWhenFull(const std::wstring& path, unsigned long long limit)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return;
    unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                              data.nFileSizeLow;
    if (size >= limit)
        MoveFileExW(path.c_str(), (path + L".bak").c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool AppendLine(const wchar_t* fileName, const std::wstring& line, unsigned long long limit)
{
    std::wstring path = DataFolder() + L"\\" + fileName;
    RotateWhenFull(path, limit);
    std::string bytes = ToUtf8(line) + "\r\n";
    // Several processes may write at once: append-only access puts each line at the end in one
    // write; a file held by a rotation in another process is retried briefly.
    for (int attempt = 0; attempt < 20; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() != ERROR_SHARING_VIOLATION)
                return false;
            Sleep(10);
            continue;
        }
        DWORD written = 0;
        BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        return ok && written == bytes.size();
    }
    return false;
}

std::wstring Cut(const wchar_t* text, size_t limit, bool& cut)
{
    std::wstring value = text;
    cut = value.size() > limit;
    if (cut)
        value.resize(limit);
    return value;
}

}  // namespace

std::wstring DataFolder()
{
    wchar_t base[MAX_PATH] = {};
    std::wstring folder;
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0,
                                   base)) && base[0] != 0) {
        folder = base;
    } else {
        DWORD length = GetTempPathW(MAX_PATH, base);
        folder = length > 0 && length < MAX_PATH ? base : L"C:\\";
    }
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    folder += L"\\Drovanix\\Feedback";
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}

bool AppendCallLogLine(const std::wstring& line)
{
    return AppendLine(L"calls.log", line, kCallLogLimit);
}

bool AppendFeedbackRecord(const std::wstring& line)
{
    return AppendLine(L"feedback.txt", line, kFeedbackLimit);
}

std::wstring NowStamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay,
             now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return text;
}

std::wstring NowSecondsText()
{
    long long seconds = static_cast<long long>(_time64(nullptr));
    wchar_t text[16];
    swprintf(text, 16, L"%d", static_cast<int>(static_cast<unsigned int>(seconds & 0xFFFFFFFF)));
    return text;
}

std::wstring QuoteArgument(const wchar_t* text)
{
    if (text == nullptr)
        return L"null";
    bool cut = false;
    std::wstring value = Cut(text, 1024, cut);
    std::wstring quoted = L"\"";
    for (wchar_t c : value) {
        switch (c) {
        case L'"': quoted += L"\\\""; break;
        case L'\\': quoted += L"\\\\"; break;
        case L'\r': quoted += L"\\r"; break;
        case L'\n': quoted += L"\\n"; break;
        case L'\t': quoted += L"\\t"; break;
        default:
            if (c < 0x20) {
                wchar_t hex[8];
                swprintf(hex, 8, L"\\x%02x", static_cast<unsigned>(c));
                quoted += hex;
            } else {
                quoted += c;
            }
        }
    }
    quoted += L"\"";
    if (cut)
        quoted += L"...";
    return quoted;
}

std::wstring RecordValue(const wchar_t* text)
{
    if (text == nullptr)
        return std::wstring();
    bool cut = false;
    std::wstring value = Cut(text, 4096, cut);
    for (wchar_t& c : value) {
        if (c < 0x20 || c == 0x7F)
            c = L' ';
    }
    return value;
}
