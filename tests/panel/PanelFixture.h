// The real tool in a folder of its own on C:, with the companion library set to log its pages
// instead of opening them, and helpers to read what the tool shows and what it changed.
#pragma once
#include "ToolDriver.h"
#include "ToolRun.h"

#include <string>

namespace testutil {

struct ToolSetup {
    std::wstring manifestLine = L"10107=1.3.22.1026";  // empty: no manifest file at all
    std::wstring manifestAddress;  // instead of the manifest file, e.g. an http:// address
    bool withDll = true;
    const wchar_t* windowsVersion = L"win10";
    int logPixels = 96;
};

class CPanelFixture {
public:
    // Copies the tool into C:\kestrune-tests\<name> and prepares its settings.
    CPanelFixture(const std::wstring& name, const ToolSetup& setup = ToolSetup());
    ~CPanelFixture();

    bool Start();
    // The panel, once the start-up probe has ended (no popup left); null when it never got there.
    HWND WaitReady(DWORD timeoutMs = 60000);
    // The text of the prompt that is open now (waits for one), and its confirm button.
    std::wstring WaitPrompt(DWORD timeoutMs = 60000);
    void ConfirmPrompt();
    // Screen rectangle of a control of the panel.
    RECT ControlRect(int id) const;
    void ClickControl(int id);
    // Picks the list entry through the real drop-down list.
    bool PickDumpType(int index);
    // The lines of the companion's call log written since the fixture started.
    std::string NewCalls() const;

    bool IsRunning() { return !m_tool.WaitForExit(0); }

    toolrun::CToolProcess m_tool;
    std::wstring m_folder;
    std::wstring m_exe;
    std::wstring m_manifest;  // the manifest file the companion reads
    HWND m_hPanel = nullptr;

private:
    size_t m_callLogStart = 0;
};

std::wstring CompanionCallLog();
// The prefix's Windows folder dumps: a MEMORY.DMP of size bytes and n minidumps.
void InstallDumps(long long memorySize, int minidumps);
void RemoveDumps();
bool ReadCrashControl(const wchar_t* name, DWORD& value);
// The value as text, "absent" when there is none.
std::wstring CrashControlText(const wchar_t* name);
// CrashDumpEnabled 99 and FilterPages 5: values no dump type writes.
void ResetCrashControl();

}  // namespace testutil
