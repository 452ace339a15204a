#include "sys/ShellFolders.h"
#include "fw/SystemFunction.h"

#include <windows.h>
#include <initguid.h>
#include <knownfolders.h>
#include <shlobj.h>

namespace {

void AddCsidl(std::vector<std::wstring>& folders, int csidl)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)) &&
        buffer[0] != 0)
        folders.push_back(buffer);
}

// Folders without a CSIDL code; Windows XP has neither them nor the call.
void AddKnown(std::vector<std::wstring>& folders, REFKNOWNFOLDERID id)
{
    using GetKnownFolderPath = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    static const GetKnownFolderPath getPath =
        FindSystemFunction<GetKnownFolderPath>(L"shell32.dll", "SHGetKnownFolderPath");
    if (getPath == nullptr)
        return;
    PWSTR path = nullptr;
    if (SUCCEEDED(getPath(id, 0, nullptr, &path)) && path != nullptr && path[0] != 0)
        folders.push_back(path);
    CoTaskMemFree(path);
}

void AddEnvironment(std::vector<std::wstring>& folders, const wchar_t* name)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH + 1);
    if (length > 0 && length <= MAX_PATH)
        folders.push_back(buffer);
}

}  // namespace

std::wstring ToFullLongPath(const std::wstring& path)
{
    std::wstring text = path;
    if (text.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        text = L"\\\\" + text.substr(8);
    else if (text.compare(0, 4, L"\\\\?\\") == 0)
        text = text.substr(4);
    DWORD length = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    if (length > 0) {
        std::wstring full(length, L'\0');
        length = GetFullPathNameW(text.c_str(), length, &full[0], nullptr);
        if (length > 0 && length < full.size()) {
            full.resize(length);
            text = full;
        }
    }
    length = GetLongPathNameW(text.c_str(), nullptr, 0);
    if (length > 0) {
        std::wstring longPath(length, L'\0');
        length = GetLongPathNameW(text.c_str(), &longPath[0], length);
        if (length > 0 && length < longPath.size()) {
            longPath.resize(length);
            text = longPath;
        }
    }
    while (text.size() > 2 && text.back() == L'\\')
        text.pop_back();
    if (text.size() == 3 && text[1] == L':' && text[2] == L'\\')
        text.pop_back();
    return text;
}

std::vector<std::wstring> GetProtectedFolders()
{
    std::vector<std::wstring> folders;
    const int csidls[] = {
        CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL,
        CSIDL_COMMON_DOCUMENTS, CSIDL_PROFILE, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA,
        CSIDL_COMMON_APPDATA, CSIDL_MYMUSIC, CSIDL_MYPICTURES, CSIDL_MYVIDEO,
        CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES,
        CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
    };
    for (int csidl : csidls)
        AddCsidl(folders, csidl);
    AddKnown(folders, FOLDERID_Downloads);
    AddKnown(folders, FOLDERID_Public);
    AddKnown(folders, FOLDERID_PublicDownloads);
    AddKnown(folders, FOLDERID_ProgramFilesX64);
    // A 32-bit process is told the x86 program folder; the native one comes from the environment.
    AddEnvironment(folders, L"ProgramW6432");
    AddEnvironment(folders, L"ProgramFiles");
    AddEnvironment(folders, L"ProgramFiles(x86)");
    AddEnvironment(folders, L"ALLUSERSPROFILE");
    AddEnvironment(folders, L"PUBLIC");
    AddEnvironment(folders, L"USERPROFILE");
    AddEnvironment(folders, L"SystemRoot");
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length > 0 && length <= MAX_PATH)
        folders.push_back(temp);
    for (std::wstring& folder : folders)
        folder = ToFullLongPath(folder);
    return folders;
}
