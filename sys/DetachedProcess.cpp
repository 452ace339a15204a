#include "sys/DetachedProcess.h"

#include <windows.h>
#include <shellapi.h>
#include <vector>

bool StartDetachedHidden(const std::wstring& program, const std::wstring& parameters,
                         const std::wstring& currentDirectory)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    // NOASYNC: the caller is about to end, so the start must be complete when this returns.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = currentDirectory.empty() ? nullptr : currentDirectory.c_str();
    info.nShow = SW_HIDE;
    return ShellExecuteExW(&info) != FALSE;
}

std::wstring GetSystemFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    UINT length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (length == 0 || length >= buffer.size())
        return std::wstring();
    std::wstring path(buffer.data(), length);
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}
