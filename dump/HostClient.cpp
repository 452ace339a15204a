#include "dump/HostClient.h"
#include "crypto/DeviceValue.h"
#include "dump/KestruneDlg.h"
#include "fw/FileFind.h"
#include "fw/Str.h"
#include "sys/PlatformQueries.h"

#include <climits>
#include <cstdlib>
#include <list>

namespace {

const char kDeviceKey[] = "tarnwick5831obelsa";

}  // namespace

bool CKestruneDlg::ReadIniValue(std::wstring section, std::wstring key, std::wstring file,
                                std::wstring& out)
{
    wchar_t buffer[255] = {};
    DWORD copied = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer, 255,
                                            file.c_str());
    if (copied == 0)
        return false;
    out.assign(buffer, copied);
    return true;
}

int CKestruneDlg::DecodeDeviceValue(const char* encoded, char* out, size_t outSize, const char* key)
{
    return ::DecodeDeviceValue(m_aes, encoded, out, outSize, key);
}

void CKestruneDlg::DetectHostClient()
{
    m_nDeviceType = FindHostClientDeviceType(m_aes);
}

int ReadDeviceTypeFile(CAesCipher& aes, const std::wstring& iniPath)
{
    std::wstring value;
    CKestruneDlg::ReadIniValue(L"DeviceType", L"Type", iniPath, value);
    std::string narrow = WideToNarrow(value);
    char decoded[1024] = {};
    DecodeDeviceValue(aes, narrow.c_str(), decoded, sizeof(decoded), kDeviceKey);
    wchar_t* wide = NarrowToWide(decoded);
    long long number = wide != nullptr ? ParseLeadingInt(std::wstring(wide)) : 0;
    free(wide);
    // Beyond the 32-bit range the value is clamped rather than wrapped.
    if (number > INT_MAX)
        number = INT_MAX;
    if (number < INT_MIN)
        number = INT_MIN;
    return static_cast<int>(number);
}

int FindHostClientDeviceType(CAesCipher& aes)
{
    std::list<std::wstring> roots;
    if (!ListUsbDriveRoots(roots))
        return 0;
    for (const std::wstring& root : roots) {
        if (PathExists(root + L"TQ\\Tesquin\\TesquinClient.exe")) {
            // A Tesquin folder without its value file rules out the whole drive.
            if (PathExists(root + L"TQ\\Tesquin\\DeviceInfo.ini"))
                return ReadDeviceTypeFile(aes, root + L"TQ\\Tesquin\\DeviceInfo.ini");
            continue;
        }
        if (PathExists(root + L"VRN\\VRNKey\\VRNClient.exe") &&
            PathExists(root + L"VRN\\VRNKey\\DeviceInfo.ini"))
            return ReadDeviceTypeFile(aes, root + L"VRN\\VRNKey\\DeviceInfo.ini");
    }
    return 0;
}
