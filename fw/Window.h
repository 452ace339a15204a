// Thin window object: owns nothing but the link to its HWND. A static procedure finds the object
// through the window's user data and calls its WindowProc, where each class handles its messages.
#pragma once
#include <windows.h>

// Messages a parent sends back to the control that caused them (owner drawing).
constexpr UINT OCM_BASE = WM_USER + 0x1C00;
constexpr UINT OCM_DRAWITEM = OCM_BASE + WM_DRAWITEM;

class CWindow {
public:
    CWindow() = default;
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND m_hWnd = nullptr;

    // The object linked to a window by this layer, or null for any other window.
    static CWindow* FromHandle(HWND hWnd);

    // Routes the messages of an existing window (a dialog item) through this object.
    bool SubclassWindow(HWND hWnd);
    HWND UnsubclassWindow();

    // Offered every queued message of a modal loop before it is dispatched; true consumes it.
    virtual bool PreTranslateMessage(MSG* msg);

    bool IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase ? TRUE : FALSE); }
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    void MoveWindow(int x, int y, int width, int height, bool repaint = true) const
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint ? TRUE : FALSE);
    }
    void MoveWindow(const RECT& rc, bool repaint = true) const
    {
        MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, repaint);
    }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND GetOwner() const { return ::GetWindow(m_hWnd, GW_OWNER); }

protected:
    // Handles one message; the default passes it to the window's previous procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Links the object to a window whose procedure is about to become StaticWindowProc.
    void Attach(HWND hWnd);

    static LRESULT CALLBACK StaticWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    WNDPROC m_pfnSuper = nullptr;
};
