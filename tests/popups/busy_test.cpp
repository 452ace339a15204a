// The busy popup as a real window under Xvfb: placement, text, no way for the user to close it,
// and its close request from a worker: never lost whatever the timing, never ending a later popup.
#include "PopupTestUtil.h"
#include "dump/CrashDumpJobs.h"
#include "dump/DumpCatalog.h"
#include "resource.h"
#include "ui/popups/BusyMessages.h"
#include "ui/popups/ExecutePromptDlg.h"

#include <gtest/gtest.h>

using namespace popuptest;

namespace {

GdiplusForTests g_gdiplus;

// The busy popup that also tells whether it was ever shown.
class CBusyProbe : public CWatched<CExecutePromptDlg> {
public:
    using CWatched<CExecutePromptDlg>::CWatched;
    bool m_bShown = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SHOWWINDOW && wParam)
            m_bShown = true;
        return CWatched<CExecutePromptDlg>::WindowProc(message, wParam, lParam);
    }
};

// Stands in for the tool panel: the popups' owner, which forwards the worker's close request to
// its current busy popup, and counts the job results.
class CPanelStandIn : public COwnerWindow {
public:
    CPanelStandIn() : COwnerWindow(300, 150, Procedure) { s_panel = this; }

    CBusyProbe* m_pBusy = nullptr;
    int m_nRequests = 0;
    int m_nResults = 0;
    // Results that arrived while the busy popup, frame or layer, was still on the screen.
    int m_nBusyVisibleAtResult = 0;

private:
    static LRESULT CALLBACK Procedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        CPanelStandIn* panel = s_panel;
        if (message == WM_CLOSE_BUSY_PROMPT) {
            ++panel->m_nRequests;
            if (panel->m_pBusy != nullptr)
                panel->m_pBusy->RequestClose();
            return 0;
        }
        if (message == WM_JOB_RESULT) {
            ++panel->m_nResults;
            CBusyProbe* busy = panel->m_pBusy;
            if (busy && (IsWindowVisible(busy->m_hFrame) || IsWindowVisible(busy->m_hLayer)))
                ++panel->m_nBusyVisibleAtResult;
            return 0;
        }
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
    static inline CPanelStandIn* s_panel = nullptr;
};

// A popup still open long after its run began lost its request: it is ended from outside.
CBusyProbe* g_current = nullptr;
CBusyProbe* g_stuck = nullptr;
void CALLBACK EndStuckPopup(HWND, UINT, UINT_PTR, DWORD)
{
    g_stuck = g_current;
    g_current->RequestClose();
}

int WhitePixels(HWND label)
{
    Pixels pixels = CapturePixels(label);
    return static_cast<int>(std::count_if(pixels.data.begin(), pixels.data.end(), [](unsigned rgb) {
        return (rgb & 0xE0E0E0) == 0xE0E0E0;  // each channel above 223
    }));
}

}  // namespace

TEST(BusyPopup, ShownOverOwner_TextAndDots_CloseAndAltF4Ignored_WorkerRequestEndsIt)
{
    CPanelStandIn panel;
    // Fewer than two characters show the general waiting text.
    const wchar_t* cases[][2] = {{L"正在检测，请稍等", L"正在检测，请稍等"},
                                 {L"", L"正在修复，请稍等"},
                                 {L"等", L"正在修复，请稍等"},
                                 {L"稍等", L"稍等"}};
    for (const auto& c : cases) {
        CBusyProbe busy(panel.Handle());
        busy.SetBusyText(c[0]);
        std::string layout;
        std::wstring text;
        int textPixels = 0, morePixels = 0;
        bool openAfterUserTries = false;
        ModalRun run = RunModal(busy, WM_CLOSE_BUSY_PROMPT, [&](HWND frame, HWND layer) {
            HWND label = GetDlgItem(layer, IDC_BUSY_TEXT);
            layout = Layout(frame, layer, {IDC_BUSY_TEXT});
            text = TextOf(label);
            // White text and a dot more each second.
            textPixels = WhitePixels(label);
            WaitFor([&] { return (morePixels = WhitePixels(label)) > textPixels + 4; }, 10000);
            // Escape and Enter belong to frame and layer, tried on the tool's panel; Alt+F4 here:
            for (HWND hWnd : {frame, layer}) {
                PostMessageW(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
                PostMessageW(hWnd, WM_CLOSE, 0, 0);
            }
            openAfterUserTries = !WaitFor([&] { return !IsWindowVisible(frame); }, 500);
            // The worker's request, sent to the frame while the popup's loop sleeps.
            SendMessageW(frame, WM_CLOSE_BUSY_PROMPT, 0, 0);
        });
        EXPECT_EQ(IDOK, run.result);
        EXPECT_FALSE(run.forced) << "the loop slept on after the request";
        EXPECT_TRUE(openAfterUserTries);
        // 232 x 132 centred over the owner (centre 500, 450), the layer inside 14, 12, 14, 16.
        EXPECT_EQ("frame 384 384 616 516 | layer 14 12 218 116 | 1000 10 32 194 72", layout);
        EXPECT_EQ(c[1], text);
        EXPECT_GT(textPixels, 60);
        EXPECT_GT(morePixels, textPixels + 4) << "no dot appeared";
    }
}

// Each run: a worker whose close request comes at another moment, from right away (before the
// popup's window exists) to as soon as its frame exists; one run in five is the real dump probe.
TEST(BusyPopup, CloseRequest_AtAnyMomentOfTheStart_EndsEveryPopup_300Runs)
{
    const int kRuns = 300;
    CPanelStandIn panel;
    CCrashDumpJobs jobs;
    jobs.SetTargetWindow(panel.Handle());
    int notOk = 0, shownAfterEarlyRequest = 0, probeRuns = 0, toPanel = 0;
    for (int i = 0; i < kRuns && g_stuck == nullptr; ++i) {
        const int mode = i % 5;
        CBusyProbe busy(panel.Handle());
        busy.SetBusyText(L"正在检测，请稍等");
        g_current = &busy;
        toPanel += mode != 3;
        std::atomic<bool> sent{false};
        auto sendToPanel = [&] {
            SendMessageW(panel.Handle(), WM_CLOSE_BUSY_PROMPT, 0, 0);
            sent = true;
        };
        std::thread worker;
        // The panel's order: the worker starts first, then the popup object is made current.
        switch (mode) {
        case 0:  // at once
        case 1:  // at once, and handled before DoModal: the popup has no window yet
            worker = std::thread(sendToPanel);
            break;
        case 2:  // within a few milliseconds
            worker = std::thread([&, i] {
                Sleep(i % 4);
                sendToPanel();
            });
            break;
        case 3:  // straight to the frame, as soon as it exists
            worker = std::thread([&] {
                WaitFor([&] { return busy.m_hFrame != nullptr; });
                SendMessageW(busy.m_hFrame, WM_CLOSE_BUSY_PROMPT, 0, 0);
            });
            break;
        case 4:  // the real dump probe
            ++probeRuns;
            jobs.StartDumpProbeJob();
            break;
        }
        panel.m_pBusy = &busy;
        if (mode == 1)
            xinput::PumpUntil([&] { return sent.load(); }, 30000);
        int resultsBefore = panel.m_nResults;
        UINT_PTR deadline = SetTimer(nullptr, 0, 30000, EndStuckPopup);
        INT_PTR result = busy.DoModal();
        KillTimer(nullptr, deadline);
        if (worker.joinable())
            worker.join();
        if (mode == 4)
            xinput::PumpUntil([&] { return panel.m_nResults > resultsBefore; }, 30000);
        panel.m_pBusy = nullptr;
        notOk += result != IDOK;
        shownAfterEarlyRequest += mode == 1 && busy.m_bShown;
    }
    ASSERT_EQ(nullptr, g_stuck) << "a popup stayed open after its request";
    EXPECT_EQ(0, notOk);
    EXPECT_EQ(0, shownAfterEarlyRequest) << "a popup whose job had already ended was shown";
    EXPECT_EQ(toPanel, panel.m_nRequests) << "requests that reached the panel";
    EXPECT_EQ(probeRuns, panel.m_nResults);
}

// The result follows the close request at once and opens a prompt: by then the busy popup must be
// off the screen, or the prompt would open over it. Real jobs, repeated for the ordering to show.
TEST(BusyPopup, JobResult_BusyPopupAlreadyHidden_ProbeSetExport)
{
    CPanelStandIn panel;
    CCrashDumpJobs jobs;
    jobs.SetTargetWindow(panel.Handle());
    jobs.m_osClass = Win10;
    for (const char* kind : {"probe", "set", "export"}) {
        panel.m_nBusyVisibleAtResult = 0;
        for (int i = 0; i < (kind[0] == 'p' ? 40 : 6); ++i) {
            CBusyProbe busy(panel.Handle());
            int resultsBefore = panel.m_nResults;
            ASSERT_TRUE(kind[0] == 'p'   ? jobs.StartDumpProbeJob()
                        : kind[0] == 's' ? jobs.StartSetDumpTypeJob(4)
                                         : jobs.StartExportJob());
            panel.m_pBusy = &busy;
            EXPECT_EQ(IDOK, busy.DoModal());
            ASSERT_TRUE(xinput::PumpUntil([&] { return panel.m_nResults > resultsBefore; }, 60000));
            panel.m_pBusy = nullptr;
        }
        EXPECT_EQ(0, panel.m_nBusyVisibleAtResult) << kind;
    }
}

TEST(BusyPopup, LateRequestForEndedPopup_EndsNeitherTheNextPopupNorARerun)
{
    CPanelStandIn panel;
    // Runs the popup until the request sent for it 0.5 s after it showed; it stays open till then.
    auto runUntilOwnRequest = [&](CBusyProbe& busy, const char* which) {
        SCOPED_TRACE(which);
        panel.m_pBusy = &busy;
        busy.m_hFrame = busy.m_hLayer = nullptr;
        std::atomic<bool> done{false};
        bool stayedOpen = false;
        std::thread driver([&] {
            // A popup that never showed (ended by a stale request) gets no request of its own.
            if (busy.WaitShown() != nullptr) {
                Sleep(500);
                stayedOpen = IsWindowVisible(busy.m_hFrame) != FALSE;
                SendMessageW(panel.Handle(), WM_CLOSE_BUSY_PROMPT, 0, 0);
                if (!WaitFor([&] { return !IsWindowVisible(busy.m_hFrame); })) {
                    ADD_FAILURE() << "its own request did not end it";
                    PostMessageW(busy.m_hFrame, WM_CLOSE_BUSY_PROMPT, 0, 0);
                }
            }
            done = true;
        });
        EXPECT_EQ(IDOK, busy.DoModal());
        // A popup that ended too early leaves the driver's request to the panel still to serve.
        xinput::PumpUntil([&] { return done.load(); }, 60000);
        driver.join();
        EXPECT_TRUE(stayedOpen);
    };

    CBusyProbe first(panel.Handle());
    runUntilOwnRequest(first, "first");
    HWND firstFrame = first.m_hFrame;
    // Late requests for the ended popup: through the panel, and straight to its old frame.
    std::thread late([&] { SendMessageW(panel.Handle(), WM_CLOSE_BUSY_PROMPT, 0, 0); });
    xinput::PumpUntil([&] { return panel.m_nRequests == 2; }, 30000);
    late.join();
    EXPECT_EQ(2, panel.m_nRequests);
    PostMessageW(firstFrame, WM_CLOSE_BUSY_PROMPT, 0, 0);
    first.RequestClose();

    CBusyProbe second(panel.Handle());
    runUntilOwnRequest(second, "the next popup");
    // The same object run again ends only on its own new request.
    runUntilOwnRequest(first, "a rerun");
    panel.m_pBusy = nullptr;
}
