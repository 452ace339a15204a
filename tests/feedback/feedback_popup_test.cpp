// The problem-solved feedback popup as a real window under Xvfb: geometry at 96 and 120 dpi,
// real clicks on the answers and their rims through xdotool, and the records our companion
// library writes for each answer.
#include "CompanionTestUtil.h"
#include "PopupTestUtil.h"
#include "TestUtil.h"
#include "ToolDriver.h"
#include "ToolRun.h"
#include "XInput.h"
#include "fw/GdiPlus.h"
#include "resource.h"
#include "ui/popups/ProblemSolvingFeedbackDlg.h"

#include <gtest/gtest.h>
#include <ctime>
#include <functional>
#include <thread>

using namespace popuptest;
using companion_test::CallLogPath;
using companion_test::FeedbackPath;
using companion_test::FileEnd;
using companion_test::OwnLinesSince;

namespace {

using Popup = CWatched<CProblemSolvingFeedbackDlg>;

class FeedbackPopupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_gdiplus.Startup();
        // Pages are only logged, never handed to a browser.
        testutil::WriteFileBytes(testutil::ExeFolder() + L"\\OrlaviFeedbackInformation.ini",
                                 "[Shell]\r\nMode=log\r\n");
        s_library.LoadFrom(testutil::ExeFolder());
    }
    static void TearDownTestSuite()
    {
        s_library.Free();
        toolrun::SetLogPixels(96);
        s_gdiplus.Shutdown();
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_library.HasExport(CFeedbackLibrary::kCustomerFeedbackEx))
            << "the companion library beside the test did not load";
        m_feedbackStart = FileEnd(FeedbackPath());
        m_callsStart = FileEnd(CallLogPath());
    }
    std::vector<std::string> NewRecords() const { return OwnLinesSince(FeedbackPath(), m_feedbackStart); }
    std::vector<std::string> NewCalls() const { return OwnLinesSince(CallLogPath(), m_callsStart); }

    static CGdiplusSession s_gdiplus;
    static CFeedbackLibrary s_library;
    long long m_feedbackStart = 0;
    long long m_callsStart = 0;
};
CGdiplusSession FeedbackPopupTest::s_gdiplus;
CFeedbackLibrary FeedbackPopupTest::s_library;

// Also records the control layer's window rectangle as the frame's initialisation left it,
// before the framework centres the frame.
class CLayerAtCreation : public Popup {
public:
    using Popup::Popup;
    RECT m_rcLayer = {0, 0, 0, 0};

protected:
    BOOL OnInitDialog() override
    {
        BOOL result = Popup::OnInitDialog();
        HWND layer = FindLayer(m_hWnd);
        if (layer != nullptr)
            m_rcLayer = WindowRectOf(layer);
        return result;
    }
};

struct PopupRun {
    INT_PTR result = -1;
    // Still open when the driver was done: none of its answers ended it.
    bool forced = false;
};

// Runs the popup modally on this thread while drive(frame, layer) acts on it from another one.
PopupRun RunPopup(Popup& popup, const std::function<void(HWND, HWND)>& drive)
{
    PopupRun run;
    std::thread driver([&] {
        HWND layer = WaitShown(popup.m_hFrame);
        HWND frame = popup.m_hFrame;
        EXPECT_NE(layer, nullptr) << "the popup never showed its control layer";
        if (layer != nullptr) {
            testutil::Pause(300);  // let it paint
            drive(frame, layer);
        }
        if (!WaitFor([&] { return !IsWindowVisible(frame); }, 3000)) {
            run.forced = true;
            PostMessageW(frame, WM_CLOSE, 0, 0);
        }
    });
    run.result = popup.DoModal();
    driver.join();
    return run;
}

RECT Relative(const RECT& rc, const RECT& origin)
{
    return {rc.left - origin.left, rc.top - origin.top, rc.right - origin.left,
            rc.bottom - origin.top};
}

void ExpectRect(const RECT& actual, int left, int top, int right, int bottom, const char* what)
{
    EXPECT_EQ(left, actual.left) << what;
    EXPECT_EQ(top, actual.top) << what;
    EXPECT_EQ(right, actual.right) << what;
    EXPECT_EQ(bottom, actual.bottom) << what;
}

// Clicks the point (x, y) of a control's client area.
void ClickControl(HWND control, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(control, &point);
    EXPECT_TRUE(xinput::Click(point.x, point.y));
    testutil::Pause(200);
}

HWND Item(HWND layer, int id)
{
    return GetDlgItem(layer, id);
}

bool Contains(const std::string& line, const std::string& part)
{
    return line.find(part) != std::string::npos;
}

// A Linux path for a screenshot: the build tree's screenshot folder, else /tmp.
std::string ScreenshotPath(const std::string& name)
{
    char folder[1024] = {};
    if (GetEnvironmentVariableA("KESTRUNE_SCREENSHOT_DIR", folder, sizeof(folder)) == 0)
        return "/tmp/kestrune-" + name;
    return std::string(folder) + "/" + name;
}

// Seconds since 1970, as the popup writes them.
long long Now()
{
    return static_cast<long long>(_time64(nullptr));
}

long long RecordTime(const std::string& record)
{
    size_t at = record.find("\ttime=");
    return at == std::string::npos ? -1 : atoll(record.c_str() + at + 6);
}

}  // namespace

TEST_F(FeedbackPopupTest, At96Dpi_CentredOverOwner_ButtonsAtDesignPixels_CloseHidden_KeysIgnored)
{
    ASSERT_EQ(96, GetDeviceCaps(CClientDC(nullptr).Get(), LOGPIXELSY));
    COwnerWindow owner(300, 100);
    Popup popup(owner.Handle());
    popup.m_pFeedbackLib = &s_library;
    RECT frameRect = {}, layerRect = {}, solved = {}, notSolved = {}, other = {}, layerClient = {};
    bool closeVisible = true, openAfterKeys = false;
    PopupRun run = RunPopup(popup, [&](HWND frame, HWND layer) {
        frameRect = WindowRectOf(frame);
        layerRect = WindowRectOf(layer);
        GetClientRect(layer, &layerClient);
        solved = ClientRectOfControl(Item(layer, IDC_FEEDBACK_SOLVED));
        notSolved = ClientRectOfControl(Item(layer, IDC_FEEDBACK_UNSOLVED));
        other = ClientRectOfControl(Item(layer, IDC_FEEDBACK_OTHER));
        closeVisible = IsWindowVisible(Item(layer, IDC_FEEDBACK_CLOSE)) != FALSE;
        xinput::Screenshot(ScreenshotPath("feedback-popup-96.png"));
        POINT centre = CenterOf(layerRect);
        xinput::MoveMouse(centre.x, centre.y);
        xinput::Xdo("key Escape key Return");
        testutil::Pause(300);
        openAfterKeys = IsWindowVisible(frame) != FALSE;
        PostMessageW(frame, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDCANCEL, run.result);

    EXPECT_EQ(410, frameRect.right - frameRect.left);
    EXPECT_EQ(479, frameRect.bottom - frameRect.top);
    ExpectRect(Relative(layerRect, frameRect), 5, 4, 405, 472, "layer inside the frame's shadow");
    ExpectRect(layerClient, 0, 0, 400, 468, "layer client area");
    // Centred over the 400 x 600 owner at (300, 100).
    POINT frameCentre = CenterOf(frameRect);
    EXPECT_NEAR(500, frameCentre.x, 1);
    EXPECT_NEAR(400, frameCentre.y, 1);

    ExpectRect(solved, 67, 154, 333, 214, "问题已解决");
    ExpectRect(notSolved, 67, 234, 333, 294, "问题未解决");
    ExpectRect(other, 67, 314, 333, 374, "其 他");
    EXPECT_FALSE(closeVisible);
    EXPECT_TRUE(openAfterKeys) << "Escape or Enter closed the popup";
    // Closed from outside: nothing was answered.
    EXPECT_TRUE(NewRecords().empty());
}

TEST_F(FeedbackPopupTest, RimClicks_IgnoredOnSolvedAndNotSolved_OtherAnswersWithKind3AndQuestion)
{
    COwnerWindow owner(300, 100);
    Popup popup(owner.Handle());
    popup.m_pFeedbackLib = &s_library;
    bool openAfterSolvedRim = false, openAfterNotSolvedRim = false;
    size_t recordsAfterRims = 99;
    long long before = Now();
    PopupRun run = RunPopup(popup, [&](HWND frame, HWND layer) {
        // 8 pixels in from the left and from the bottom edge: inside the button, outside its
        // hit area.
        ClickControl(Item(layer, IDC_FEEDBACK_SOLVED), 8, 30);
        openAfterSolvedRim = IsWindowVisible(frame) != FALSE;
        ClickControl(Item(layer, IDC_FEEDBACK_UNSOLVED), 130, 51);
        openAfterNotSolvedRim = IsWindowVisible(frame) != FALSE;
        recordsAfterRims = NewRecords().size();
        ClickControl(Item(layer, IDC_FEEDBACK_OTHER), 8, 30);
    });
    long long after = Now();
    EXPECT_FALSE(run.forced) << "a click on the rim of 其 他 did not answer";
    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_TRUE(openAfterSolvedRim) << "a click on the rim of 问题已解决 answered";
    EXPECT_TRUE(openAfterNotSolvedRim) << "a click on the rim of 问题未解决 answered";
    EXPECT_EQ(0u, recordsAfterRims);

    std::vector<std::string> records = NewRecords();
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(Contains(records[0], "from=CustomerFeedbackEx\t")) << records[0];
    EXPECT_TRUE(Contains(records[0], "\ttool=10107\tversion=1.3.22.1026\tkind=3\t")) << records[0];
    EXPECT_TRUE(Contains(records[0], "\ttype=1\t")) << records[0];
    long long time = RecordTime(records[0]);
    EXPECT_LE(before, time);
    EXPECT_GE(after, time);

    std::vector<std::string> calls = NewCalls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_TRUE(Contains(calls[0], "CustomerFeedbackEx(\"10107\", \"1.3.22.1026\", 3, \"")) << calls[0];
    EXPECT_TRUE(Contains(calls[1], "FeedbackQuestion(\"10107\", \"1.3.22.1026\")")) << calls[1];
}

TEST_F(FeedbackPopupTest, Solved_ReportsKind1WithTypeOne_AndAsksNothingMore)
{
    COwnerWindow owner(300, 100);
    Popup popup(owner.Handle());
    popup.m_pFeedbackLib = &s_library;
    popup.m_nDeviceType = 0;
    PopupRun run = RunPopup(popup, [&](HWND, HWND layer) {
        // Just inside the hit area's top-left corner.
        ClickControl(Item(layer, IDC_FEEDBACK_SOLVED), 9, 9);
    });
    EXPECT_FALSE(run.forced) << "a click inside the hit area of 问题已解决 did not answer";
    EXPECT_EQ(IDCANCEL, run.result);

    std::vector<std::string> records = NewRecords();
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(Contains(records[0], "\tkind=1\t")) << records[0];
    EXPECT_TRUE(Contains(records[0], "\ttype=1\t")) << records[0];
    std::vector<std::string> calls = NewCalls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_TRUE(Contains(calls[0], "CustomerFeedbackEx(\"10107\", \"1.3.22.1026\", 1, \"")) << calls[0];
}

TEST_F(FeedbackPopupTest, NotSolved_TopDeviceType_ReportsKind2AndTypeWithoutOverflow_ThenAsks)
{
    COwnerWindow owner(300, 100);
    Popup popup(owner.Handle());
    popup.m_pFeedbackLib = &s_library;
    popup.m_nDeviceType = 2147483647;
    PopupRun run = RunPopup(popup, [&](HWND, HWND layer) {
        ClickControl(Item(layer, IDC_FEEDBACK_UNSOLVED), 133, 30);
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDCANCEL, run.result);

    std::vector<std::string> records = NewRecords();
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(Contains(records[0], "\tkind=2\t")) << records[0];
    EXPECT_TRUE(Contains(records[0], "\ttype=2147483648\t")) << records[0];
    std::vector<std::string> calls = NewCalls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_TRUE(Contains(calls[0], "CustomerFeedbackEx(\"10107\", \"1.3.22.1026\", 2, \"")) << calls[0];
    EXPECT_TRUE(Contains(calls[0], ", \"2147483648\")")) << calls[0];
    EXPECT_TRUE(Contains(calls[1], "FeedbackQuestion(\"10107\", \"1.3.22.1026\")")) << calls[1];
}

TEST_F(FeedbackPopupTest, WithoutLibrary_AnswerStillCloses_NothingReported)
{
    COwnerWindow owner(300, 100);
    Popup popup(owner.Handle());
    PopupRun run = RunPopup(popup, [&](HWND, HWND layer) {
        ClickControl(Item(layer, IDC_FEEDBACK_OTHER), 133, 30);
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_TRUE(NewRecords().empty());
    EXPECT_TRUE(NewCalls().empty());
}

// Wine reads LogPixels once per process: ctest runs this case alone in a process started at
// 120 dpi (feedback_popup_tests_120dpi).
TEST_F(FeedbackPopupTest, At120Dpi_ScaledFrameLayerAndSolvedButton_HitMarginTen)
{
    ASSERT_EQ(120, GetDeviceCaps(CClientDC(nullptr).Get(), LOGPIXELSY));
    COwnerWindow owner(300, 100);
    CLayerAtCreation popup(owner.Handle());
    popup.m_pFeedbackLib = &s_library;
    RECT frameRect = {}, layerRect = {}, solved = {}, notSolved = {}, other = {};
    bool openAfterRim = false;
    PopupRun run = RunPopup(popup, [&](HWND frame, HWND layer) {
        frameRect = WindowRectOf(frame);
        layerRect = WindowRectOf(layer);
        solved = ClientRectOfControl(Item(layer, IDC_FEEDBACK_SOLVED));
        notSolved = ClientRectOfControl(Item(layer, IDC_FEEDBACK_UNSOLVED));
        other = ClientRectOfControl(Item(layer, IDC_FEEDBACK_OTHER));
        xinput::Screenshot(ScreenshotPath("feedback-popup-120.png"));
        // Pixel 9 lies inside the unscaled hit area but outside the scaled one (margin 10).
        ClickControl(Item(layer, IDC_FEEDBACK_SOLVED), 9, 20);
        openAfterRim = IsWindowVisible(frame) != FALSE;
        // Far enough from the first click not to make a double click of it.
        ClickControl(Item(layer, IDC_FEEDBACK_SOLVED), 10, 50);
    });
    EXPECT_FALSE(run.forced) << "a click inside the scaled hit area did not answer";
    EXPECT_TRUE(openAfterRim) << "a click 9 pixels in answered at margin 10";

    EXPECT_EQ(492, frameRect.right - frameRect.left);
    EXPECT_EQ(574, frameRect.bottom - frameRect.top);
    // Created at 492 - 10s by 574 - 11s; the centring move then re-places it inside the margins
    // trunc(5s), trunc(4s), trunc(5s), trunc(7s) = 6, 4, 6, 8.
    EXPECT_EQ(479, popup.m_rcLayer.right - popup.m_rcLayer.left);
    EXPECT_EQ(560, popup.m_rcLayer.bottom - popup.m_rcLayer.top);
    ExpectRect(Relative(layerRect, frameRect), 6, 4, 486, 566, "layer inside the scaled shadow");
    ExpectRect(solved, 80, 184, 80 + 319, 184 + 72, "问题已解决");
    // trunc(200s) - trunc(133s) = 240 - 159; tops trunc(234s) = 280 and 280 + trunc(80s) = 376.
    ExpectRect(notSolved, 81, 280, 81 + 319, 280 + 72, "问题未解决");
    ExpectRect(other, 81, 376, 81 + 319, 376 + 72, "其 他");

    std::vector<std::string> records = NewRecords();
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(Contains(records[0], "\tkind=1\t")) << records[0];
}
