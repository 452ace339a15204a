#include "sys/PlatformQueries.h"
#include "fw/FileFind.h"
#include "fw/Handle.h"

#include <shlobj.h>
#include <winioctl.h>
#include <cstdlib>
#include <vector>

namespace {

UsbVolumeProbe g_usbVolumeProbe = nullptr;
SpecialFolderHook g_specialFolderHook = nullptr;

std::wstring SpecialFolder(int csidl)
{
    std::wstring answer;
    if (g_specialFolderHook != nullptr && g_specialFolderHook(csidl, answer))
        return answer;
    wchar_t buffer[1024] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE))
        return std::wstring();
    return std::wstring(buffer) + L"\\";
}

}  // namespace

std::wstring GetDesktopPath() { return SpecialFolder(CSIDL_DESKTOP); }
std::wstring GetWindowsPath() { return SpecialFolder(CSIDL_WINDOWS); }
std::wstring GetCommonAppDataPath() { return SpecialFolder(CSIDL_COMMON_APPDATA); }

std::wstring GetTempFolderPath()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return std::wstring();
    std::wstring path(buffer, length);
    if (path.back() != L'\\')
        path += L'\\';
    return path;
}

std::wstring GetModuleFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
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

RegValueState ReadMachineDword(const wchar_t* key, const wchar_t* name, DWORD& value)
{
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                                &opened);
    if (status != ERROR_SUCCESS)
        return status == ERROR_FILE_NOT_FOUND ? RegValueState::Absent : RegValueState::Unreadable;
    DWORD type = 0;
    DWORD size = sizeof(value);
    status = RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(opened);
    if (status == ERROR_FILE_NOT_FOUND)
        return RegValueState::Absent;
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value))
        return RegValueState::Unreadable;
    return RegValueState::Present;
}

bool CreateDirectoryTree(std::wstring path)
{
    std::wstring remainder = path;
    std::wstring built;
    size_t slash = remainder.find(L'\\');
    while (slash != std::wstring::npos && slash > 0) {
        built += remainder.substr(0, slash);
        remainder.erase(0, slash + 1);
        if (!PathExists(built) && !CreateDirectoryW(built.c_str(), nullptr))
            return false;
        slash = remainder.find(L'\\');
        built += L'\\';
        if (slash == std::wstring::npos && !remainder.empty()) {
            built += remainder;
            if (!PathExists(built) && !CreateDirectoryW(built.c_str(), nullptr))
                return false;
        }
    }
    return true;
}

bool DescriptorIsUsb(const BYTE* answer, DWORD size)
{
    // The bus type is the 32-bit field at offset 28 of the storage device descriptor.
    if (answer == nullptr || size < 32)
        return false;
    DWORD busType = 0;
    memcpy(&busType, answer + 28, sizeof(busType));
    return busType == BusTypeUsb;
}

bool IsUsbVolume(wchar_t driveLetter)
{
    wchar_t device[8] = {L'\\', L'\\', L'?', L'\\', driveLetter, L':', 0};
    CHandle volume(CreateFileW(device, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
    if (!volume.IsValid())
        return false;
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    BYTE answer[40] = {};
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(volume.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query),
                              answer, sizeof(answer), &returned, nullptr);
    return ok && DescriptorIsUsb(answer, sizeof(answer));
}

void ParseDriveStrings(const wchar_t* buffer, DWORD count, std::list<std::wstring>& roots)
{
    UsbVolumeProbe probe = g_usbVolumeProbe != nullptr ? g_usbVolumeProbe : IsUsbVolume;
    for (DWORD pos = 0; pos + 3 <= count; pos += 4) {
        std::wstring root(buffer + pos, 3);
        if (probe(root[0]))
            roots.push_back(root);
    }
}

bool ListUsbDriveRoots(std::list<std::wstring>& roots)
{
    wchar_t buffer[1024] = {};
    DWORD count = GetLogicalDriveStringsW(1023, buffer);
    if (count > 1023)
        count = 0;  // the strings did not fit: nothing was written
    ParseDriveStrings(buffer, count, roots);
    return !roots.empty();
}

void SetSpecialFolderHookForTests(SpecialFolderHook hook)
{
    g_specialFolderHook = hook;
}

void SetUsbVolumeProbeForTests(UsbVolumeProbe probe)
{
    g_usbVolumeProbe = probe;
}

std::string WideToCodePage(const std::wstring& text, UINT codePage)
{
    int size = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::vector<char> buffer(size);
    WideCharToMultiByte(codePage, 0, text.c_str(), -1, buffer.data(), size, nullptr, nullptr);
    buffer[size - 1] = 0;
    return std::string(buffer.data());
}

std::string WideToNarrow(const std::wstring& text)
{
    return WideToCodePage(text, CP_ACP);
}

std::wstring AnsiToWide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(size);
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), buffer.data(), size);
    return std::wstring(buffer.data(), size);
}

wchar_t* NarrowToWide(std::string text)
{
    size_t room = text.size() + 1;
    wchar_t* buffer = static_cast<wchar_t*>(malloc(room * sizeof(wchar_t)));
    if (buffer == nullptr)
        return nullptr;
    size_t converted = mbstowcs(buffer, text.c_str(), room);
    if (converted == static_cast<size_t>(-1))
        converted = 0;  // an invalid sequence: keep what the caller can still read
    if (converted >= room)
        converted = room - 1;
    buffer[converted] = 0;
    return buffer;
}
