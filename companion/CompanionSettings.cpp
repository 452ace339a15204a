#include "companion/CompanionSettings.h"

#include <shlwapi.h>
#include <vector>

namespace {

const wchar_t kIniName[] = L"OrlaviFeedbackInformation.ini";

std::wstring Trim(const std::wstring& text)
{
    const wchar_t* blanks = L" \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::wstring ReadValue(const std::wstring& ini, const wchar_t* section, const wchar_t* key,
                       const wchar_t* defaultValue)
{
    std::vector<wchar_t> buffer(4096);
    GetPrivateProfileStringW(section, key, defaultValue, buffer.data(),
                             static_cast<DWORD>(buffer.size()), ini.c_str());
    return Trim(buffer.data());
}

DWORD ReadMilliseconds(const std::wstring& ini, const wchar_t* key, DWORD defaultValue,
                       DWORD lowest, DWORD highest)
{
    UINT value = GetPrivateProfileIntW(L"Update", key, static_cast<INT>(defaultValue), ini.c_str());
    if (value < lowest)
        return lowest;
    return value > highest ? highest : value;
}

}  // namespace

std::wstring LibraryFolder()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LibraryFolder), &self);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(self, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            size_t slash = path.rfind(L'\\');
            return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

const wchar_t* LibraryVersionText()
{
    return L"OrlaviFeedbackInformation 1.0.0.0";
}

bool IsWebAddress(const std::wstring& text)
{
    return _wcsnicmp(text.c_str(), L"http://", 7) == 0 || _wcsnicmp(text.c_str(), L"https://", 8) == 0;
}

std::wstring ResolveSource(const std::wstring& value)
{
    if (value.empty() || IsWebAddress(value))
        return value;
    std::vector<wchar_t> expanded(32768);
    DWORD length = ExpandEnvironmentStringsW(value.c_str(), expanded.data(),
                                             static_cast<DWORD>(expanded.size()));
    std::wstring path = length > 0 && length <= expanded.size() ? expanded.data() : value;
    if (PathIsRelativeW(path.c_str()))
        path = LibraryFolder() + L"\\" + path;
    return path;
}

CompanionSettings ReadCompanionSettings()
{
    std::wstring ini = LibraryFolder() + L"\\" + kIniName;
    CompanionSettings settings;
    settings.manifest = ResolveSource(ReadValue(ini, L"Update", L"Manifest", L""));
    settings.timeoutMs = ReadMilliseconds(ini, L"TimeoutMs", 3000, 100, 10000);
    settings.downloadTimeoutMs = ReadMilliseconds(ini, L"DownloadTimeoutMs", 120000, 1000, 600000);
    settings.downloadUrl =
        ReadValue(ini, L"Urls", L"Download", L"https://tools.orlavi.com/download/");
    settings.agreementUrl =
        ReadValue(ini, L"Urls", L"Agreement", L"https://tools.orlavi.com/agreement/");
    settings.feedbackUrl = ReadValue(ini, L"Urls", L"Feedback",
                                     L"https://tools.orlavi.com/feedback/?tool={tool}&version={version}");
    settings.moreToolsUrl = ReadValue(ini, L"Urls", L"MoreTools", L"https://tools.orlavi.com/");
    settings.logOnly = _wcsicmp(ReadValue(ini, L"Shell", L"Mode", L"open").c_str(), L"log") == 0;
    return settings;
}
