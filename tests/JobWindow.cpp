#include "JobWindow.h"
#include "dump/CrashDumpJobs.h"

CJobWindow::CJobWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KestruneJobWindow";
    RegisterClassW(&wc);  // a second registration fails harmlessly
    m_hWnd = CreateWindowExW(0, wc.lpszClassName, L"jobs", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                             nullptr, wc.hInstance, this);
}

CJobWindow::~CJobWindow()
{
    if (m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CJobWindow::Procedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CJobWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (self != nullptr && (message == WM_CLOSE_BUSY_PROMPT || message == WM_JOB_RESULT)) {
        self->m_messages.push_back(message);
        if (message == WM_JOB_RESULT)
            self->m_result = static_cast<int>(wParam);
        return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}
