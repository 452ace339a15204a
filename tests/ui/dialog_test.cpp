// The dialog framework's owner and centring rules, on real windows.
#include "UiTestIds.h"
#include "XInput.h"
#include "fw/Dialog.h"
#include "fw/WinApp.h"

#include <gtest/gtest.h>

namespace {

// A modal dialog that records where it is, who owns it and which windows are enabled, then ends.
class CProbeDlg : public CDialog {
public:
    CProbeDlg(HWND parent, bool moveItself, std::initializer_list<HWND> watched)
        : CDialog(IDD_TEST_POPUP, parent), m_bMoveItself(moveItself), m_watched(watched) {}

    HWND m_hOwner = nullptr;
    RECT m_rcSeen = {};
    std::vector<bool> m_enabled;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_bMoveItself)
            MoveWindow(50, 60, 160, 100);
        PostMessageW(m_hWnd, WM_APP, 0, 0);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_APP)
            return CDialog::WindowProc(message, wParam, lParam);
        m_hOwner = GetOwner();
        m_rcSeen = GetWindowRect();
        for (HWND hWnd : m_watched)
            m_enabled.push_back(::IsWindowEnabled(hWnd) != FALSE);
        EndDialog(IDOK);
        return 0;
    }

private:
    bool m_bMoveItself;
    std::vector<HWND> m_watched;
};

POINT Centre(const RECT& rc)
{
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

}  // namespace

TEST(DialogRules, Owner_IsTheParentElseTheMainWindowsLastActivePopup_CentredOverIt_Disabled)
{
    CWinApp app;
    CProbeDlg alone(nullptr, false, {});
    alone.DoModal();
    EXPECT_EQ(nullptr, alone.m_hOwner) << "no main window: no owner";
    CDialog main(IDD_TEST_POPUP), popup(IDD_TEST_POPUP);
    ASSERT_TRUE(main.Create(nullptr));
    main.MoveWindow(100, 100, 400, 300);
    ShowWindow(main.m_hWnd, SW_SHOW);
    app.m_pMainWnd = &main;
    ASSERT_TRUE(popup.Create(main.m_hWnd));
    popup.MoveWindow(800, 300, 300, 200);
    ShowWindow(popup.m_hWnd, SW_SHOW);
    SetActiveWindow(popup.m_hWnd);
    xinput::PumpFor(200);
    ASSERT_EQ(popup.m_hWnd, GetLastActivePopup(main.m_hWnd));

    const struct {
        const char* name;
        HWND parent;
        HWND owner;
        bool popupEnabled;  // the main window is disabled in both
    } cases[] = {{"without parent", nullptr, popup.m_hWnd, false},
                 {"with parent", main.m_hWnd, main.m_hWnd, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CProbeDlg probe(c.parent, false, {main.m_hWnd, popup.m_hWnd});
        EXPECT_EQ(IDOK, probe.DoModal());
        EXPECT_EQ(c.owner, probe.m_hOwner);
        RECT ownerRect = {};
        GetWindowRect(c.owner, &ownerRect);
        POINT expected = Centre(ownerRect);
        EXPECT_NEAR(expected.x, Centre(probe.m_rcSeen).x, 1);
        EXPECT_NEAR(expected.y, Centre(probe.m_rcSeen).y, 1);
        EXPECT_EQ((std::vector<bool>{false, c.popupEnabled}), probe.m_enabled);
        EXPECT_TRUE(main.IsWindowEnabled() && popup.IsWindowEnabled()) << "enabled again after";
        EXPECT_FALSE(probe.IsWindow());
    }
    CProbeDlg moved(nullptr, true, {});
    moved.DoModal();
    EXPECT_EQ(50, moved.m_rcSeen.left) << "moved during its initialisation: stays there";
    EXPECT_EQ(60, moved.m_rcSeen.top);
    popup.DestroyWindow();
    main.DestroyWindow();
}
