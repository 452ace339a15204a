// The problem-solved feedback popup as a real window under Xvfb: layout at 96 and 120 dpi, real
// clicks on the answers and their rims through xdotool, and the records our companion library
// writes for each answer, with the time text it stamps them with.
#include "CompanionTestUtil.h"
#include "PopupTestUtil.h"
#include "TestUtil.h"
#include "resource.h"
#include "ui/popups/ProblemSolvingFeedbackChildDlg.h"
#include "ui/popups/ProblemSolvingFeedbackDlg.h"

#include <gtest/gtest.h>
#include <ctime>

using namespace popuptest;
using namespace companion_test;

namespace {

GdiplusForTests g_gdiplus;

class FeedbackPopupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Pages are only logged, never handed to a browser.
        testutil::WriteFileBytes(testutil::ExeFolder() + L"\\OrlaviFeedbackInformation.ini",
                                 "[Shell]\r\nMode=log\r\n");
        s_library.LoadFrom(testutil::ExeFolder());
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_library.HasExport(CFeedbackLibrary::kCustomerFeedbackEx))
            << "the companion library beside the test did not load";
        m_feedbackStart = FileEnd(FeedbackPath());
        m_callsStart = FileEnd(CallLogPath());
    }
    auto NewRecords() const { return OwnLinesSince(FeedbackPath(), m_feedbackStart); }

    // Runs the popup over a 400 x 600 owner at (300, 100), centre (500, 400), while drive acts.
    ModalRun Run(CFeedbackLibrary* library, int deviceType,
                 const std::function<void(HWND, HWND)>& drive)
    {
        COwnerWindow owner(300, 100);
        CWatched<CProblemSolvingFeedbackDlg> popup(owner.Handle());
        popup.m_pFeedbackLib = library;
        popup.m_nDeviceType = deviceType;
        m_popup = &popup;
        return RunModal(popup, WM_CLOSE, drive);
    }

    static CFeedbackLibrary s_library;
    long long m_feedbackStart = 0;
    long long m_callsStart = 0;
    CWatched<CProblemSolvingFeedbackDlg>* m_popup = nullptr;  // while Run runs it
};
CFeedbackLibrary FeedbackPopupTest::s_library;

// Solved 1003, not solved 1004, other 1001, close 1002.
const std::initializer_list<int> kAnswers = {IDC_FEEDBACK_SOLVED, IDC_FEEDBACK_UNSOLVED,
                                             IDC_FEEDBACK_OTHER, IDC_FEEDBACK_CLOSE};

// True when a click at the control's client point left the popup open.
bool ClickLeavesOpen(HWND frame, HWND layer, int id, int x, int y)
{
    xinput::ClickClient(GetDlgItem(layer, id), x, y);
    return !WaitFor([&] { return !IsWindowVisible(frame); }, 500);
}

}  // namespace

TEST_F(FeedbackPopupTest, At96Dpi_Layout_AltF4AndRimsIgnored_NoLibraryStillCloses)
{
    ASSERT_EQ(96, GetDeviceCaps(CClientDC(nullptr).Get(), LOGPIXELSY));
    std::string layout;
    bool openAfterSystemClose = false, openAfterSolvedRim = false, openAfterUnsolvedRim = false;
    bool openAfterAltF4 = false;
    ModalRun run = Run(nullptr, 0, [&](HWND frame, HWND layer) {
        layout = Layout(frame, layer, kAnswers);
        openAfterAltF4 = AltF4LeavesOpen(*m_popup);
        // What Alt+F4 sends the layer when it is the active one.
        PostMessageW(layer, WM_SYSCOMMAND, SC_CLOSE, 0);
        openAfterSystemClose = !WaitFor([&] { return !IsWindowVisible(frame); }, 500);
        // Inside the buttons, outside their hit areas (margin 9).
        openAfterSolvedRim = ClickLeavesOpen(frame, layer, IDC_FEEDBACK_SOLVED, 8, 30);
        openAfterUnsolvedRim = ClickLeavesOpen(frame, layer, IDC_FEEDBACK_UNSOLVED, 130, 51);
        // 其 他 has no rim: 8 pixels in answers.
        xinput::ClickClient(GetDlgItem(layer, IDC_FEEDBACK_OTHER), 8, 30);
    });
    EXPECT_FALSE(run.forced) << "a click on 其 他 did not answer";
    EXPECT_EQ(IDCANCEL, run.result);
    // 410 x 479 centred over the owner, the layer inside the shadow at 5, 4.
    EXPECT_EQ("frame 295 161 705 640 | layer 5 4 405 472 | 1003 67 154 333 214 | "
              "1004 67 234 333 294 | 1001 67 314 333 374 | 1002 -",
              layout);
    EXPECT_TRUE(openAfterAltF4) << "Alt+F4 not received, or it ended the popup unanswered";
    EXPECT_TRUE(openAfterSystemClose);
    EXPECT_TRUE(openAfterSolvedRim) << "a click on the rim of 问题已解决 answered";
    EXPECT_TRUE(openAfterUnsolvedRim) << "a click on the rim of 问题未解决 answered";
    EXPECT_TRUE(NewRecords().empty()) << "no library: nothing is reported";
    EXPECT_TRUE(OwnLinesSince(CallLogPath(), m_callsStart).empty());
}

// Wine reads LogPixels once per process: ctest runs this case alone in a process started at
// 120 dpi (feedback_popup_tests_120dpi).
TEST_F(FeedbackPopupTest, At120Dpi_ScaledLayout_HitMarginTen_ReportsTheAnswerWithItsTime)
{
    ASSERT_EQ(120, GetDeviceCaps(CClientDC(nullptr).Get(), LOGPIXELSY));
    std::string layout;
    bool openAfterRim = false;
    long long before = _time64(nullptr);
    ModalRun run = Run(&s_library, 2147483647, [&](HWND frame, HWND layer) {
        layout = Layout(frame, layer, kAnswers);
        // Pixel 9 lies inside the unscaled hit area but outside the scaled one (margin 10).
        openAfterRim = ClickLeavesOpen(frame, layer, IDC_FEEDBACK_SOLVED, 9, 20);
        // Far enough from the first click not to make a double click of it.
        xinput::ClickClient(GetDlgItem(layer, IDC_FEEDBACK_SOLVED), 10, 50);
    });
    EXPECT_FALSE(run.forced) << "a click inside the scaled hit area did not answer";
    EXPECT_TRUE(openAfterRim) << "a click 9 pixels in answered at margin 10";
    // 492 x 574, the layer inside the margins trunc(5s), trunc(4s), trunc(5s), trunc(7s); the
    // answers at trunc(67s) ... with the lower two one pixel further right.
    EXPECT_EQ("frame 254 113 746 687 | layer 6 4 486 566 | 1003 80 184 399 256 | "
              "1004 81 280 400 352 | 1001 81 376 400 448 | 1002 -",
              layout);
    // Kind 1, the top device type plus one without overflow, and the time of the answer.
    std::vector<std::string> records = NewRecords();
    ASSERT_EQ(1u, records.size());
    EXPECT_NE(std::string::npos, records[0].find("\tkind=1\t")) << records[0];
    EXPECT_NE(std::string::npos, records[0].find("\ttype=2147483648\t")) << records[0];
    size_t at = records[0].find("\ttime=");
    ASSERT_NE(std::string::npos, at) << records[0];
    long long time = atoll(records[0].c_str() + at + 6);
    EXPECT_LE(before, time);
    EXPECT_GE(static_cast<long long>(_time64(nullptr)), time);
}

TEST(FeedbackTexts, TimeText_LowThirtyTwoBitsAsSignedDecimal)
{
    EXPECT_EQ(L"1714564800", FeedbackTimeText(1714564800LL));
    EXPECT_EQ(L"2147483647", FeedbackTimeText(2147483647LL));
    // After January 2038 the low 32 bits read as a negative number.
    EXPECT_EQ(L"-2147483648", FeedbackTimeText(2147483648LL));
    EXPECT_EQ(L"5", FeedbackTimeText(0x100000005LL));
}
