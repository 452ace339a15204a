#include "fw/Dialog.h"
#include "fw/WinApp.h"

namespace {

// Whether the template asks for position (0, 0) without a centring style of its own.
bool TemplateAtOrigin(const void* data, DWORD size)
{
    const BYTE* bytes = static_cast<const BYTE*>(data);
    WORD signature = size >= 4 ? *reinterpret_cast<const WORD*>(bytes + 2) : 0;
    DWORD style = 0;
    short x = 0;
    short y = 0;
    if (signature == 0xFFFF && size >= 22) {  // DLGTEMPLATEEX
        memcpy(&style, bytes + 12, sizeof(style));
        memcpy(&x, bytes + 18, sizeof(x));
        memcpy(&y, bytes + 20, sizeof(y));
    } else if (size >= 14) {  // DLGTEMPLATE
        memcpy(&style, bytes, sizeof(style));
        memcpy(&x, bytes + 10, sizeof(x));
        memcpy(&y, bytes + 12, sizeof(y));
    } else {
        return false;
    }
    return x == 0 && y == 0 && !(style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN | WS_CHILD));
}

// Offers a message to every window of this layer from its target up the parent/owner chain.
bool PreTranslateChain(MSG* msg)
{
    for (HWND hWnd = msg->hwnd; hWnd != nullptr; hWnd = ::GetParent(hWnd)) {
        CWindow* window = CWindow::FromHandle(hWnd);
        if (window != nullptr && window->PreTranslateMessage(msg))
            return true;
    }
    return false;
}

}  // namespace

HWND GetDefaultDialogOwner()
{
    CWinApp* app = CWinApp::GetApp();
    if (app == nullptr || app->m_pMainWnd == nullptr || !app->m_pMainWnd->IsWindow())
        return nullptr;
    // A popup that has ended but whose loop has not yet unwound is hidden: never an owner.
    HWND popup = GetLastActivePopup(app->m_pMainWnd->m_hWnd);
    return popup != nullptr && IsWindowVisible(popup) ? popup : app->m_pMainWnd->m_hWnd;
}

void CenterWindowOverOwner(HWND hWnd, HWND owner)
{
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : hWnd, MONITOR_DEFAULTTONEAREST),
                    &monitor);
    RECT area = monitor.rcWork;
    RECT center = area;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner))
        ::GetWindowRect(owner, &center);
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    int left = (center.left + center.right) / 2 - width / 2;
    int top = (center.top + center.bottom) / 2 - height / 2;
    // Keep the dialog on the work area.
    if (left + width > area.right)
        left = area.right - width;
    if (left < area.left)
        left = area.left;
    if (top + height > area.bottom)
        top = area.bottom - height;
    if (top < area.top)
        top = area.top;
    SetWindowPos(hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CDialog::CDialog(UINT templateId, HWND parent) : m_nTemplateId(templateId), m_hWndParent(parent) {}

CDialog::~CDialog()
{
    if (IsWindow())
        ::DestroyWindow(m_hWnd);
}

HWND CDialog::CreateFromTemplate(HWND owner)
{
    HMODULE module = GetResourceModule();
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(m_nTemplateId), MAKEINTRESOURCEW(5));
    HGLOBAL loaded = info != nullptr ? LoadResource(module, info) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return nullptr;
    m_bTemplateAtOrigin = TemplateAtOrigin(data, SizeofResource(module, info));
    return CreateDialogIndirectParamW(module, static_cast<LPCDLGTEMPLATEW>(data), owner,
                                      &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND parent)
{
    m_hWndParent = parent;
    m_bModal = false;
    return CreateFromTemplate(parent) != nullptr;
}

INT_PTR CDialog::DoModal()
{
    // A modal run started from a click handler: the pressed button still holds the mouse capture
    // and would take every click meant for the new dialog.
    HWND capture = GetCapture();
    if (capture != nullptr)
        SendMessageW(capture, WM_CANCELMODE, 0, 0);
    HWND owner = m_hWndParent != nullptr ? m_hWndParent : GetDefaultDialogOwner();
    while (owner != nullptr && (GetWindowLongW(owner, GWL_STYLE) & WS_CHILD))
        owner = ::GetParent(owner);
    // The top-level window of the owner chain is disabled too, as the main window must be.
    HWND top = owner;
    for (HWND next = owner; next != nullptr; next = ::GetParent(next))
        top = next;
    m_hModalOwner = owner;
    m_hModalTop = top;
    m_bEnableOwner = owner != nullptr && ::IsWindowEnabled(owner);
    m_bEnableTop = top != nullptr && top != owner && ::IsWindowEnabled(top);
    if (m_bEnableTop)
        ::EnableWindow(top, FALSE);
    if (m_bEnableOwner)
        ::EnableWindow(owner, FALSE);

    m_bModal = true;
    m_bModalEnded = false;
    m_nModalResult = -1;
    if (CreateFromTemplate(owner) != nullptr) {
        if (!m_bModalEnded && IsWindow() && !IsWindowVisible(m_hWnd))
            ShowWindow(m_hWnd, SW_SHOWNORMAL);
        MSG msg;
        while (!m_bModalEnded && IsWindow()) {
            BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (got < 0)
                break;
            if (!PreTranslateChain(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    if (IsWindow())
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    if (m_bEnableOwner)
        ::EnableWindow(owner, TRUE);
    m_bEnableOwner = false;
    if (owner != nullptr && GetActiveWindow() == m_hWnd)
        SetActiveWindow(owner);
    DestroyWindow();
    if (m_bEnableTop)
        ::EnableWindow(top, TRUE);
    m_bEnableTop = false;
    m_bModal = false;
    return m_nModalResult;
}

void CDialog::EndDialog(INT_PTR result)
{
    // A modeless dialog has no loop to end; its owner destroys it.
    m_nModalResult = result;
    m_bModalEnded = true;
    if (m_bModal && IsWindow()) {
        // Off the screen now, not when the loop unwinds: what the caller opens next (a result
        // prompt right after the busy popup's end) must never appear over it. As the system's
        // own EndDialog does, the owners come back first, so that the activation goes to them
        // and not to some other program's window.
        HWND active = GetActiveWindow();
        bool wasActive = active != nullptr &&
                         (active == m_hWnd || GetWindow(active, GW_OWNER) == m_hWnd);
        if (m_bEnableTop)
            ::EnableWindow(m_hModalTop, TRUE);
        if (m_bEnableOwner)
            ::EnableWindow(m_hModalOwner, TRUE);
        m_bEnableTop = m_bEnableOwner = false;
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        if (wasActive && m_hModalOwner != nullptr)
            SetActiveWindow(m_hModalOwner);
        // The loop may sleep in GetMessage when the end came from a message sent by another thread.
        PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
}

bool CDialog::DestroyWindow()
{
    if (!IsWindow())
        return false;
    return ::DestroyWindow(m_hWnd) != FALSE;
}

bool CDialog::PreTranslateMessage(MSG* msg)
{
    bool input = (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) ||
                 (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST);
    if (!input || m_hWnd == nullptr)
        return false;
    if (msg->hwnd != m_hWnd && !IsChild(m_hWnd, msg->hwnd))
        return false;
    return IsDialogMessageW(m_hWnd, msg) != FALSE;
}

BOOL CDialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

void CDialog::DDX_Control(int id, CWindow& control)
{
    if (control.m_hWnd == nullptr)
        control.SubclassWindow(GetDlgItem(m_hWnd, id));
}

bool CDialog::OnCommand(WORD, WORD, HWND)
{
    return false;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        WORD id = LOWORD(wParam);
        if (id == IDOK) {
            OnOK();
            return 0;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return 0;
        }
        if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return 0;
        break;
    }
    case WM_DRAWITEM: {
        // Owner drawing belongs to the control itself.
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item != nullptr && item->CtlType != ODT_MENU && FromHandle(item->hwndItem) != nullptr)
            return SendMessageW(item->hwndItem, OCM_DRAWITEM, wParam, lParam);
        break;
    }
    }
    return DefaultProc(message, wParam, lParam);
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->Attach(hWnd);
    RECT before = {};
    ::GetWindowRect(hWnd, &before);
    BOOL result = dialog->OnInitDialog();
    if (dialog->m_bModal && dialog->m_bTemplateAtOrigin && ::IsWindow(hWnd)) {
        RECT after = {};
        ::GetWindowRect(hWnd, &after);
        if (after.left == before.left && after.top == before.top)
            CenterWindowOverOwner(hWnd, GetWindow(hWnd, GW_OWNER));
    }
    return result;
}
