// The busy popup as a real window under Xvfb: placement, dots, no way for the user to close it,
// and its close request from a worker: never lost whatever the timing, never ending a later popup.
#include "PopupTestUtil.h"
#include "ToolDriver.h"
#include "XInput.h"
#include "dump/CrashDumpJobs.h"
#include "dump/DumpCatalog.h"
#include "fw/GdiPlus.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <thread>

using namespace popuptest;

namespace {

double NowMs()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The busy popup that also tells whether it was ever shown.
class CBusyProbe : public CWatched<CExecutePromptDlg> {
public:
    using CWatched<CExecutePromptDlg>::CWatched;
    static std::atomic<HWND> s_lastFrame;
    bool m_bShown = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_INITDIALOG)
            s_lastFrame = nullptr;
        if (message == WM_SHOWWINDOW && wParam)
            m_bShown = true;
        return CWatched<CExecutePromptDlg>::WindowProc(message, wParam, lParam);
    }
    BOOL OnInitDialog() override
    {
        BOOL result = CWatched<CExecutePromptDlg>::OnInitDialog();
        s_lastFrame = m_hWnd;
        return result;
    }
};
std::atomic<HWND> CBusyProbe::s_lastFrame{nullptr};

// Stands in for the tool panel: the popups' owner, which forwards the worker's close request to
// its current busy popup, and counts the job results.
class CPanelStandIn : public COwnerWindow {
public:
    CPanelStandIn() : COwnerWindow(300, 150)
    {
        SetWindowLongPtrW(Handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure));
    }

    CExecutePromptDlg* m_pBusy = nullptr;
    int m_nRequests = 0;
    int m_nResults = 0;
    // Results that arrived while the busy popup, frame or layer, was still on the screen.
    int m_nBusyVisibleAtResult = 0;

private:
    static LRESULT CALLBACK Procedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* panel = reinterpret_cast<CPanelStandIn*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (message == WM_CLOSE_BUSY_PROMPT) {
            ++panel->m_nRequests;
            if (panel->m_pBusy != nullptr)
                panel->m_pBusy->RequestClose();
            return 0;
        }
        if (message == WM_JOB_RESULT) {
            ++panel->m_nResults;
            HWND frame = panel->m_pBusy != nullptr ? panel->m_pBusy->m_hWnd : nullptr;
            HWND layer = frame != nullptr ? FindLayer(frame) : nullptr;
            if ((frame != nullptr && IsWindowVisible(frame)) || (layer != nullptr && IsWindowVisible(layer)))
                ++panel->m_nBusyVisibleAtResult;
            return 0;
        }
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
};

class BusyPopupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_gdiplus.Startup(); }
    static void TearDownTestSuite() { s_gdiplus.Shutdown(); }
    static CGdiplusSession s_gdiplus;
};
CGdiplusSession BusyPopupTest::s_gdiplus;

// Sends the close request to target (the frame or the panel) from this thread; a popup whose frame
// is still shown 2 s later is woken with a posted message and reported as stuck.
bool SendCloseRequest(HWND target, HWND frame)
{
    SendMessageW(target, WM_CLOSE_BUSY_PROMPT, 0, 0);
    if (WaitFor([&] { return !IsWindowVisible(frame); }, 2000))
        return true;
    PostMessageW(frame, WM_NULL, 0, 0);
    return false;
}

int Width(const std::pair<int, int>& span)
{
    return span.first < 0 ? 0 : span.second - span.first + 1;
}

}  // namespace

TEST_F(BusyPopupTest, ShownOverOwner_DotsGrowEachSecond_UserCannotCloseIt_WorkerRequestEndsItAtOnce)
{
    CPanelStandIn panel;
    CBusyProbe busy(panel.Handle());
    busy.SetBusyText(L"正在检测，请稍等");
    busy.m_fScale = 1.0f;
    Placement at;
    std::wstring text;
    std::pair<int, int> spans[3];
    bool openAfterUserTries = false, endedByRequest = false;
    double sendReturned = 0;
    CKeyRecorder keys;
    std::vector<HWND> popupWindows;
    std::thread driver([&] {
        HWND layer = WaitShown(busy.m_hFrame);
        HWND frame = busy.m_hFrame;
        ASSERT_NE(nullptr, layer);
        double shown = NowMs();
        at = Measure(frame, layer, {IDC_BUSY_TEXT});
        HWND label = GetDlgItem(layer, IDC_BUSY_TEXT);
        popupWindows = {frame, layer, label};
        text = TextOf(label);
        // The dots timer starts just before the popup shows: 0, 1 and 2 dots at these moments.
        const double moments[3] = {300, 1500, 2500};
        for (int i = 0; i < 3; ++i) {
            WaitFor([&] { return NowMs() - shown >= moments[i]; }, 5000);
            spans[i] = ColumnSpan(CapturePixels(label), IsWhite);
        }
        ClickCentreOf(layer);
        testutil::PressKey(L"Escape");
        testutil::PressKey(L"Return");
        testutil::PressKey(L"alt+F4");
        PostMessageW(frame, WM_CLOSE, 0, 0);
        PostMessageW(layer, WM_CLOSE, 0, 0);
        testutil::Pause(500);
        openAfterUserTries = IsWindowVisible(frame) && IsWindowVisible(layer);
        // The worker's request, sent to the frame while the popup's loop sleeps and dots show.
        WaitFor([&] { return Width(ColumnSpan(CapturePixels(label), IsWhite)) > Width(spans[0]); },
                3000);
        sendReturned = NowMs();
        endedByRequest = SendCloseRequest(frame, frame);
    });
    INT_PTR result = busy.DoModal();
    double returned = NowMs();
    driver.join();

    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(endedByRequest) << "the loop slept on after the request";
    EXPECT_LT(returned - sendReturned, 200.0);
    EXPECT_TRUE(openAfterUserTries);
    int keysForPopup = 0;
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        for (HWND target : keys.Targets(key))
            keysForPopup += std::count(popupWindows.begin(), popupWindows.end(), target);
    }
    EXPECT_EQ(2, keysForPopup) << "Escape and Enter reached the popup";
    // 232 x 132 centred over the owner (centre 500, 450), the layer inside margins 14, 12, 14, 16.
    EXPECT_EQ("384 384 616 516", Ltrb(at.frame));
    EXPECT_EQ("14 12 218 116", Ltrb(Relative(at.layer, at.frame)));
    EXPECT_EQ("10 32 194 72", Ltrb(at.controls[IDC_BUSY_TEXT]));
    EXPECT_EQ(L"正在检测，请稍等", text);
    // White text, a dot more each second.
    EXPECT_GT(Width(spans[0]), 60);
    EXPECT_GT(Width(spans[1]), Width(spans[0]));
    EXPECT_GT(Width(spans[2]), Width(spans[1]));
}

TEST_F(BusyPopupTest, ShortText_ShowsGeneralWaitingText)
{
    CPanelStandIn panel;
    const wchar_t* cases[][2] = {
        {L"", L"正在修复，请稍等"}, {L"等", L"正在修复，请稍等"}, {L"稍等", L"稍等"}};
    for (const auto& c : cases) {
        CBusyProbe busy(panel.Handle());
        busy.SetBusyText(c[0]);
        std::wstring shown;
        ModalRun run = RunModal(busy, 0, WM_CLOSE_BUSY_PROMPT, [&](HWND frame, HWND layer) {
            shown = TextOf(GetDlgItem(layer, IDC_BUSY_TEXT));
            SendMessageW(frame, WM_CLOSE_BUSY_PROMPT, 0, 0);
        });
        EXPECT_EQ(IDOK, run.result);
        EXPECT_FALSE(run.forced);
        EXPECT_EQ(c[1], shown);
    }
}

// Each run: a worker whose close request comes at another moment, from right away (before the
// popup's window exists) to after the popup has settled; one run in seven is the real dump probe.
TEST_F(BusyPopupTest, CloseRequest_AtAnyMomentOfTheStart_EndsEveryPopup_350Runs)
{
    const int kRuns = 350;
    CPanelStandIn panel;
    CCrashDumpJobs jobs;
    jobs.SetTargetWindow(panel.Handle());
    std::atomic<bool> running{true};
    std::atomic<double> runStart{0};
    std::atomic<int> rescued{0};
    // A run that hangs is ended from outside, counted, and the suite goes on.
    std::thread watchdog([&] {
        while (running) {
            Sleep(50);
            double start = runStart;
            if (start > 0 && NowMs() - start > 3000) {
                HWND frame = CBusyProbe::s_lastFrame;
                if (frame != nullptr && PostMessageW(frame, WM_CLOSE_BUSY_PROMPT, 0, 0)) {
                    ++rescued;
                    runStart = NowMs();
                }
            }
        }
    });
    int notOk = 0, shownAfterEarlyRequest = 0, probeRuns = 0;
    double slowest = 0;
    int slowestMode = -1;
    for (int i = 0; i < kRuns; ++i) {
        const int mode = i % 7;
        auto* busy = new CBusyProbe(panel.Handle());
        busy->SetBusyText(L"正在检测，请稍等");
        std::atomic<bool> sent{false};
        std::thread worker;
        auto sendToPanel = [&] {
            SendMessageW(panel.Handle(), WM_CLOSE_BUSY_PROMPT, 0, 0);
            sent = true;
        };
        double start = NowMs();
        runStart = start;
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
        case 3:  // within two milliseconds, busy-waiting
            worker = std::thread([&, i] {
                double until = NowMs() + (i * 37 % 2000) / 1000.0;
                while (NowMs() < until) {
                }
                sendToPanel();
            });
            break;
        case 4:  // straight to the frame, as soon as it exists
            worker = std::thread([&] {
                WaitFor([&] { return busy->m_hFrame != nullptr; }, 5000);
                SendMessageW(busy->m_hFrame, WM_CLOSE_BUSY_PROMPT, 0, 0);
                sent = true;
            });
            break;
        case 5:  // after the popup has settled and its loop sleeps
            worker = std::thread([&, i] {
                WaitShown(busy->m_hFrame);
                Sleep(30 + i % 50);
                sendToPanel();
            });
            break;
        case 6:  // the real dump probe
            ++probeRuns;
            jobs.StartDumpProbeJob();
            break;
        }
        panel.m_pBusy = busy;
        if (mode == 1)
            xinput::PumpUntil([&] { return sent.load(); }, 5000);
        int resultsBefore = panel.m_nResults;
        INT_PTR result = busy->DoModal();
        double elapsed = NowMs() - start;
        runStart = 0;
        if (worker.joinable())
            worker.join();
        if (mode == 6)
            xinput::PumpUntil([&] { return panel.m_nResults > resultsBefore; }, 5000);
        panel.m_pBusy = nullptr;
        if (result != IDOK)
            ++notOk;
        if (mode == 1 && busy->m_bShown)
            ++shownAfterEarlyRequest;
        if (elapsed > slowest) {
            slowest = elapsed;
            slowestMode = mode;
        }
        delete busy;
    }
    running = false;
    watchdog.join();

    EXPECT_EQ(0, rescued.load()) << "popups that stayed open after their request";
    EXPECT_EQ(0, notOk);
    EXPECT_EQ(0, shownAfterEarlyRequest) << "a popup whose job had already ended was shown";
    EXPECT_EQ(kRuns, panel.m_nRequests + kRuns / 7) << "requests that reached the panel";
    EXPECT_EQ(probeRuns, panel.m_nResults);
    // Far below the dots' one-second tick, which would otherwise wake a sleeping loop.
    EXPECT_LT(slowest, 600.0) << "slowest run, mode " << slowestMode;
}

// The result follows the close request at once and opens a prompt: by then the busy popup must be
// off the screen, or the prompt would open over it. Real jobs, repeated for the ordering to show.
TEST_F(BusyPopupTest, JobResult_BusyPopupAlreadyHidden_ProbeSetExport)
{
    CPanelStandIn panel;
    CCrashDumpJobs jobs;
    jobs.SetTargetWindow(panel.Handle());
    jobs.m_osClass = Win10;
    const struct {
        const char* name;
        std::function<bool()> start;
        int runs;
    } kinds[] = {
        {"probe", [&] { return jobs.StartDumpProbeJob(); }, 40},
        {"set", [&] { return jobs.StartSetDumpTypeJob(4); }, 6},
        {"export", [&] { return jobs.StartExportJob(); }, 6},
    };
    for (const auto& kind : kinds) {
        panel.m_nBusyVisibleAtResult = 0;
        for (int i = 0; i < kind.runs; ++i) {
            CBusyProbe busy(panel.Handle());
            int resultsBefore = panel.m_nResults;
            ASSERT_TRUE(kind.start());
            panel.m_pBusy = &busy;
            EXPECT_EQ(IDOK, busy.DoModal());
            xinput::PumpUntil([&] { return panel.m_nResults > resultsBefore; }, 120000);
            panel.m_pBusy = nullptr;
        }
        EXPECT_EQ(0, panel.m_nBusyVisibleAtResult) << kind.name;
    }
}

TEST_F(BusyPopupTest, LateRequestForEndedPopup_EndsNeitherTheNextPopupNorARerun)
{
    CPanelStandIn panel;
    // Runs the popup until the request sent for it 1.2 s after it showed; it stays open till then.
    auto runUntilOwnRequest = [&](CBusyProbe& busy, const char* which) {
        SCOPED_TRACE(which);
        panel.m_pBusy = &busy;
        busy.m_hFrame = nullptr;
        std::atomic<bool> done{false};
        bool stayedOpen = false;
        std::thread driver([&] {
            WaitShown(busy.m_hFrame);
            Sleep(1200);
            stayedOpen = IsWindowVisible(busy.m_hFrame) != FALSE;
            EXPECT_TRUE(SendCloseRequest(panel.Handle(), busy.m_hFrame));
            done = true;
        });
        double start = NowMs();
        EXPECT_EQ(IDOK, busy.DoModal());
        EXPECT_GE(NowMs() - start, 1200.0);
        // A popup that ended too early leaves the driver's request to the panel still to serve.
        xinput::PumpUntil([&] { return done.load(); }, 30000);
        driver.join();
        EXPECT_TRUE(stayedOpen);
    };

    CBusyProbe first(panel.Handle());
    runUntilOwnRequest(first, "first");
    HWND firstFrame = first.m_hFrame;
    // Late requests for the ended popup: through the panel, and straight to its old frame.
    std::thread late([&] { SendMessageW(panel.Handle(), WM_CLOSE_BUSY_PROMPT, 0, 0); });
    xinput::PumpUntil([&] { return panel.m_nRequests == 2; }, 5000);
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
