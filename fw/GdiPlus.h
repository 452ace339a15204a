// GDI+ through mingw's headers: the session token and the owning image pointer.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <memory>

// A decoded image; empty until loaded. Deleting it disposes the GDI+ image.
using CImagePtr = std::unique_ptr<Gdiplus::Image>;

// GdiplusStartup / GdiplusShutdown around a scope.
class CGdiplusSession {
public:
    CGdiplusSession() = default;
    ~CGdiplusSession() { Shutdown(); }
    CGdiplusSession(const CGdiplusSession&) = delete;
    CGdiplusSession& operator=(const CGdiplusSession&) = delete;

    // Version 1, no debug callback, background thread and external codecs not suppressed.
    bool Startup()
    {
        Gdiplus::GdiplusStartupInput input;
        return Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    void Shutdown()
    {
        if (m_token != 0)
            Gdiplus::GdiplusShutdown(m_token);
        m_token = 0;
    }

private:
    ULONG_PTR m_token = 0;
};
