// The dialog framework's owner and centring rules, on real windows.
#include "UiTestIds.h"
#include "XInput.h"
#include "fw/Dialog.h"
#include "fw/WinApp.h"

#include <gtest/gtest.h>

namespace {

// A modal dialog that records where it is and who owns it, then ends itself.
class CProbeDlg : public CDialog {
public:
    explicit CProbeDlg(HWND parent = nullptr, bool moveItself = false)
        : CDialog(IDD_TEST_POPUP, parent), m_bMoveItself(moveItself) {}

    HWND m_hOwner = nullptr;
    RECT m_rcSeen = {};
    bool m_bMainEnabled = true;
    bool m_bPopupEnabled = true;
    HWND m_hMain = nullptr;
    HWND m_hPopup = nullptr;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_bMoveItself)
            MoveWindow(50, 60, 160, 100);
        SetTimer(m_hWnd, 1, 100, nullptr);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_TIMER && wParam == 1) {
            KillTimer(m_hWnd, 1);
            m_hOwner = GetOwner();
            m_rcSeen = GetWindowRect();
            m_bMainEnabled = ::IsWindowEnabled(m_hMain) != FALSE;
            m_bPopupEnabled = ::IsWindowEnabled(m_hPopup) != FALSE;
            EndDialog(IDOK);
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }

private:
    bool m_bMoveItself;
};

class DialogRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_main.Create(nullptr));
        m_main.MoveWindow(100, 100, 400, 300);
        ShowWindow(m_main.m_hWnd, SW_SHOW);
        m_app.m_pMainWnd = &m_main;
        ASSERT_TRUE(m_popup.Create(m_main.m_hWnd));
        m_popup.MoveWindow(800, 300, 300, 200);
        ShowWindow(m_popup.m_hWnd, SW_SHOW);
        SetActiveWindow(m_popup.m_hWnd);
        xinput::PumpFor(200);
    }
    void TearDown() override
    {
        m_popup.DestroyWindow();
        m_main.DestroyWindow();
    }
    static POINT Centre(const RECT& rc)
    {
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }

    CWinApp m_app;
    CDialog m_main{IDD_TEST_POPUP};
    CDialog m_popup{IDD_TEST_POPUP};
};

}  // namespace

TEST_F(DialogRules, WithoutParent_OwnedByTheMainWindowsLastActivePopup_CentredOverIt)
{
    ASSERT_EQ(m_popup.m_hWnd, GetLastActivePopup(m_main.m_hWnd));
    CProbeDlg probe;
    probe.m_hMain = m_main.m_hWnd;
    probe.m_hPopup = m_popup.m_hWnd;
    EXPECT_EQ(IDOK, probe.DoModal());
    EXPECT_EQ(m_popup.m_hWnd, probe.m_hOwner);
    POINT expected = Centre(m_popup.GetWindowRect());
    POINT seen = Centre(probe.m_rcSeen);
    EXPECT_LE(abs(expected.x - seen.x), 1);
    EXPECT_LE(abs(expected.y - seen.y), 1);
    EXPECT_FALSE(probe.m_bPopupEnabled) << "the owner is disabled while the dialog runs";
    EXPECT_FALSE(probe.m_bMainEnabled) << "and so is the main window";
    EXPECT_TRUE(m_popup.IsWindowEnabled());
    EXPECT_TRUE(m_main.IsWindowEnabled());
    EXPECT_FALSE(probe.IsWindow());
}

TEST_F(DialogRules, WithParent_OwnedAndCentredOverTheParent)
{
    CProbeDlg probe(m_main.m_hWnd);
    probe.m_hMain = m_main.m_hWnd;
    probe.m_hPopup = m_popup.m_hWnd;
    probe.DoModal();
    EXPECT_EQ(m_main.m_hWnd, probe.m_hOwner);
    POINT expected = Centre(m_main.GetWindowRect());
    POINT seen = Centre(probe.m_rcSeen);
    EXPECT_LE(abs(expected.x - seen.x), 1);
    EXPECT_LE(abs(expected.y - seen.y), 1);
    EXPECT_TRUE(probe.m_bPopupEnabled) << "not in the owner chain";
}

TEST_F(DialogRules, MovedDuringInitialisation_StaysWhereItMoved)
{
    CProbeDlg probe(nullptr, true);
    probe.m_hMain = m_main.m_hWnd;
    probe.m_hPopup = m_popup.m_hWnd;
    probe.DoModal();
    EXPECT_EQ(50, probe.m_rcSeen.left);
    EXPECT_EQ(60, probe.m_rcSeen.top);
}

TEST(DialogRulesWithoutApp, NoMainWindow_NoOwner)
{
    CWinApp app;
    EXPECT_EQ(nullptr, GetDefaultDialogOwner());
    CProbeDlg probe;
    probe.DoModal();
    EXPECT_EQ(nullptr, probe.m_hOwner);
}
