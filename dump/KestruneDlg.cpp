#include "dump/KestruneDlg.h"
#include "fw/EarlyExit.h"
#include "fw/Handle.h"
#include "dump/DumpCatalog.h"
#include "fw/Thread.h"
#include "resource.h"
#include "ui/popups/ExecutePromptDlg.h"
#include "ui/popups/PromptDlg.h"

#include <oleauto.h>

namespace {

const unsigned kPanelPng = 139;

#ifdef KESTRUNE_TEST_SEAMS
// A test may hold the first gating thread between its read and its apply until a second one
// waits for the gate or is through it: KESTRUNE_GATE_SEAM names the test's semaphores. Only the
// test build has it: any process that starts the elevated tool could set the variable.
LONG g_gateSeamTaken = 0;

struct CGateSeam {
    CGateSeam()
    {
        wchar_t name[64] = {};
        DWORD length = GetEnvironmentVariableW(L"KESTRUNE_GATE_SEAM", name, 64);
        if (length == 0 || length >= 64)
            return;
        m_held.Attach(Open(name, L"-held"));
        m_go.Attach(Open(name, L"-go"));
        m_done.Attach(Open(name, L"-done"));
        m_holder = m_go.IsValid() && InterlockedExchange(&g_gateSeamTaken, 1) == 0;
    }
    // Only a semaphore the test has made.
    static HANDLE Open(const std::wstring& name, const wchar_t* suffix)
    {
        return OpenSemaphoreW(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, (name + suffix).c_str());
    }
    HANDLE SignalIfBusy() const { return m_go.Get(); }
    void Hold()
    {
        if (m_holder && ReleaseSemaphore(m_held.Get(), 1, nullptr))
            WaitForSingleObject(m_go.Get(), 60000);
    }
    void Through()
    {
        if (m_go.IsValid())
            ReleaseSemaphore(m_holder ? m_done.Get() : m_go.Get(), 1, nullptr);
    }

    CHandle m_held, m_go, m_done;
    bool m_holder = false;
};
#else
struct CGateSeam {
    HANDLE SignalIfBusy() const { return nullptr; }
    void Hold() {}
    void Through() {}
};
#endif

}  // namespace

CKestruneDlg::CKestruneDlg() : CControlLayerDlg(IDD_KESTRUNE_DIALOG, 1, kPanelPng) {}

CKestruneDlg::~CKestruneDlg()
{
    delete m_pBusyDlg;
}

void CKestruneDlg::DoDataExchange()
{
    DDX_Control(IDC_BTN_CLOSE, m_btnClose);
    DDX_Control(IDC_BTN_MINIMIZE, m_btnMinimize);
    DDX_Control(IDC_STATIC_TITLE, m_title);
    DDX_Control(IDC_COMBO_DUMP_TYPE, m_listDumpType);
    DDX_Control(IDC_BTN_SET, m_btnSet);
    DDX_Control(IDC_BTN_EXPORT, m_btnExport);
    DDX_Control(IDC_BTN_MORE_TOOLS, m_btnMoreTools);
    DDX_Control(IDC_CHECK_AGREE, m_chkAgree);
    DDX_Control(IDC_LINK_AGREEMENT, m_linkAgreement);
    DDX_Control(IDC_LINK_FEEDBACK, m_linkFeedback);
}

BOOL CKestruneDlg::OnInitDialog()
{
    CControlLayerDlg::OnInitDialog();
    if (!LoadBackground())
        return TRUE;
    DetectHostClient();
    RunStartupChecks();
    TakePlacement();
    LayoutControls(true);
    FillDumpTypeList();
    SetTimer(m_hWnd, IDT_LINK_HOVER, 100, nullptr);
    SetTimer(m_hWnd, IDT_STARTUP_CHECK, 100, nullptr);
    m_bLaidOut = 1;
    return TRUE;
}

void CKestruneDlg::RunStartupChecks()
{
    if (!m_jobs.SetTargetWindow(m_hWnd))
        FailStartup(L"工具初始化失败");
    if (!m_jobs.DetectOsClass())
        FailStartup(L"此工具不支持当前系统");
    if (!m_hook.SetNotifyWindow(m_hWnd))
        FailStartup(L"工具初始化失败");
    if (!m_hook.Install())
        FailStartup(L"工具初始化失败");
    if (!m_feedbackLib.Load())
        FailStartup(L"工具初始化失败");
    if (m_feedbackLib.InitFreedbackDll(&m_feedbackInfo) == 0)
        FailStartup(L"工具初始化失败");
}

void CKestruneDlg::FailStartup(const wchar_t* text)
{
    ShowPrompt(text);
    ExitEarly();
}

void CKestruneDlg::FillDumpTypeList()
{
    for (int i = 0; i < DumpTypeCount(m_jobs.m_osClass); ++i)
        m_listDumpType.InsertString(i, DumpTypeAt(m_jobs.m_osClass, i)->text);
}

void CKestruneDlg::ShowPrompt(const wchar_t* text, HWND owner)
{
    CPromptDlg prompt(owner);
    prompt.m_fScale = m_fScale;
    prompt.SetPromptText(text);
    prompt.SetButtonMode(Confirm);
    prompt.DoModal();
}

void CKestruneDlg::RunBusyPopup(const wchar_t* text)
{
    delete m_pBusyDlg;
    m_pBusyDlg = new CExecutePromptDlg(m_hWnd);
    m_pBusyDlg->SetBusyText(text);
    m_pBusyDlg->m_fScale = m_fScale;
    m_pBusyDlg->DoModal();
}

void CKestruneDlg::OnSet()
{
    int index = m_listDumpType.GetCurSel();
    if (index < 0) {
        ShowPrompt(L"请选择设置项！");
        return;
    }
    if (!m_jobs.StartSetDumpTypeJob(index)) {
        ShowPrompt(L"设置失败！");
        return;
    }
    RunBusyPopup(L"正在设置，请稍等");
}

void CKestruneDlg::OnExport()
{
    if (!m_jobs.StartExportJob()) {
        ShowPrompt(L"导出失败！");
        return;
    }
    RunBusyPopup(L"正在导出，请稍等");
}

void CKestruneDlg::RunUpdateAndProbe()
{
    KillTimer(m_hWnd, IDT_STARTUP_CHECK);
    if (m_feedbackLib.GetToolIsNewVersion(kToolId, kToolVersion) == 3) {
        const wchar_t* text = L"检测到当前工具有新的版本，请下载最新版本使用。";
        if (m_nDeviceType == 1)
            text = L"检测到当前工具有新的版本，请在Tesquin客户端下载最新版本使用。";
        else if (m_nDeviceType == 2)
            text = L"检测到当前工具有新的版本，请在Varnel客户端下载最新版本使用。";
        {
            CPromptDlg prompt(m_hWnd);
            prompt.m_fScale = m_fScale;
            prompt.SetButtonMode(Confirm);
            prompt.SetPromptText(text);
            prompt.DoModal();
        }
        if (m_nDeviceType != 1 && m_nDeviceType != 2)
            m_feedbackLib.OpenToolDownUrl();
        ExitEarly();
    }
    if (!m_jobs.StartDumpProbeJob()) {
        ShowPrompt(L"检测系统文件失败！");
        return;
    }
    RunBusyPopup(L"正在检测，请稍等");
}

LRESULT CKestruneDlg::OnJobResult(WPARAM result)
{
    // The panel owns the result's prompt, so that it is disabled with the frame: the default
    // owner is the frame alone when the tool was not the active program as the busy popup ended,
    // and a click on the panel would then delete the busy popup whose loop is still running.
    switch (result) {
    case DumpFilesPresent:
        EnableWindow(m_btnExport.m_hWnd, TRUE);
        m_btnExport.Invalidate(true);
        break;
    case DumpFilesAbsent:
        EnableWindow(m_btnExport.m_hWnd, FALSE);
        m_btnExport.Invalidate(true);
        break;
    case ExportFolderFailed:
        ShowPrompt(L"创建导出系统蓝屏文件目录失败", m_hWnd);
        break;
    case ExportFailed:
        ShowPrompt(L"导出失败", m_hWnd);
        break;
    case ExportSucceeded:
        ShowPrompt(L"导出成功，文件已导出至桌面BlueScreen文件夹下", m_hWnd);
        break;
    case SetSucceeded:
        ShowPrompt(L"设置成功，重启电脑后生效", m_hWnd);
        break;
    case SetFailed:
        ShowPrompt(L"设置失败", m_hWnd);
        break;
    }
    return 1;
}

LRESULT CKestruneDlg::OnCloseBusyPrompt()
{
    // The request may come before the popup's window exists; the popup keeps it until then.
    if (m_pBusyDlg != nullptr)
        m_pBusyDlg->RequestClose();
    return 1;
}

DWORD WINAPI CKestruneDlg::AgreementGatingThread(LPVOID context)
{
    auto* self = static_cast<CKestruneDlg*>(context);
    CGateSeam seam;
    {
        // Read and apply as one step: of two quick clicks, the thread that applies last has read
        // the latest state.
        CSingleLock lock(self->m_csAgreement, seam.SignalIfBusy());
        bool ticked = SendMessageW(self->m_chkAgree.m_hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        seam.Hold();
        EnableWindow(self->m_btnSet.m_hWnd, ticked ? TRUE : FALSE);
        InvalidateRect(self->m_btnSet.m_hWnd, nullptr, TRUE);
    }
    seam.Through();
    return 0;
}

void CKestruneDlg::OnAgreeClicked()
{
    StartDetachedThread(AgreementGatingThread, this);
}

void CKestruneDlg::OnMoreTools()
{
    m_feedbackLib.OpenUrl(m_feedbackInfo.szMoreToolsUrl);
}

void CKestruneDlg::OnLButtonDown(WPARAM, LPARAM lParam)
{
    POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(m_hWnd, &point);
    if (m_linkFeedback.HitTest(point.x, point.y))
        m_feedbackLib.FeedbackQuestion(kToolId, kToolVersion);
    if (m_linkAgreement.HitTest(point.x, point.y))
        m_feedbackLib.OpenUseAgreementUrl();
}

bool CKestruneDlg::OnCommand(WORD id, WORD code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_CHECK_AGREE:
        OnAgreeClicked();
        return true;
    case IDC_BTN_CLOSE:
        SendMessageW(GetOwner(), WM_CLOSE, 0, 0);
        return true;
    case IDC_BTN_MINIMIZE:
        PostMessageW(GetOwner(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return true;
    case IDC_BTN_SET:
        OnSet();
        return true;
    case IDC_BTN_EXPORT:
        OnExport();
        return true;
    case IDC_BTN_MORE_TOOLS:
        OnMoreTools();
        return true;
    }
    return false;
}

void CKestruneDlg::OnDestroy()
{
    m_btnClose.FreeStateImages();
    m_btnMinimize.FreeStateImages();
    m_btnSet.FreeStateImages();
    m_btnExport.FreeStateImages();
    m_btnMoreTools.FreeStateImages();
    // The title paints from the background until its window is gone.
    m_title.SetBkImage(nullptr);
    KillTimer(m_hWnd, IDT_LINK_HOVER);
    delete m_pBusyDlg;
    m_pBusyDlg = nullptr;
    m_hook.Uninstall();
    m_feedbackLib.Free();
}

LRESULT CKestruneDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
    case WM_ERASEBKGND:
    case WM_SIZE:
        return OnLayerMessage(message, wParam, lParam);
    case WM_NCHITTEST:
        return OnNcHitTest(wParam, lParam);
    case WM_TIMER:
        if (wParam == IDT_LINK_HOVER) {
            POINT cursor = {};
            GetCursorPos(&cursor);
            m_linkAgreement.UpdateHover(cursor.x, cursor.y);
        } else if (wParam == IDT_STARTUP_CHECK) {
            RunUpdateAndProbe();
        }
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        break;
    case WM_JOB_RESULT:
        return OnJobResult(wParam);
    case WM_CLOSE_BUSY_PROMPT:
        return OnCloseBusyPrompt();
    case WM_HOOK_LBUTTONDOWN:
        return 1;
    case WM_CLOSE:
        // Alt+F4 on the panel closes the window pair through its frame.
        SendMessageW(GetOwner(), WM_CLOSE, 0, 0);
        return 0;
    }
    return CControlLayerDlg::WindowProc(message, wParam, lParam);
}
