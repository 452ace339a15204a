// What the popup tests share: a main-frame-like owner window, popups that tell another thread
// their frame, a modal run driven from another thread, the control layer found from its frame,
// placements, key recording and pixel probes.
#pragma once
#include "ui/popups/ExecutePromptDlg.h"
#include "ui/popups/PromptDlg.h"

#include <atomic>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace popuptest {

// A visible top-level window with the main frame's size (400 x 600 face), as the popups' owner.
class COwnerWindow {
public:
    COwnerWindow(int x, int y, int width = 400, int height = 600);
    ~COwnerWindow();
    HWND Handle() const { return m_hWnd; }

private:
    HWND m_hWnd = nullptr;
};

// A popup that publishes its frame once initialised, for the thread that drives it.
template <typename Popup>
class CWatched : public Popup {
public:
    using Popup::Popup;
    std::atomic<HWND> m_hFrame{nullptr};

protected:
    BOOL OnInitDialog() override
    {
        BOOL result = Popup::OnInitDialog();
        m_hFrame = this->m_hWnd;
        return result;
    }
};

// How a modal run ended.
struct ModalRun {
    INT_PTR result = -1;
    // The layer never showed, or the popup was still open when the driver was done and was ended
    // from outside: none of its own ways ended it.
    bool forced = false;
};

// Waits for the layer, lets it paint for settleMs and runs drive(frame, layer); a popup still
// shown 3 s later gets endMessage. True when it had to, or when the layer never showed.
bool DriveShownPopup(const std::atomic<HWND>& frame, DWORD settleMs, UINT endMessage,
                     const std::function<void(HWND, HWND)>& drive);

// Runs the popup modally on this thread while DriveShownPopup acts on it from another one.
template <typename Popup>
ModalRun RunModal(Popup& popup, DWORD settleMs, UINT endMessage,
                  const std::function<void(HWND, HWND)>& drive)
{
    ModalRun run;
    std::thread driver(
        [&] { run.forced = DriveShownPopup(popup.m_hFrame, settleMs, endMessage, drive); });
    run.result = popup.DoModal();
    driver.join();
    return run;
}

// Polls (sleeping, no message pump) until predicate() holds; its last value.
bool WaitFor(const std::function<bool()>& predicate, DWORD timeoutMs);
// Waits until the frame and its control layer are visible; the layer, or null.
HWND WaitShown(const std::atomic<HWND>& frame, DWORD timeoutMs = 10000);
// The visible window owned by frame (its control layer), or null.
HWND FindLayer(HWND frame);
// A control's rectangle in its parent's client coordinates.
RECT ClientRectOfControl(HWND control);
RECT WindowRectOf(HWND hWnd);
POINT CenterOf(const RECT& rc);
std::wstring TextOf(HWND hWnd);
// A real click on the centre of the window.
void ClickCentreOf(HWND hWnd);

// rc relative to origin's top-left corner.
RECT Relative(const RECT& rc, const RECT& origin);
// "left top right bottom": a rectangle compared in one assertion.
std::string Ltrb(const RECT& rc);
// The frame and the layer on the screen, and the given controls of the layer in its client area.
struct Placement {
    RECT frame = {};
    RECT layer = {};
    std::map<int, RECT> controls;
    std::map<int, bool> visible;
};
Placement Measure(HWND frame, HWND layer, std::initializer_list<int> controlIds);

// Records the Escape and Enter key-downs that the calling thread's message loops take from the
// queue, with the window each was for.
class CKeyRecorder {
public:
    CKeyRecorder();
    ~CKeyRecorder();
    std::vector<HWND> Targets(WPARAM key) const;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hHook = nullptr;
};

// The window's client pixels as 0x00RRGGBB, row by row (read from its device context).
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned> data;
    unsigned At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};
Pixels CapturePixels(HWND hWnd);
// Rows (first, last) of consecutive rows that hold at least one pixel matching.
std::vector<std::pair<int, int>> RowBands(const Pixels& pixels,
                                          const std::function<bool(unsigned)>& match);
// Left and right columns of all matching pixels; (-1, -1) when none match.
std::pair<int, int> ColumnSpan(const Pixels& pixels, const std::function<bool(unsigned)>& match);
bool IsDark(unsigned rgb);
bool IsWhite(unsigned rgb);

}  // namespace popuptest
