#include "ToolRun.h"
#include "TestUtil.h"
#include "XInput.h"

#include <vector>

namespace toolrun {

namespace {

struct FindData {
    DWORD pid;
    HWND frame;
    HWND panel;
    std::wstring title;
    HWND found;
};

std::wstring WindowText(HWND hWnd)
{
    wchar_t text[256] = {};
    GetWindowTextW(hWnd, text, 256);
    return text;
}

BOOL CALLBACK FindFrame(HWND hWnd, LPARAM lParam)
{
    auto* data = reinterpret_cast<FindData*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid != data->pid)
        return TRUE;
    LONG exStyle = GetWindowLongW(hWnd, GWL_EXSTYLE);
    if ((exStyle & WS_EX_LAYERED) && GetWindow(hWnd, GW_OWNER) == nullptr &&
        WindowText(hWnd) == L"Kestrune")
        data->frame = hWnd;
    return TRUE;
}

BOOL CALLBACK FindPanel(HWND hWnd, LPARAM lParam)
{
    auto* data = reinterpret_cast<FindData*>(lParam);
    if (data->frame != nullptr && GetWindow(hWnd, GW_OWNER) == data->frame &&
        !(GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_LAYERED) && IsWindowVisible(hWnd) &&
        WindowText(hWnd).empty())
        data->panel = hWnd;
    return TRUE;
}

BOOL CALLBACK FindTitled(HWND hWnd, LPARAM lParam)
{
    auto* data = reinterpret_cast<FindData*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid == data->pid && hWnd != data->frame && IsWindowVisible(hWnd) &&
        WindowText(hWnd) == data->title)
        data->found = hWnd;
    return TRUE;
}

bool CopyOne(const std::wstring& from, const std::wstring& to)
{
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

}  // namespace

std::wstring BuildFolder()
{
    return testutil::ExeFolder();
}

bool InstallTool(const std::wstring& folder)
{
    // Parents first: SHCreateDirectory would do it, but the shell is the product's business.
    for (size_t slash = folder.find(L'\\', 3); ; slash = folder.find(L'\\', slash + 1)) {
        CreateDirectoryW(folder.substr(0, slash).c_str(), nullptr);
        if (slash == std::wstring::npos)
            break;
    }
    std::wstring bin = BuildFolder();
    std::string ini = KESTRUNE_COMPANION_INI;
    std::wstring iniPath = L"Z:";
    for (char c : ini)
        iniPath += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return CopyOne(bin + L"\\Kestrune.exe", folder + L"\\Kestrune.exe") &&
           CopyOne(bin + L"\\OrlaviFeedbackInformation.dll",
                   folder + L"\\OrlaviFeedbackInformation.dll") &&
           CopyOne(iniPath, folder + L"\\OrlaviFeedbackInformation.ini");
}

int CountEntries(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            ++count;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

CToolProcess::~CToolProcess()
{
    if (m_process != nullptr)
        CloseHandle(m_process);
}

bool CToolProcess::Start(const std::wstring& exePath)
{
    std::wstring folder = exePath.substr(0, exePath.rfind(L'\\'));
    if (folder.size() == 2)
        folder += L'\\';
    std::wstring line = L"\"" + exePath + L"\"";
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    m_process = process.hProcess;
    m_pid = process.dwProcessId;
    return true;
}

bool CToolProcess::WaitForWindows(DWORD timeoutMs)
{
    return xinput::PumpUntil(
        [&] {
            FindData data = {m_pid, nullptr, nullptr, L"", nullptr};
            EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&data));
            EnumWindows(FindPanel, reinterpret_cast<LPARAM>(&data));
            m_frame = data.frame;
            m_panel = data.panel;
            return m_frame != nullptr && m_panel != nullptr && IsWindowVisible(m_frame);
        },
        timeoutMs);
}

HWND CToolProcess::FindWindowTitled(const std::wstring& title) const
{
    FindData data = {m_pid, m_frame, nullptr, title, nullptr};
    EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

bool CToolProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (m_process == nullptr)
        return false;
    bool ended = xinput::PumpUntil(
        [&] { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (ended && exitCode != nullptr)
        GetExitCodeProcess(m_process, exitCode);
    return ended;
}

void CToolProcess::Kill()
{
    if (m_process != nullptr && WaitForSingleObject(m_process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 5000);
    }
}

bool SetLogPixels(DWORD dpi)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExW(key, L"LogPixels", 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace toolrun

namespace toolrun {

namespace {

struct FeedbackFind {
    DWORD pid;
    HWND layer;
};

BOOL CALLBACK FindFeedbackLayer(HWND hWnd, LPARAM lParam)
{
    auto* data = reinterpret_cast<FeedbackFind*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid == data->pid && IsWindowVisible(hWnd) && GetDlgItem(hWnd, 1003) != nullptr &&
        GetDlgItem(hWnd, 1001) != nullptr)
        data->layer = hWnd;
    return TRUE;
}

}  // namespace

bool CToolProcess::CloseAnsweringFeedback(DWORD timeoutMs)
{
    PostMessageW(m_frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    FeedbackFind data = {m_pid, nullptr};
    bool found = xinput::PumpUntil(
        [&] {
            EnumWindows(FindFeedbackLayer, reinterpret_cast<LPARAM>(&data));
            return data.layer != nullptr;
        },
        timeoutMs);
    if (!found)
        return false;
    HWND other = GetDlgItem(data.layer, 1001);
    PostMessageW(data.layer, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), reinterpret_cast<LPARAM>(other));
    return true;
}

}  // namespace toolrun
