// Owners of GDI objects and device contexts, so every early return releases them.
#pragma once
#include <windows.h>

template <typename T>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(T h) : m_h(h) {}
    ~CGdiObject() { Delete(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    T Get() const { return m_h; }
    bool IsNull() const { return m_h == nullptr; }
    void Attach(T h) { Delete(); m_h = h; }
    T Detach() { T h = m_h; m_h = nullptr; return h; }
    void Delete()
    {
        if (m_h != nullptr)
            DeleteObject(m_h);
        m_h = nullptr;
    }

private:
    T m_h = nullptr;
};

using CFont = CGdiObject<HFONT>;
using CBrush = CGdiObject<HBRUSH>;
using CBitmap = CGdiObject<HBITMAP>;

// A memory device context compatible with another one.
class CMemoryDC {
public:
    CMemoryDC() = default;
    explicit CMemoryDC(HDC compatibleWith) : m_hDC(CreateCompatibleDC(compatibleWith)) {}
    ~CMemoryDC() { Delete(); }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    bool Create(HDC compatibleWith)
    {
        Delete();
        m_hDC = CreateCompatibleDC(compatibleWith);
        return m_hDC != nullptr;
    }
    void Delete()
    {
        if (m_hDC != nullptr)
            DeleteDC(m_hDC);
        m_hDC = nullptr;
    }
    HDC Get() const { return m_hDC; }
    bool IsNull() const { return m_hDC == nullptr; }

private:
    HDC m_hDC = nullptr;
};

// GetDC / ReleaseDC of a window (null: the screen).
class CClientDC {
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(GetDC(hWnd)) {}
    ~CClientDC()
    {
        if (m_hDC != nullptr)
            ReleaseDC(m_hWnd, m_hDC);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// GetWindowDC / ReleaseDC: the whole window, non-client area included.
class CWindowDC {
public:
    explicit CWindowDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(GetWindowDC(hWnd)) {}
    ~CWindowDC()
    {
        if (m_hDC != nullptr)
            ReleaseDC(m_hWnd, m_hDC);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// BeginPaint / EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = BeginPaint(hWnd, &m_ps); }
    ~CPaintDC() { EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC Get() const { return m_hDC; }
    const PAINTSTRUCT& Info() const { return m_ps; }

private:
    HWND m_hWnd;
    HDC m_hDC = nullptr;
    PAINTSTRUCT m_ps = {};
};

// Selects an object into a DC and puts the previous one back at scope end.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object)
        : m_hDC(dc), m_hOld(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~CSelectObject()
    {
        if (m_hOld != nullptr)
            SelectObject(m_hDC, m_hOld);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};
