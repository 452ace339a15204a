#include "log/LogSaveCloseFile.h"
#include "fw/Handle.h"
#include "fw/Str.h"
#include "sys/PlatformQueries.h"

#include <aclapi.h>
#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// On Windows a handle with append access and without write access makes each write one atomic
// append. Wine 8 appends with a size read and a positioned write, so two of our processes
// appending at once can write to the same place. Our processes therefore also take turns through
// a word in memory that they share: no system call while it is free, and no wait without end (a
// turn that is not given back, by a process that died or by another program, is taken over).
const wchar_t kTurnName[] = L"Local\\Kestrune.ToolLog.AppendTurn";
const int kTurnTries = 50;
// The rotation's byte-range lock: a few short tries, then the entry stays appended without a
// rotation. Any reader of the shared folder can take that byte and keep it.
const int kLockTries = 5;

class CAppendTurn {
public:
    explicit CAppendTurn(volatile LONG* turn)
        : m_pTurn(turn), m_me(static_cast<LONG>(GetCurrentThreadId()))
    {
        for (int i = 0; m_pTurn != nullptr && i < kTurnTries; ++i) {
            if (InterlockedCompareExchange(m_pTurn, m_me, 0) == 0)
                return;
            Sleep(i < 8 ? 0 : 1);
        }
        if (m_pTurn != nullptr)
            InterlockedExchange(m_pTurn, m_me);
    }
    ~CAppendTurn()
    {
        if (m_pTurn != nullptr)
            InterlockedCompareExchange(m_pTurn, 0, m_me);
    }
    CAppendTurn(const CAppendTurn&) = delete;
    CAppendTurn& operator=(const CAppendTurn&) = delete;

private:
    volatile LONG* m_pTurn;
    LONG m_me;
};

// Whether the opened name is an ordinary file with this one name. A reparse point, or a hard link
// to another file, which any local user can plant in the shared folder, would have the elevated
// tool write elsewhere. (GetFileInformationByHandle also counts links, but asks the volume for its
// serial number, which costs Wine half a millisecond per call.)
bool IsOwnFile(HANDLE file)
{
    IO_STATUS_BLOCK io = {};
    FILE_BASIC_INFORMATION basic = {};
    FILE_STANDARD_INFORMATION standard = {};
    if (NtQueryInformationFile(file, &io, &basic, sizeof(basic), FileBasicInformation) < 0 ||
        NtQueryInformationFile(file, &io, &standard, sizeof(standard), FileStandardInformation) < 0)
        return false;
    return !(basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && standard.NumberOfLinks == 1;
}

// Renames through the handle, so the file renamed is the one this handle was checked to be.
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

bool SameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION one;
    BY_HANDLE_FILE_INFORMATION two;
    return GetFileInformationByHandle(a, &one) && GetFileInformationByHandle(b, &two) &&
           one.dwVolumeSerialNumber == two.dwVolumeSerialNumber &&
           one.nFileIndexHigh == two.nFileIndexHigh && one.nFileIndexLow == two.nFileIndexLow;
}

// Moves the full file that file holds open aside: one rotation at a time among our processes,
// under a byte-range lock far past the end of the file, and only while the name still holds this
// file (another process may have rotated it meanwhile, and the name then belongs to a fresh file).
// The rename needs delete access, asked for only here: while a sibling holds the file without
// sharing deletion, this open is refused and a later entry tries again.
void Rotate(HANDLE file, const std::wstring& path)
{
    OVERLAPPED lockAt = {};
    lockAt.OffsetHigh = 0x7FFFFFFF;
    for (int i = 0; !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                                &lockAt);
         ++i) {
        if (i + 1 == kLockTries)
            return;
        Sleep(1);
    }
    CHandle named(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (named.IsValid() && SameFile(file, named.Get()))
        RenameOpenFile(named.Get(), path + L"bak");
    named.Close();
    UnlockFileEx(file, 0, 1, 0, &lockAt);
}

// Whether the object's owner is the one this process gives the objects it creates: the
// Administrators group for an elevated tool, a user's own account for an unelevated program.
// Windows gives every object an owner; Wine gives none to an object made without a descriptor.
bool MadeByThisAccount(HANDLE object)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool same = owner == nullptr;
    HANDLE token = nullptr;
    if (owner != nullptr && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        union {
            TOKEN_OWNER owner;
            BYTE bytes[sizeof(TOKEN_OWNER) + SECURITY_MAX_SID_SIZE];
        } ours;
        DWORD size = 0;
        same = GetTokenInformation(token, TokenOwner, &ours, sizeof(ours), &size) &&
               EqualSid(ours.owner.Owner, owner);
        CloseHandle(token);
    }
    LocalFree(descriptor);
    return same;
}

}  // namespace

CLogSaveCloseFile::CLogSaveCloseFile(std::wstring logDir) : CLogBase(std::move(logDir))
{
    const wchar_t* name = kTurnName;
#ifdef KESTRUNE_TEST_SEAMS
    wchar_t seam[64];
    DWORD length = GetEnvironmentVariableW(L"KESTRUNE_LOG_TURN", seam, 64);
    if (length > 0 && length < 64)
        name = seam;
#endif
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), name);
    bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    m_turnMapping.Attach(mapping);
    // A section that another account made first (an unelevated program's, say, with the word kept
    // set) is not used: each of our entries would wait out its tries. Without the turn only Wine's
    // appends could meet; on Windows each append is atomic.
    if (m_turnMapping.IsValid() && existed && !MadeByThisAccount(m_turnMapping.Get()))
        m_turnMapping.Close();
    if (m_turnMapping.IsValid())
        m_pTurn = static_cast<volatile LONG*>(
            MapViewOfFile(m_turnMapping.Get(), FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
}

CLogSaveCloseFile::~CLogSaveCloseFile()
{
    if (m_pTurn != nullptr)
        UnmapViewOfFile(const_cast<LONG*>(m_pTurn));
}

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
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line = FormatLogLine(now, entry.GetText());

    // Append access without write access: the system puts every write at the end of the file, so
    // a sibling tool appending to the same file between our writes never shares our offset. No
    // delete access: the other writers of these files (sibling tools, the keep-open writer) share
    // reading and writing only, and an open asking for delete access is refused beside theirs, and
    // theirs beside it. Read access is for the rotation's lock. The name itself is opened, never
    // what a reparse point names.
    CHandle file(CreateFileW(path.c_str(),
                             FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                             nullptr));
    if (!file.IsValid() || !IsOwnFile(file.Get()))
        return;  // dropped silently: logging never changes what the caller does

    DWORD written = 0;
    {
        CAppendTurn turn(m_pTurn);
        // Prefix and body in one write, so another process sharing the file never splits them.
        WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file.Get(), &size) &&
        static_cast<unsigned long long>(size.QuadPart) > kLogRotationSize)
        Rotate(file.Get(), path);
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
