#include "ToolDriver.h"
#include "TestUtil.h"
#include "XInput.h"
#include "resource.h"
#include "sys/PlatformQueries.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace testutil {

namespace {

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam)
{
    auto* windows = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid == windows->first && IsWindowVisible(hWnd))
        windows->second.push_back(hWnd);
    return TRUE;
}

HWND WindowWithControl(DWORD pid, int controlId)
{
    for (HWND hWnd : VisibleWindowsOf(pid)) {
        if (GetDlgItem(hWnd, controlId) != nullptr)
            return hWnd;
    }
    return nullptr;
}

// A Unix path as Wine sees it on drive Z:.
std::wstring OnDriveZ(const std::string& unixPath)
{
    std::wstring path = L"Z:" + FromCodePage(unixPath, CP_UTF8);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// The X window that xdotool finds under the pointer, 0 when it cannot tell.
unsigned long XWindowUnderPointer()
{
    std::string path = "/tmp/kestrune-pointer-" + std::to_string(GetCurrentProcessId()) + ".txt";
    std::string text;
    if (!xinput::RunUnix("xdotool getmouselocation --shell > " + path) ||
        !ReadFileBytes(OnDriveZ(path), text))
        return 0;
    size_t at = text.find("WINDOW=");
    return at == std::string::npos ? 0 : strtoul(text.c_str() + at + 7, nullptr, 10);
}

}  // namespace

std::vector<HWND> VisibleWindowsOf(DWORD pid)
{
    std::pair<DWORD, std::vector<HWND>> windows(pid, {});
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows.second;
}

HWND FindWindowWithControl(DWORD pid, int controlId, DWORD timeoutMs)
{
    HWND found = nullptr;
    xinput::PumpUntil([&] { return (found = WindowWithControl(pid, controlId)) != nullptr; },
                      timeoutMs);
    return found;
}

bool WaitWindowGone(DWORD pid, int controlId, DWORD timeoutMs)
{
    return xinput::PumpUntil([&] { return WindowWithControl(pid, controlId) == nullptr; },
                             timeoutMs);
}

void ClickAt(int x, int y)
{
    xinput::Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.1 click 1");
    xinput::PumpFor(150);
}

bool ClickOn(HWND topLevel, int x, int y, DWORD timeoutMs)
{
    // Wine keeps the X window of a top-level window in this property.
    auto expected = static_cast<unsigned long>(
        reinterpret_cast<ULONG_PTR>(GetPropW(topLevel, L"__wine_x11_whole_window")));
    xinput::MoveMouse(x, y);
    unsigned long seen = 0;
    bool over = expected != 0 && xinput::PumpUntil(
                                     [&] { return (seen = XWindowUnderPointer()) == expected; },
                                     timeoutMs);
    if (!over)
        ADD_FAILURE() << "pointer at " << x << "," << y << ": X window " << seen << ", not " << expected;
    xinput::Xdo("click 1");
    xinput::PumpFor(150);
    return over;
}

bool ClickControlOf(HWND topLevel, int controlId)
{
    RECT rc = {};
    GetWindowRect(GetDlgItem(topLevel, controlId), &rc);
    return ClickOn(topLevel, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

void MoveMouseTo(int x, int y)
{
    xinput::MoveMouse(x, y);
    xinput::PumpFor(150);
}

void PressKey(const char* keyName)
{
    xinput::Xdo(std::string("key ") + keyName);
    xinput::PumpFor(150);
}

void PressKey(const wchar_t* keyName)
{
    PressKey(ToCodePage(keyName, CP_UTF8).c_str());
}

bool Xdotool(const std::wstring& arguments)
{
    return xinput::Xdo(ToCodePage(arguments, CP_UTF8));
}

void Pause(DWORD ms)
{
    xinput::PumpFor(ms);
}

namespace {

std::wstring TakeScreenshot(const std::wstring& name, const std::string& importOptions)
{
    char folder[MAX_PATH] = {};
    if (GetEnvironmentVariableA("KESTRUNE_SCREENSHOT_DIR", folder, MAX_PATH) == 0)
        return std::wstring();
    std::string path = std::string(folder) + "/" + ToCodePage(name, CP_UTF8) + ".png";
    bool taken = xinput::RunUnix("import -window root " + importOptions + " '" + path + "'");
    return taken && FileExists(OnDriveZ(path)) ? OnDriveZ(path) : std::wstring();
}

}  // namespace

std::wstring Screenshot(const std::wstring& name)
{
    return TakeScreenshot(name, "");
}

std::wstring ScreenshotArea(const std::wstring& name, const RECT& area)
{
    return TakeScreenshot(name, "-crop " + std::to_string(area.right - area.left) + "x" +
                                    std::to_string(area.bottom - area.top) + "+" +
                                    std::to_string(area.left) + "+" + std::to_string(area.top) +
                                    " +repage");
}

COLORREF PixelOf(const std::wstring& pngPath, int x, int y)
{
    static ULONG_PTR token = 0;
    if (token == 0) {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    Gdiplus::Bitmap bitmap(pngPath.c_str());
    Gdiplus::Color colour;
    if (bitmap.GetLastStatus() != Gdiplus::Ok || bitmap.GetPixel(x, y, &colour) != Gdiplus::Ok) {
        ADD_FAILURE() << "pixel " << x << "," << y << " of a screenshot could not be read";
        return CLR_INVALID;
    }
    return RGB(colour.GetR(), colour.GetG(), colour.GetB());
}

bool NearColour(COLORREF actual, COLORREF expected, int tolerance)
{
    return actual != CLR_INVALID && abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
           abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
           abs(GetBValue(actual) - GetBValue(expected)) <= tolerance;
}

std::string BytesAfter(const std::wstring& path, size_t skip)
{
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes.size() > skip ? bytes.substr(skip) : std::string();
}

namespace {

const wchar_t kCrashControl[] = L"SYSTEM\\CurrentControlSet\\Control\\CrashControl";

std::wstring CompanionCallLog()
{
    return GetCommonAppDataPath() + L"Drovanix\\Feedback\\calls.log";
}

// Without a window manager Wine takes up to two seconds to take a hidden window off the X
// screen; until then clicks at its place still land on it.
void SettleX()
{
    xinput::PumpFor(2500);
}

}  // namespace

std::wstring CrashControlText(const wchar_t* name)
{
    DWORD value = 0;
    return GetRegDword(HKEY_LOCAL_MACHINE, kCrashControl, name, value) ? std::to_wstring(value)
                                                                        : L"absent";
}

void ResetCrashControl()
{
    SetRegDword(HKEY_LOCAL_MACHINE, kCrashControl, L"CrashDumpEnabled", 99);
    SetRegDword(HKEY_LOCAL_MACHINE, kCrashControl, L"FilterPages", 5);
}

CTool::CTool(const std::wstring& name, const ToolSetup& setup)
{
    m_folder = L"C:\\kestrune-tests\\" + name;
    RemoveTree(m_folder);
    CreateDirectoryTree(m_folder);
    m_exe = m_folder + L"\\Kestrune.exe";
    std::wstring bin = ExeFolder();
    CopyFileW((bin + L"\\Kestrune.exe").c_str(), m_exe.c_str(), FALSE);
    if (setup.withDll)
        CopyFileW((bin + L"\\OrlaviFeedbackInformation.dll").c_str(),
                  (m_folder + L"\\OrlaviFeedbackInformation.dll").c_str(), FALSE);
    std::wstring manifest = m_folder + L"-manifest.txt";
    WriteFileBytes(manifest, ToCodePage(setup.manifestLine + L"\r\n", CP_UTF8));
    // Pages are logged, never handed to a browser.
    WriteFileBytes(m_folder + L"\\OrlaviFeedbackInformation.ini",
                   "[Update]\r\nManifest=" + ToCodePage(manifest, CP_ACP) +
                       "\r\nTimeoutMs=2000\r\n[Urls]\r\nDownload=http://127.0.0.1:9/download\r\n"
                       "Agreement=http://127.0.0.1:9/agreement\r\n"
                       "Feedback=http://127.0.0.1:9/feedback?tool={tool}\r\n"
                       "MoreTools=http://127.0.0.1:9/more\r\n[Shell]\r\nMode=log\r\n");
    SetRegString(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Kestrune.exe", L"Version",
                 setup.windowsVersion);
    SetLogPixels(setup.logPixels);
    // Wine has no timeout.exe: a double that really waits, so that the exit clean-up runs after
    // the tool has ended, as on Windows.
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    CopyFileW((bin + L"\\fake_tool.exe").c_str(), (std::wstring(system) + L"\\timeout.exe").c_str(),
              TRUE);
    m_callLogStart = static_cast<size_t>(std::max(0LL, FileSize(CompanionCallLog())));
}

CTool::~CTool()
{
    if (m_process != nullptr) {
        if (IsRunning()) {
            TerminateProcess(m_process, 1);
            WaitForSingleObject(m_process, 10000);
        }
        CloseHandle(m_process);
    }
    SetLogPixels(96);
    RemoveTree(m_folder);
}

bool CTool::Start()
{
    std::wstring line = L"\"" + m_exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, m_folder.c_str(),
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    m_process = process.hProcess;
    m_pid = process.dwProcessId;
    return true;
}

HWND CTool::WaitReady(DWORD timeoutMs)
{
    m_hPanel = FindWindowWithControl(m_pid, IDC_COMBO_DUMP_TYPE, timeoutMs);
    if (m_hPanel == nullptr)
        return nullptr;
    // The start-up probe runs under the busy popup; ready when it has gone.
    xinput::PumpFor(400);
    if (!WaitWindowGone(m_pid, IDC_BUSY_TEXT, timeoutMs))
        return nullptr;
    SettleX();
    return m_hPanel;
}

std::wstring CTool::WaitPrompt(DWORD timeoutMs)
{
    HWND layer = FindWindowWithControl(m_pid, IDC_PROMPT_TEXT, timeoutMs);
    if (layer == nullptr)
        return L"(no prompt)";
    xinput::PumpFor(300);  // painted and placed
    wchar_t text[512] = {};
    GetWindowTextW(GetDlgItem(layer, IDC_PROMPT_TEXT), text, 512);
    return text;
}

void CTool::ConfirmPrompt()
{
    HWND layer = FindWindowWithControl(m_pid, IDC_PROMPT_TEXT, 5000);
    if (layer == nullptr)
        return;
    ClickControlOf(layer, IDC_PROMPT_OK);
    EXPECT_TRUE(WaitWindowGone(m_pid, IDC_PROMPT_TEXT, 20000)) << "the prompt stayed: click lost";
    SettleX();
}

RECT CTool::ControlRect(int id) const
{
    RECT rc = {};
    GetWindowRect(GetDlgItem(m_hPanel, id), &rc);
    return rc;
}

bool CTool::PickDumpType(int index)
{
    HWND list = GetDlgItem(m_hPanel, IDC_COMBO_DUMP_TYPE);
    RECT rc = ControlRect(IDC_COMBO_DUMP_TYPE);
    int itemHeight = static_cast<int>(SendMessageW(list, CB_GETITEMHEIGHT, 0, 0));
    auto dropped = [&] { return SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) != FALSE; };
    ClickControl(IDC_COMBO_DUMP_TYPE);  // opens the list
    HWND dropDown = nullptr;
    if (xinput::PumpUntil(dropped, 10000)) {
        for (HWND window : VisibleWindowsOf(m_pid)) {
            wchar_t className[32] = {};
            GetClassNameW(window, className, 32);
            if (lstrcmpiW(className, L"ComboLBox") == 0)
                dropDown = window;
        }
    }
    if (dropDown != nullptr)
        ClickOn(dropDown, (rc.left + rc.right) / 2,
                rc.bottom + 1 + itemHeight * index + itemHeight / 2);
    return xinput::PumpUntil(
        [&] { return !dropped() && SendMessageW(list, CB_GETCURSEL, 0, 0) == index; }, 10000);
}

HWND CTool::OpenClosePopup()
{
    ClickControl(IDC_BTN_CLOSE);
    HWND popup = FindWindowWithControl(m_pid, IDC_FEEDBACK_SOLVED, 20000);
    xinput::PumpFor(600);  // painted and placed
    return popup;
}

bool CTool::WaitExit(DWORD timeoutMs)
{
    DWORD exitCode = 1;
    bool ended = xinput::PumpUntil([&] { return !IsRunning(); }, timeoutMs) &&
                 GetExitCodeProcess(m_process, &exitCode);
    EXPECT_EQ(0u, exitCode) << "exit code";
    return ended;
}

std::string CTool::NewCalls() const
{
    return BytesAfter(CompanionCallLog(), m_callLogStart);
}

}  // namespace testutil
