#include "log/LogSaveCloseFile.h"
#include "fw/Handle.h"
#include "fw/Str.h"
#include "sys/PlatformQueries.h"

#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// Renames through the handle: a rename by name could move a fresh file over the full backup.
void RenameOpenFile(HANDLE file, const std::wstring& newPath)
{
    std::wstring target = L"\\??\\" + newPath;
    ULONG nameBytes = static_cast<ULONG>(target.size() * sizeof(wchar_t));
    std::vector<BYTE> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = nameBytes;
    memcpy(info->FileName, target.c_str(), nameBytes);
    IO_STATUS_BLOCK status = {};
    NtSetInformationFile(file, &status, info, static_cast<ULONG>(buffer.size()),
                         FileRenameInformation);
}

// Whether the open file is still the one at path: another process may have rotated it meanwhile,
// and then the name belongs to a newer file.
bool StillNamed(HANDLE file, const std::wstring& path)
{
    CHandle current(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION ours;
    BY_HANDLE_FILE_INFORMATION named;
    return current.IsValid() && GetFileInformationByHandle(file, &ours) &&
           GetFileInformationByHandle(current.Get(), &named) &&
           ours.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
           ours.nFileIndexHigh == named.nFileIndexHigh && ours.nFileIndexLow == named.nFileIndexLow;
}

}  // namespace

std::string FormatHexText(const unsigned char* data, int length)
{
    std::string text;
    for (int i = 0; i < length; ++i)
        text += FormatA("%02X ", static_cast<unsigned>(data[i]));
    return text;
}

std::string LogText(const wchar_t* text)
{
    return WideToCodePage(text, 936);
}

std::string FormatLogLine(const SYSTEMTIME& t, const std::string& text)
{
    return FormatA("[%04d-%02d-%02d %02d:%02d:%02d %03dms]   ", t.wYear, t.wMonth, t.wDay, t.wHour,
                   t.wMinute, t.wSecond, t.wMilliseconds) +
           text + "\r\r\n";
}

void CLogSaveCloseFile::WritePacket(const CPacketLog& entry)
{
    CSingleLock lock(m_cs);

    std::wstring path = m_strLogDir + AnsiToWide(entry.GetFileName());

    // Append access without write access: the system puts every write at the end of the file, so
    // a sibling tool appending to the same file between our writes never shares our offset. Read
    // access is for the byte-range lock, delete access for the rotation's rename.
    CHandle file(CreateFileW(path.c_str(),
                             FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE |
                                 DELETE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return;  // dropped silently: logging never changes what the caller does

    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line = FormatLogLine(now, entry.GetText());

    // Our processes also take turns through a lock far past the end of the file: write, size
    // check and rotation are then one step among them (not every system appends atomically).
    OVERLAPPED lockAt = {};
    lockAt.OffsetHigh = 0x7FFFFFFF;
    bool locked = LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockAt) != FALSE;
    // Prefix and body in one write, so another process sharing the file never splits them.
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);

    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file.Get(), &size) &&
        static_cast<unsigned long long>(size.QuadPart) > kLogRotationSize &&
        StillNamed(file.Get(), path))
        RenameOpenFile(file.Get(), path + L"bak");
    if (locked)
        UnlockFileEx(file.Get(), 0, 1, 0, &lockAt);
}

void CLogSaveCloseFile::WriteHex(const unsigned char* data, int length, std::string fileName)
{
    WriteText(FormatHexText(data, length), std::move(fileName));
}

void CLogSaveCloseFile::WriteText(std::string text, std::string fileName)
{
    CPacketLog entry;
    entry.SetText(std::move(text));
    entry.SetFileName(std::move(fileName));
    WritePacket(entry);
}
