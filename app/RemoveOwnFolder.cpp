#include "app/RemoveOwnFolder.h"
#include "app/ShippedFiles.h"
#include "fw/FileFind.h"
#include "sys/DetachedProcess.h"
#include "sys/ShellFolders.h"

#include <windows.h>

namespace {

bool IsRoot(const std::wstring& folder)
{
    if (folder.size() == 2 && folder[1] == L':')
        return true;
    if (folder.compare(0, 2, L"\\\\") != 0)
        return false;
    // "\\server\share": the share is the last component.
    size_t serverEnd = folder.find(L'\\', 2);
    return serverEnd == std::wstring::npos || folder.find(L'\\', serverEnd + 1) == std::wstring::npos;
}

}  // namespace

bool IsSameOrAncestorFolder(const std::wstring& ancestor, const std::wstring& path)
{
    if (ancestor.empty() || path.size() < ancestor.size())
        return false;
    if (!SameFileName(ancestor.c_str(), ancestor.size(), path.c_str(), ancestor.size()))
        return false;
    // "C:\Users\Bob" is not an ancestor of "C:\Users\Bob2".
    return path.size() == ancestor.size() || path[ancestor.size()] == L'\\';
}

FolderVerdict JudgeFolderForRemoval(const std::wstring& folder,
                                    const std::vector<std::wstring>& protectedFolders,
                                    const std::vector<std::wstring>& entries,
                                    const std::wstring& moduleFileName)
{
    if (folder.empty())
        return FolderVerdict::NoFolder;
    if (folder.find(L'%') != std::wstring::npos)
        return FolderVerdict::PercentSign;
    if (IsRoot(folder))
        return FolderVerdict::DriveRoot;
    for (const std::wstring& special : protectedFolders) {
        if (IsSameOrAncestorFolder(folder, special))
            return FolderVerdict::ShellFolder;
    }
    bool listsModule = false;
    for (const std::wstring& entry : entries) {
        if (!IsShippedFileName(entry, moduleFileName))
            return FolderVerdict::ForeignContent;
        if (SameFileName(entry.c_str(), entry.size(), moduleFileName.c_str(), moduleFileName.size()))
            listsModule = true;
    }
    // The running module must be seen, or the listing did not read the folder.
    return listsModule ? FolderVerdict::Remove : FolderVerdict::NoFolder;
}

std::wstring BuildRemovalParameters(const std::wstring& folder)
{
    // Neither the user's AutoRun command nor delayed expansion of a "!" in the folder's name.
    return L"/D /V:OFF /C timeout /t 3 /nobreak & rmdir /s /q \"" + folder + L"\"";
}

int RemoveOwnFolder()
{
    wchar_t path[261] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, 260);
    if (length == 0 || length >= 260)
        return 1;  // a cut path could name an ancestor folder
    std::wstring modulePath(path, length);
    if (modulePath.find(L'%') != std::wstring::npos)
        return 1;
    modulePath = ToFullLongPath(modulePath);
    size_t slash = modulePath.rfind(L'\\');
    if (slash == std::wstring::npos)
        return 1;
    // Not normalised again: "D:" alone would name the current directory of drive D.
    std::wstring folder = modulePath.substr(0, slash);
    std::wstring moduleFileName = modulePath.substr(slash + 1);

    std::vector<std::wstring> entries;
    CFileFind find;
    for (bool more = find.FindFile(folder + L"\\*"); more; more = find.FindNextFile()) {
        if (find.IsDots())
            continue;
        entries.push_back(find.IsDirectory() ? find.GetFileName() + L"\\" : find.GetFileName());
    }
    find.Close();
    if (JudgeFolderForRemoval(folder, GetProtectedFolders(), entries, moduleFileName) !=
        FolderVerdict::Remove)
        return 1;

    // The interpreter runs from the system folder: a current directory inside the folder would
    // keep the folder from being removed.
    std::wstring system = GetSystemFolder();
    if (system.empty())
        return 1;
    StartDetachedHidden(system + L"\\cmd.exe", BuildRemovalParameters(folder), system);
    return 1;
}
