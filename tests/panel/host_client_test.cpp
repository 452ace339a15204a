// Service-client detection on drives mapped into the prefix; Wine reports no USB bus, so the
// volume probe of the drive list is replaced through the seam the product's list goes through.
#include "TestUtil.h"
#include "XInput.h"
#include "DeviceValueEncoder.h"
#include "dump/HostClient.h"
#include "sys/PlatformQueries.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

const char kKey[] = "tarnwick5831obelsa";

bool UsbUAndV(wchar_t letter)
{
    return letter == L'U' || letter == L'V';
}

std::string Prefix()
{
    char buffer[MAX_PATH] = {};
    GetEnvironmentVariableA("WINEPREFIX", buffer, MAX_PATH);
    return buffer;
}

// Maps the drive letter onto a fresh folder of the test and returns its root ("U:\").
std::wstring MapDrive(char letter)
{
    std::string name = std::string("usb-") + letter;
    MakeScratchFolder(std::wstring(name.begin(), name.end()));
    std::string link = Prefix() + "/dosdevices/" + static_cast<char>(tolower(letter)) + ":";
    xinput::RunUnix("ln -sfn '" + Prefix() + "/drive_c/kestrune-tests/" + name + "' '" + link + "'");
    // The link serves paths; the drive list comes from the object namespace.
    std::wstring drive(1, static_cast<wchar_t>(letter));
    drive += L":";
    DefineDosDeviceW(0, drive.c_str(), (L"C:\\kestrune-tests\\" + std::wstring(name.begin(), name.end())).c_str());
    return drive + L"\\";
}

void UnmapDrive(char letter)
{
    std::wstring drive(1, static_cast<wchar_t>(letter));
    drive += L":";
    DefineDosDeviceW(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
    xinput::RunUnix("rm -f '" + Prefix() + "/dosdevices/" + static_cast<char>(tolower(letter)) +
                    ":'");
}

void PlaceClient(const std::wstring& root, const wchar_t* folder, const wchar_t* exe,
                 const std::string* iniBytes)
{
    CreateDirectoryTree(root + folder);
    WriteFileBytes(root + folder + L"\\" + exe, "MZ");
    if (iniBytes != nullptr)
        WriteFileBytes(root + folder + L"\\DeviceInfo.ini", *iniBytes);
}

std::string IniWith(const std::string& plain)
{
    return "[DeviceType]\r\nType=" + EncodeDeviceValue(plain, kKey) + "\r\n";
}

std::string Base64(const std::string& bytes)
{
    static const char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        text += digits[group >> 18];
        text += digits[(group >> 12) & 63];
        text += i + 1 < bytes.size() ? digits[(group >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? digits[group & 63] : '=';
    }
    return text;
}

int Detect()
{
    CAesCipher aes;
    return FindHostClientDeviceType(aes);
}

}  // namespace

TEST(HostClient, DeviceTypeFromFirstClientOnTheUsbDrives)
{
    std::wstring u = MapDrive('U');
    std::wstring v = MapDrive('V');
    ASSERT_TRUE(WriteFileBytes(u + L"mapped.txt", "x")) << "drive U: not mapped";

    EXPECT_EQ(0, Detect()) << "Wine's drives are not on a USB bus";
    SetUsbVolumeProbeForTests(UsbUAndV);
    std::list<std::wstring> roots;
    ASSERT_TRUE(ListUsbDriveRoots(roots));
    EXPECT_EQ((std::list<std::wstring>{L"U:\\", L"V:\\"}), roots);

    EXPECT_EQ(0, Detect()) << "no client folder";

    std::string tesquin1 = IniWith(std::string("1") + std::string(15, '\0'));
    PlaceClient(u, L"TQ\\Tesquin", L"TesquinClient.exe", &tesquin1);
    EXPECT_EQ(1, Detect()) << "Tesquin value 1";

    // The value decides, not the folder: a Tesquin file holding 2 gives 2.
    std::string two = IniWith("2");
    PlaceClient(u, L"TQ\\Tesquin", L"TesquinClient.exe", &two);
    EXPECT_EQ(2, Detect());

    // A Tesquin folder without its file rules out drive U: as a whole, even its Varnel folder.
    DeleteFileW((u + L"TQ\\Tesquin\\DeviceInfo.ini").c_str());
    std::string varnel7 = IniWith("7");
    PlaceClient(u, L"VRN\\VRNKey", L"VRNClient.exe", &varnel7);
    std::string varnel2 = IniWith(std::string("2") + std::string(15, '\0'));
    PlaceClient(v, L"VRN\\VRNKey", L"VRNClient.exe", &varnel2);
    EXPECT_EQ(2, Detect()) << "the search goes on with V:";

    // Values that do not decode to digits, or only start with them.
    CAesCipher aes;
    std::wstring file = v + L"VRN\\VRNKey\\DeviceInfo.ini";
    struct Case {
        std::string bytes;
        int expected;
    };
    const Case cases[] = {
        {"", 0},
        {"[DeviceType]\r\n", 0},
        {"[DeviceType]\r\nType=\r\n", 0},
        {"[DeviceType]\r\nType=!!!not base64!!!\r\n", 0},
        {IniWith(std::string("2abc") + std::string(12, '\0')), 2},
        {IniWith(std::string("abc2") + std::string(12, '\0')), 0},
        {IniWith(std::string("2147483647") + std::string(6, '\0')), 2147483647},
        {"[DeviceType]\r\nType=+ " + EncodeDeviceValue(std::string("1") + std::string(15, '\0'), kKey) +
             "\r\n",
         1},
    };
    for (const Case& c : cases) {
        WriteFileBytes(file, c.bytes);
        EXPECT_EQ(c.expected, ReadDeviceTypeFile(aes, file)) << c.bytes;
    }
    WriteFileBytes(file, std::string(10 * 1024 * 1024, 'A'));  // 10 MB, no section
    EXPECT_EQ(0, ReadDeviceTypeFile(aes, file));
    WriteFileBytes(file, "[DeviceType]\r\nType=" + std::string(10 * 1024 * 1024, 'A') + "\r\n");
    EXPECT_EQ(0, ReadDeviceTypeFile(aes, file)) << "zero bytes under the key decode to no digit";
    // Valid Base64 of random bytes, short, odd and longer than the reader keeps: whatever they
    // decode to, the type is a non-negative number.
    unsigned state = 12345;
    for (size_t length : {1u, 7u, 16u, 33u, 150u, 400u}) {
        std::string bytes;
        for (size_t i = 0; i < length; ++i) {
            state = state * 1103515245u + 12345u;
            bytes += static_cast<char>(state >> 16);
        }
        WriteFileBytes(file, "[DeviceType]\r\nType=" + Base64(bytes) + "\r\n");
        EXPECT_LE(0, ReadDeviceTypeFile(aes, file)) << length;
    }

    SetUsbVolumeProbeForTests(nullptr);
    UnmapDrive('U');
    UnmapDrive('V');
}
