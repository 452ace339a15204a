// A real, hidden top-level window that records the jobs' messages in order. The tests run a job on
// their own thread, so its messages arrive before it returns.
#pragma once
#include "dump/CrashDumpJobs.h"

#include <windows.h>
#include <vector>

class CJobWindow {
public:
    CJobWindow()
    {
        WNDCLASSW wc = {0, Procedure, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr,
                        nullptr, L"KestruneJobWindow"};
        RegisterClassW(&wc);  // a second registration fails harmlessly
        m_hWnd = CreateWindowExW(0, wc.lpszClassName, L"jobs", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                 nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CJobWindow() { DestroyWindow(m_hWnd); }
    HWND Handle() const { return m_hWnd; }
    std::vector<UINT> m_messages;  // ids received, in order
    int m_result = 0;              // of the last WM_JOB_RESULT

private:
    static LRESULT CALLBACK Procedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<CJobWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (self == nullptr || (message != WM_CLOSE_BUSY_PROMPT && message != WM_JOB_RESULT))
            return DefWindowProcW(hWnd, message, wParam, lParam);
        self->m_messages.push_back(message);
        if (message == WM_JOB_RESULT)
            self->m_result = static_cast<int>(wParam);
        return 0;
    }
    HWND m_hWnd;
};
