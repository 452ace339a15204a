#include "sys/LinkGuard.h"

bool IsNameSurrogate(DWORD attributes, DWORD reparseTag)
{
    // The tag means something only on a reparse point.
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           IsReparseTagNameSurrogate(reparseTag);
}

FolderHold HoldFolder(const std::wstring& path, CHandle& folder)
{
    // The name itself is opened, not what it may point at; read access takes part in sharing,
    // so a rename, which needs delete access, is refused while the handle lives.
    folder.Attach(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!folder.IsValid() || !GetFileInformationByHandle(folder.Get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        folder.Close();
        return FolderHold::Unopenable;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return FolderHold::Held;
    // Held open, the name cannot change before its tag is read.
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(path.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        folder.Close();
        return FolderHold::Unopenable;
    }
    FindClose(find);
    if (IsNameSurrogate(entry.dwFileAttributes, entry.dwReserved0)) {
        folder.Close();
        return FolderHold::Link;
    }
    return FolderHold::Held;
}

bool ClearLinkAt(const std::wstring& path)
{
    BY_HANDLE_FILE_INFORMATION info;
    {
        CHandle target(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                   nullptr));
        if (!target.IsValid()) {
            DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        }
        if (!GetFileInformationByHandle(target.Get(), &info))
            return false;
    }
    bool directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        (directory || info.nNumberOfLinks <= 1))
        return true;
    // Removing a link removes the name only, never what it points at.
    return directory ? RemoveDirectoryW(path.c_str()) != FALSE : DeleteFileW(path.c_str()) != FALSE;
}
