// Shows the prompt with a long two-line message and the busy popup over the real main frame and
// takes screenshots into KESTRUNE_SCREENSHOT_DIR: popups-prompt, then popups-busy-early (no dots
// yet) and popups-busy-later (two dots). Run by scripts/screenshots-popups.sh.
#include "PopupTestUtil.h"
#include "ToolDriver.h"
#include "app/DrovanixKestruneDlg.h"
#include "dump/CrashDumpJobs.h"
#include "fw/WinApp.h"
#include "resource.h"
#include "ui/popups/ExecutePromptDlg.h"
#include "ui/popups/PromptDlg.h"

#include <commctrl.h>

using namespace popuptest;

namespace {

// The dialogs find their default owner through the application's main window.
class CDemoApp : public CWinApp {};
CDemoApp theApp;

void ShowPrompt()
{
    // Without a parent, as the tool's prompts: owned by the main window's last active popup.
    CWatched<CPromptDlg> prompt;
    prompt.m_fScale = QueryDisplayScale();
    prompt.SetPromptText(L"检测到当前工具有新的版本，请在Tesquin客户端下载最新版本使用。");
    prompt.SetButtonMode(Confirm);
    RunModal(prompt, WM_PROMPT_RESULT, [](HWND, HWND layer) {
        testutil::Screenshot(L"popups-prompt");
        ClickCentreOf(GetDlgItem(layer, IDC_PROMPT_OK));
    });
}

void ShowBusy()
{
    CWatched<CExecutePromptDlg> busy(GetDefaultDialogOwner());
    busy.m_fScale = QueryDisplayScale();
    busy.SetBusyText(L"正在检测，请稍等");
    // As soon as it has painted and 2.4 s after: no dots yet, then two.
    RunModal(busy, WM_CLOSE_BUSY_PROMPT, [](HWND frame, HWND) {
        DWORD shown = GetTickCount();
        testutil::Screenshot(L"popups-busy-early");
        WaitFor([&] { return GetTickCount() - shown >= 2400; }, 5000);
        testutil::Screenshot(L"popups-busy-later");
        SendMessageW(frame, WM_CLOSE_BUSY_PROMPT, 0, 0);
    });
}

void CALLBACK ShowPopups(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    ShowPrompt();
    ShowBusy();
    // The demo ends here: the main frame's orderly end would start the exit clean-up.
    ExitProcess(0);
}

}  // namespace

int main()
{
    CGdiplusSession gdiplus;
    gdiplus.Startup();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    CDrovanixKestruneDlg frame;
    theApp.m_pMainWnd = &frame;
    // Once the tool has settled (its own start-up probe included), inside the main frame's loop.
    SetTimer(nullptr, 0, 4000, ShowPopups);
    frame.DoModal();
    return 1;
}
