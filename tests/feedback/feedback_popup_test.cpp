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
        MarkFileEnds();
    }
    // What the records and the call log receive from here on.
    void MarkFileEnds()
    {
        m_feedbackStart = FileEnd(FeedbackPath());
        m_callsStart = FileEnd(CallLogPath());
    }
    std::vector<std::string> NewRecords() const { return OwnLinesSince(FeedbackPath(), m_feedbackStart); }
    std::vector<std::string> NewCalls() const { return OwnLinesSince(CallLogPath(), m_callsStart); }

    // One report of the kind with the device-type text, and the question after it when asked.
    void ExpectReported(int kind, const std::string& type, bool asked) const
    {
        const std::string kindText = std::to_string(kind);
        std::vector<std::string> records = NewRecords();
        ASSERT_EQ(1u, records.size());
        EXPECT_TRUE(Contains(records[0], "from=CustomerFeedbackEx\t")) << records[0];
        EXPECT_TRUE(
            Contains(records[0], "\ttool=10107\tversion=1.3.22.1026\tkind=" + kindText + "\t"))
            << records[0];
        EXPECT_TRUE(Contains(records[0], "\ttype=" + type + "\t")) << records[0];
        std::vector<std::string> calls = NewCalls();
        ASSERT_EQ(asked ? 2u : 1u, calls.size());
        const std::string call = "CustomerFeedbackEx(\"10107\", \"1.3.22.1026\", " + kindText;
        EXPECT_TRUE(Contains(calls[0], call + ", \"")) << calls[0];
        EXPECT_TRUE(Contains(calls[0], ", \"" + type + "\")")) << calls[0];
        if (asked) {
            EXPECT_TRUE(Contains(calls[1], "FeedbackQuestion(\"10107\", \"1.3.22.1026\")"))
                << calls[1];
        }
    }

    static bool Contains(const std::string& line, const std::string& part)
    {
        return line.find(part) != std::string::npos;
    }

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

// Runs the popup modally while drive(frame, layer) acts on it; the owner, a 400 x 600 window at
// (300, 100), has its centre at (500, 400).
ModalRun RunPopup(Popup& popup, const std::function<void(HWND, HWND)>& drive)
{
    return RunModal(popup, 300, WM_CLOSE, drive);
}

const std::initializer_list<int> kAnswers = {IDC_FEEDBACK_SOLVED, IDC_FEEDBACK_UNSOLVED,
                                             IDC_FEEDBACK_OTHER, IDC_FEEDBACK_CLOSE};

// Clicks the point (x, y) of the layer's control's client area.
void ClickControl(HWND layer, int id, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(GetDlgItem(layer, id), &point);
    EXPECT_TRUE(xinput::Click(point.x, point.y));
    testutil::Pause(200);
}

// Seconds since 1970, as the popup writes them.
long long Now()
{
    return static_cast<long long>(_time64(nullptr));
}

}  // namespace

TEST_F(FeedbackPopupTest, At96Dpi_CentredOverOwner_ButtonsAtDesignPixels_CloseHidden_KeysAndAltF4Ignored)
{
    ASSERT_EQ(96, GetDeviceCaps(CClientDC(nullptr).Get(), LOGPIXELSY));
    COwnerWindow owner(300, 100);
    Popup popup(owner.Handle());
    popup.m_pFeedbackLib = &s_library;
    Placement at;
    RECT layerClient = {};
    bool openAfterKeys = false;
    ModalRun run = RunPopup(popup, [&](HWND frame, HWND layer) {
        at = Measure(frame, layer, kAnswers);
        GetClientRect(layer, &layerClient);
        testutil::Screenshot(L"feedback-popup-96");
        POINT centre = CenterOf(at.layer);
        xinput::MoveMouse(centre.x, centre.y);
        xinput::Xdo("key Escape key Return key alt+F4");
        // What Alt+F4 sends the layer when it is the active one.
        PostMessageW(layer, WM_SYSCOMMAND, SC_CLOSE, 0);
        testutil::Pause(300);
        openAfterKeys = IsWindowVisible(frame) != FALSE;
        PostMessageW(frame, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDCANCEL, run.result);

    EXPECT_EQ(410, at.frame.right - at.frame.left);
    EXPECT_EQ(479, at.frame.bottom - at.frame.top);
    EXPECT_EQ("5 4 405 472", Ltrb(Relative(at.layer, at.frame)))
        << "layer inside the frame's shadow";
    EXPECT_EQ("0 0 400 468", Ltrb(layerClient)) << "layer client area";
    // Centred over the owner.
    POINT frameCentre = CenterOf(at.frame);
    EXPECT_NEAR(500, frameCentre.x, 1);
    EXPECT_NEAR(400, frameCentre.y, 1);

    EXPECT_EQ("67 154 333 214", Ltrb(at.controls[IDC_FEEDBACK_SOLVED])) << "问题已解决";
    EXPECT_EQ("67 234 333 294", Ltrb(at.controls[IDC_FEEDBACK_UNSOLVED])) << "问题未解决";
    EXPECT_EQ("67 314 333 374", Ltrb(at.controls[IDC_FEEDBACK_OTHER])) << "其 他";
    EXPECT_FALSE(at.visible[IDC_FEEDBACK_CLOSE]);
    EXPECT_TRUE(openAfterKeys) << "Escape, Enter or Alt+F4 closed the popup";
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
    ModalRun run = RunPopup(popup, [&](HWND frame, HWND layer) {
        // 8 pixels in from the left and from the bottom edge: inside the button, outside its
        // hit area.
        ClickControl(layer, IDC_FEEDBACK_SOLVED, 8, 30);
        openAfterSolvedRim = IsWindowVisible(frame) != FALSE;
        ClickControl(layer, IDC_FEEDBACK_UNSOLVED, 130, 51);
        openAfterNotSolvedRim = IsWindowVisible(frame) != FALSE;
        recordsAfterRims = NewRecords().size();
        ClickControl(layer, IDC_FEEDBACK_OTHER, 8, 30);
    });
    long long after = Now();
    EXPECT_FALSE(run.forced) << "a click on the rim of 其 他 did not answer";
    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_TRUE(openAfterSolvedRim) << "a click on the rim of 问题已解决 answered";
    EXPECT_TRUE(openAfterNotSolvedRim) << "a click on the rim of 问题未解决 answered";
    EXPECT_EQ(0u, recordsAfterRims);
    ExpectReported(3, "1", true);
    std::vector<std::string> records = NewRecords();
    ASSERT_EQ(1u, records.size());
    size_t at = records[0].find("\ttime=");
    long long time = at == std::string::npos ? -1 : atoll(records[0].c_str() + at + 6);
    EXPECT_LE(before, time);
    EXPECT_GE(after, time);
}

TEST_F(FeedbackPopupTest, Answers_ReportKindAndDeviceTypePlusOne_NotSolvedAsks_NoLibraryStillCloses)
{
    const struct {
        const char* name;
        bool library;
        int deviceType;
        int button;
        POINT click;
        int kind;  // 0: nothing reported
        const char* type;
        bool asked;
    } cases[] = {
        // Just inside the hit area's top-left corner.
        {"solved", true, 0, IDC_FEEDBACK_SOLVED, {9, 9}, 1, "1", false},
        // The top device type, without overflow.
        {"not solved", true, 2147483647, IDC_FEEDBACK_UNSOLVED, {133, 30}, 2, "2147483648", true},
        {"other, no library", false, 0, IDC_FEEDBACK_OTHER, {133, 30}, 0, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MarkFileEnds();
        COwnerWindow owner(300, 100);
        Popup popup(owner.Handle());
        popup.m_pFeedbackLib = c.library ? &s_library : nullptr;
        popup.m_nDeviceType = c.deviceType;
        ModalRun run = RunPopup(popup, [&](HWND, HWND layer) {
            ClickControl(layer, c.button, c.click.x, c.click.y);
        });
        EXPECT_FALSE(run.forced) << "a click inside the hit area did not answer";
        EXPECT_EQ(IDCANCEL, run.result);
        if (c.kind != 0) {
            ExpectReported(c.kind, c.type, c.asked);
        } else {
            EXPECT_TRUE(NewRecords().empty());
            EXPECT_TRUE(NewCalls().empty());
        }
    }
}

// Wine reads LogPixels once per process: ctest runs this case alone in a process started at
// 120 dpi (feedback_popup_tests_120dpi).
TEST_F(FeedbackPopupTest, At120Dpi_ScaledFrameLayerAndSolvedButton_HitMarginTen)
{
    ASSERT_EQ(120, GetDeviceCaps(CClientDC(nullptr).Get(), LOGPIXELSY));
    COwnerWindow owner(300, 100);
    CLayerAtCreation popup(owner.Handle());
    popup.m_pFeedbackLib = &s_library;
    Placement at;
    bool openAfterRim = false;
    ModalRun run = RunPopup(popup, [&](HWND frame, HWND layer) {
        at = Measure(frame, layer, kAnswers);
        testutil::Screenshot(L"feedback-popup-120");
        // Pixel 9 lies inside the unscaled hit area but outside the scaled one (margin 10).
        ClickControl(layer, IDC_FEEDBACK_SOLVED, 9, 20);
        openAfterRim = IsWindowVisible(frame) != FALSE;
        // Far enough from the first click not to make a double click of it.
        ClickControl(layer, IDC_FEEDBACK_SOLVED, 10, 50);
    });
    EXPECT_FALSE(run.forced) << "a click inside the scaled hit area did not answer";
    EXPECT_TRUE(openAfterRim) << "a click 9 pixels in answered at margin 10";

    EXPECT_EQ(492, at.frame.right - at.frame.left);
    EXPECT_EQ(574, at.frame.bottom - at.frame.top);
    // Created at 492 - 10s by 574 - 11s; the centring move then re-places it inside the margins
    // trunc(5s), trunc(4s), trunc(5s), trunc(7s) = 6, 4, 6, 8.
    EXPECT_EQ(479, popup.m_rcLayer.right - popup.m_rcLayer.left);
    EXPECT_EQ(560, popup.m_rcLayer.bottom - popup.m_rcLayer.top);
    EXPECT_EQ("6 4 486 566", Ltrb(Relative(at.layer, at.frame)))
        << "layer inside the scaled shadow";
    EXPECT_EQ("80 184 399 256", Ltrb(at.controls[IDC_FEEDBACK_SOLVED])) << "问题已解决";
    // trunc(200s) - trunc(133s) = 240 - 159; tops trunc(234s) = 280 and 280 + trunc(80s) = 376.
    EXPECT_EQ("81 280 400 352", Ltrb(at.controls[IDC_FEEDBACK_UNSOLVED])) << "问题未解决";
    EXPECT_EQ("81 376 400 448", Ltrb(at.controls[IDC_FEEDBACK_OTHER])) << "其 他";

    std::vector<std::string> records = NewRecords();
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(Contains(records[0], "\tkind=1\t")) << records[0];
}
