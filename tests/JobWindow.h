// A real, hidden top-level window that receives the jobs' messages and records them in order.
#pragma once
#include <windows.h>
#include <vector>

class CJobWindow {
public:
    CJobWindow();
    ~CJobWindow();
    HWND Handle() const { return m_hWnd; }
    // Pumps messages until WM_JOB_RESULT arrives; false on timeout.
    bool WaitForResult(DWORD timeoutMs = 120000);
    // Message ids received, and the last result.
    std::vector<UINT> m_messages;
    int m_result = 0;

private:
    static LRESULT CALLBACK Procedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_hWnd = nullptr;
};
