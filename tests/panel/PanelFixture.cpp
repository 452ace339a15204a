#include "PanelFixture.h"
#include "resource.h"
#include "TestUtil.h"
#include "XInput.h"
#include "sys/PlatformQueries.h"

namespace testutil {

namespace {

void SetDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
        RegCloseKey(handle);
    }
}

size_t FileLengthOr0(const std::wstring& path)
{
    long long size = FileSize(path);
    return size < 0 ? 0 : static_cast<size_t>(size);
}

// Without a window manager Wine takes up to two seconds to take a hidden window off the X
// screen; until then clicks at its place still land on it.
void SettleX()
{
    xinput::PumpFor(2500);
}

}  // namespace

std::wstring CompanionCallLog()
{
    return GetCommonAppDataPath() + L"Drovanix\\Feedback\\calls.log";
}

CPanelFixture::CPanelFixture(const std::wstring& name, const ToolSetup& setup)
{
    m_folder = MakeScratchFolder(name);
    m_exe = m_folder + L"\\Kestrune.exe";
    std::wstring bin = ExeFolder();
    CopyFileW((bin + L"\\Kestrune.exe").c_str(), m_exe.c_str(), FALSE);
    if (setup.withDll)
        CopyFileW((bin + L"\\OrlaviFeedbackInformation.dll").c_str(),
                  (m_folder + L"\\OrlaviFeedbackInformation.dll").c_str(), FALSE);
    m_manifest = L"C:\\kestrune-tests\\" + name + L"-manifest.txt";
    DeleteFileW(m_manifest.c_str());
    if (!setup.manifestLine.empty())
        WriteFileBytes(m_manifest, ToCodePage(setup.manifestLine + L"\r\n", CP_UTF8));
    std::wstring manifest = setup.manifestAddress.empty() ? m_manifest : setup.manifestAddress;
    // Pages are logged, never handed to a browser.
    std::string ini = "[Update]\r\nManifest=" + ToCodePage(manifest, CP_ACP) +
                      "\r\nTimeoutMs=2000\r\n[Urls]\r\nDownload=http://127.0.0.1:9/download\r\n"
                      "Agreement=http://127.0.0.1:9/agreement\r\n"
                      "Feedback=http://127.0.0.1:9/feedback?tool={tool}\r\n"
                      "MoreTools=http://127.0.0.1:9/more\r\n[Shell]\r\nMode=log\r\n";
    WriteFileBytes(m_folder + L"\\OrlaviFeedbackInformation.ini", ini);

    SetRegString(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Kestrune.exe", L"Version",
                 setup.windowsVersion);
    SetDword(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", setup.logPixels);

    // Wine has no timeout.exe: a double that really waits, so that the exit clean-up runs after
    // the tool has ended, as on Windows.
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring timeout = std::wstring(system) + L"\\timeout.exe";
    if (!FileExists(timeout))
        CopyFileW((bin + L"\\fake_tool.exe").c_str(), timeout.c_str(), TRUE);
    m_callLogStart = FileLengthOr0(CompanionCallLog());
}

CPanelFixture::~CPanelFixture()
{
    m_tool.Kill();
    SetDword(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", 96);
    Sleep(300);
    RemoveTree(m_folder);
}

bool CPanelFixture::Start()
{
    return m_tool.Start(m_exe);
}

HWND CPanelFixture::WaitReady(DWORD timeoutMs)
{
    m_hPanel = FindWindowWithControl(m_tool.m_pid, IDC_COMBO_DUMP_TYPE, timeoutMs);
    if (m_hPanel == nullptr)
        return nullptr;
    // The start-up probe runs under the busy popup; ready when it has gone.
    xinput::PumpFor(400);
    if (!WaitWindowGone(m_tool.m_pid, IDC_BUSY_TEXT, timeoutMs))
        return nullptr;
    SettleX();
    return m_hPanel;
}

std::wstring CPanelFixture::WaitPrompt(DWORD timeoutMs)
{
    HWND layer = FindWindowWithControl(m_tool.m_pid, IDC_PROMPT_TEXT, timeoutMs);
    if (layer == nullptr)
        return L"(no prompt)";
    xinput::PumpFor(300);  // painted and placed
    wchar_t text[512] = {};
    GetWindowTextW(GetDlgItem(layer, IDC_PROMPT_TEXT), text, 512);
    return text;
}

void CPanelFixture::ConfirmPrompt()
{
    HWND layer = FindWindowWithControl(m_tool.m_pid, IDC_PROMPT_TEXT, 5000);
    if (layer == nullptr)
        return;
    RECT rc;
    GetWindowRect(GetDlgItem(layer, IDC_PROMPT_OK), &rc);
    ClickOn(layer, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    WaitWindowGone(m_tool.m_pid, IDC_PROMPT_TEXT, 10000);
    SettleX();
}

RECT CPanelFixture::ControlRect(int id) const
{
    RECT rc = {};
    GetWindowRect(GetDlgItem(m_hPanel, id), &rc);
    return rc;
}

void CPanelFixture::ClickControl(int id)
{
    RECT rc = ControlRect(id);
    ClickOn(m_hPanel, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

bool CPanelFixture::PickDumpType(int index)
{
    HWND list = GetDlgItem(m_hPanel, IDC_COMBO_DUMP_TYPE);
    RECT rc = ControlRect(IDC_COMBO_DUMP_TYPE);
    int itemHeight = static_cast<int>(SendMessageW(list, CB_GETITEMHEIGHT, 0, 0));
    auto dropped = [&] { return SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) != FALSE; };
    // A click on a loaded machine is now and then lost; a person would simply click again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        ClickOn(m_hPanel, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);  // opens the list
        HWND dropDown = nullptr;
        if (xinput::PumpUntil(dropped, 2000)) {
            for (HWND window : VisibleWindowsOf(m_tool.m_pid)) {
                wchar_t className[32] = {};
                GetClassNameW(window, className, 32);
                if (lstrcmpiW(className, L"ComboLBox") == 0)
                    dropDown = window;
            }
        }
        if (dropDown != nullptr)
            ClickOn(dropDown, (rc.left + rc.right) / 2,
                    rc.bottom + 1 + itemHeight * index + itemHeight / 2);
        if (xinput::PumpUntil(
                [&] { return !dropped() && SendMessageW(list, CB_GETCURSEL, 0, 0) == index; },
                1500))
            return true;
        if (dropped())
            SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
        xinput::PumpFor(500);
    }
    return false;
}

std::string CPanelFixture::NewCalls() const
{
    std::string bytes;
    ReadFileBytes(CompanionCallLog(), bytes);
    return bytes.size() > m_callLogStart ? bytes.substr(m_callLogStart) : std::string();
}

void InstallDumps(long long memorySize, int minidumps)
{
    std::wstring windows = GetWindowsPath();
    RemoveDumps();
    if (memorySize > 0)
        WriteFileBytes(windows + L"MEMORY.DMP", std::string(static_cast<size_t>(memorySize), 'M'));
    CreateDirectoryW((windows + L"Minidump").c_str(), nullptr);
    for (int i = 0; i < minidumps; ++i)
        WriteFileBytes(windows + L"Minidump\\mini-" + std::to_wstring(i) + L".dmp",
                       std::string(4096 + i, 'd'));
}

void RemoveDumps()
{
    std::wstring windows = GetWindowsPath();
    DeleteFileW((windows + L"MEMORY.DMP").c_str());
    RemoveTree(windows + L"Minidump");
}

bool ReadCrashControl(const wchar_t* name, DWORD& value)
{
    return GetRegDword(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\CrashControl",
                       name, value);
}

std::wstring CrashControlText(const wchar_t* name)
{
    DWORD value = 0;
    return ReadCrashControl(name, value) ? std::to_wstring(value) : L"absent";
}

void ResetCrashControl()
{
    const wchar_t key[] = L"SYSTEM\\CurrentControlSet\\Control\\CrashControl";
    SetDword(HKEY_LOCAL_MACHINE, key, L"CrashDumpEnabled", 99);
    SetDword(HKEY_LOCAL_MACHINE, key, L"FilterPages", 5);
}

}  // namespace testutil
