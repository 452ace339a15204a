// What the popup tests share: an owner window with the main frame's size, popups that tell another
// thread their frame, a modal run driven from another thread, the control layer found from its
// frame, a layout read as one text, and the pixels of a window.
#pragma once
#include "XInput.h"
#include "fw/GdiPlus.h"

#include <atomic>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace popuptest {

// GDI+ for the whole test program.
struct GdiplusForTests {
    GdiplusForTests() { session.Startup(); }
    CGdiplusSession session;
};

// A visible top-level window of the main frame's face size, 400 x 600, as the popups' owner.
class COwnerWindow {
public:
    COwnerWindow(int x, int y, WNDPROC procedure = DefWindowProcW);
    ~COwnerWindow() { DestroyWindow(m_hWnd); }
    HWND Handle() const { return m_hWnd; }

private:
    HWND m_hWnd = nullptr;
};

// Polls (sleeping, no message pump) until predicate() holds; its last value.
bool WaitFor(const std::function<bool()>& predicate, DWORD timeoutMs = 30000);

// A popup that publishes its frame and control layer once initialised, for the thread that
// drives it.
template <typename Popup>
class CWatched : public Popup {
public:
    using Popup::Popup;
    std::atomic<HWND> m_hFrame{nullptr};
    std::atomic<HWND> m_hLayer{nullptr};
    // Waits until the frame and its layer are visible; the layer, or null.
    HWND WaitShown() const
    {
        bool up = WaitFor([&] { return IsWindowVisible(m_hFrame) && IsWindowVisible(m_hLayer); });
        return up ? m_hLayer.load() : nullptr;
    }

    // System closes the frame handled, and whether a message posted after them found it running.
    std::atomic<int> m_systemCloses{0};
    std::atomic<bool> m_runningAfterClose{false};
    static const UINT kAfterClose = WM_APP + 7;

protected:
    BOOL OnInitDialog() override
    {
        BOOL result = Popup::OnInitDialog();
        m_hLayer = this->GetChildLayer();
        m_hFrame = this->m_hWnd;
        return result;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kAfterClose)
            m_runningAfterClose = IsWindowVisible(this->m_hWnd) != FALSE;
        LRESULT result = Popup::WindowProc(message, wParam, lParam);
        m_systemCloses += message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE;
        return result;
    }
};

// Alt+F4 as a user presses it while the frame is the active window, the pointer on the popup;
// true when the frame handled it and the popup ran on (what ending it posts comes first).
template <typename Popup>
bool AltF4LeavesOpen(CWatched<Popup>& popup)
{
    HWND frame = popup.m_hFrame;
    RECT rc = {};
    GetWindowRect(popup.m_hLayer, &rc);
    xinput::MoveOnto(popup.m_hLayer, (rc.left + rc.right) / 2, rc.top + 10);
    WaitFor([&] { return GetForegroundWindow() == frame; });
    xinput::Xdo("key alt+F4");
    if (!WaitFor([&] { return popup.m_systemCloses > 0; }))
        return false;
    PostMessageW(frame, popup.kAfterClose, 0, 0);
    WaitFor([&] { return popup.m_runningAfterClose || !IsWindowVisible(frame); });
    return popup.m_runningAfterClose;
}

// forced: the layer never showed, or the popup was still open 30 s after the driver was done
// and was ended from outside, not by any way of its own.
struct ModalRun {
    INT_PTR result = -1;
    bool forced = false;
};
// Runs the popup modally on this thread while drive(frame, layer) acts on it from another one.
template <typename Popup>
ModalRun RunModal(Popup& popup, UINT endMessage, const std::function<void(HWND, HWND)>& drive)
{
    ModalRun run;
    std::thread driver([&] {
        HWND layer = popup.WaitShown();
        HWND frame = popup.m_hFrame;
        // Once it has painted: nothing of the layer or its controls is left to paint.
        auto painted = [&] {
            HWND control = GetWindow(layer, GW_CHILD);
            while (control != nullptr && !GetUpdateRect(control, nullptr, FALSE))
                control = GetWindow(control, GW_HWNDNEXT);
            return control == nullptr && !GetUpdateRect(layer, nullptr, FALSE);
        };
        if (layer != nullptr && WaitFor(painted))
            drive(frame, layer);
        if (layer == nullptr || !WaitFor([&] { return !IsWindowVisible(frame); })) {
            run.forced = true;
            PostMessageW(frame, endMessage, 0, 0);
        }
    });
    run.result = popup.DoModal();
    driver.join();
    return run;
}

RECT WindowRectOf(HWND hWnd);
std::wstring TextOf(HWND hWnd);
// "frame L T R B | layer L T R B | id L T R B ...": the frame on the screen, the layer in the frame
// and the controls in the layer's client area ("id -" when hidden), to compare with a golden text.
std::string Layout(HWND frame, HWND layer, std::initializer_list<int> controlIds);
// A real click on the control's centre.
void ClickCentreOf(HWND control);

// The window's client pixels as 0x00RRGGBB, row by row; empty when they cannot be read.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned> data;
    unsigned At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};
Pixels CapturePixels(HWND hWnd);

}  // namespace popuptest
