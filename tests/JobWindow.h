// A real, hidden top-level window that records the jobs' messages in order. The tests run a job on
// their own thread, so its messages arrive before it returns.
#pragma once
#include <windows.h>
#include <vector>

class CJobWindow {
public:
    CJobWindow();
    ~CJobWindow();
    HWND Handle() const { return m_hWnd; }
    // Message ids received, and the last result.
    std::vector<UINT> m_messages;
    int m_result = 0;

private:
    static LRESULT CALLBACK Procedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_hWnd = nullptr;
};
