// Docking on real windows: a frame with a view, a status bar and its four dock bars, and sizing
// bars with gripper and close button docked on each side, resized by their edges through real
// mouse messages, dragged to another side or out to float, floated and docked again, closed by
// their button, with their minimum sizes.
#include "ViewHost.h"
#include "framework/DockBar.h"
#include "framework/DockContext.h"
#include "framework/MiniFrame.h"
#include "framework/SizingControlBar.h"
#include "framework/StatusBar.h"
#include "framework/View.h"
#include <windowsx.h>

namespace {
constexpr UINT kBarID = 0xE810;
constexpr UINT kBar2ID = 0xE811;
const UINT kIndicators[] = {ID_SEPARATOR};

// The protected sizes, opened up for checking them.
struct CTestBar : CSizingControlBarG {
    using CSizingControlBar::m_bDragShowContent;
    using CSizingControlBar::m_szFloat;
    using CSizingControlBar::m_szHorz;
    using CSizingControlBar::m_szMinFloat;
    using CSizingControlBar::m_szMinHorz;
    using CSizingControlBar::m_szVert;
};

RECT ChildRect(HWND hParent, HWND hChild) {
    RECT r{};
    ::GetWindowRect(hChild, &r);
    ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}
RECT ScreenRect(HWND hWnd) {
    RECT r{};
    ::GetWindowRect(hWnd, &r);
    return r;
}
// The client area's distance from each side of the window: left, top, right, bottom.
RECT Insets(HWND hWnd) {
    RECT rcWnd = ScreenRect(hWnd), rcClient{};
    ::GetClientRect(hWnd, &rcClient);
    ::MapWindowPoints(hWnd, nullptr, reinterpret_cast<POINT*>(&rcClient), 2);
    return RECT{rcClient.left - rcWnd.left, rcClient.top - rcWnd.top, rcWnd.right - rcClient.right,
                rcWnd.bottom - rcClient.bottom};
}
LPARAM ScreenParam(POINT pt) {
    return MAKELPARAM(static_cast<short>(pt.x), static_cast<short>(pt.y));
}
LPARAM ClientParam(HWND hWnd, POINT ptScreen) {
    ::ScreenToClient(hWnd, &ptScreen);
    return ScreenParam(ptScreen);
}
LRESULT HitTest(HWND hWnd, POINT ptScreen) {
    return ::SendMessageW(hWnd, WM_NCHITTEST, 0, ScreenParam(ptScreen));
}
bool operator==(const RECT& a, const RECT& b) {
    return ::EqualRect(&a, &b) != FALSE;
}
} // namespace

// One frame for the suite: floating shows a top-level mini-frame, and Wine waits for each shown
// top-level window to be unmapped when it is destroyed. Each test puts the bars back first.
class DockingTest : public ::testing::Test {
protected:
    struct Host {
        CFrameWnd frame;
        CView view;
        CStatusBar status;
        CTestBar bar;
        CTestBar bar2;
    };
    static inline Host* s_pHost = nullptr;

    static Host& H() {
        if (!s_pHost) {
            s_pHost = new Host;
            Host& h = *s_pHost;
            RECT rc{60, 60, 760, 620};
            h.frame.Create(L"DockingTest", WS_OVERLAPPEDWINDOW, &rc);
            h.view.CreateView(h.frame.m_hWnd, AFX_IDW_PANE_FIRST, RECT{0, 0, 10, 10});
            h.frame.SetActiveView(&h.view);
            h.status.Create(&h.frame, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR);
            h.status.SetIndicators(kIndicators, 1);
            h.frame.EnableDocking(CBRS_ALIGN_ANY);
            h.bar.Create(L"検索結果", &h.frame, kBarID, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM | CBRS_SIZE_DYNAMIC);
            h.bar.EnableDocking(CBRS_ALIGN_ANY);
            h.bar2.Create(L"二番目", &h.frame, SIZE{150, 120}, kBar2ID, WS_CHILD | CBRS_LEFT);
            h.bar2.EnableDocking(CBRS_ALIGN_ANY);
            h.frame.DockControlBar(&h.bar, AFX_IDW_DOCKBAR_BOTTOM);
            h.frame.DockControlBar(&h.bar2, AFX_IDW_DOCKBAR_LEFT);
        }
        return *s_pHost;
    }
    static void TearDownTestSuite() {
        if (s_pHost)
            s_pHost->frame.DestroyWindow();
        delete std::exchange(s_pHost, nullptr);
    }

    CFrameWnd& m_frame = H().frame;
    CView& m_view = H().view;
    CStatusBar& m_status = H().status;
    CTestBar& m_bar = H().bar;
    CTestBar& m_bar2 = H().bar2;

    void SetUp() override {
        ASSERT_NE(m_bar.m_hWnd, nullptr);
        for (CTestBar* p : {&m_bar, &m_bar2}) {
            p->m_szHorz = p->m_szVert = p->m_szFloat = SIZE{200, 200};
            p->SetSCBStyle(0);
        }
        m_frame.ShowControlBar(&m_bar2, false, false);
        m_frame.DockControlBar(&m_bar, AFX_IDW_DOCKBAR_BOTTOM);
        m_frame.ShowControlBar(&m_bar, true, false);
        m_bar.m_bDragShowContent = true;
    }

    RECT Client() const { return m_frame.GetClientRect(); }
    RECT In(HWND hWnd) const { return ChildRect(m_frame.m_hWnd, hWnd); }
    RECT BarRect() const { return In(m_bar.m_hWnd); }
    RECT ViewRect() const { return In(m_view.m_hWnd); }
    int StatusTop() const { return In(m_status.m_hWnd).top; }
    // A point on the bar's window, from its top-left.
    POINT At(int x, int y) const {
        RECT rc = ScreenRect(m_bar.m_hWnd);
        return POINT{rc.left + x, rc.top + y};
    }
    // Presses on a non-client spot as the system would: hit test first, then the button.
    LRESULT NcPress(POINT ptScreen) {
        LRESULT ht = HitTest(m_bar.m_hWnd, ptScreen);
        m_bar.SendMessage(WM_NCLBUTTONDOWN, static_cast<WPARAM>(ht), ScreenParam(ptScreen));
        return ht;
    }
    void MoveTo(POINT ptScreen) { m_bar.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, ClientParam(m_bar.m_hWnd, ptScreen)); }
    void Release(POINT ptScreen) { m_bar.SendMessage(WM_LBUTTONUP, 0, ClientParam(m_bar.m_hWnd, ptScreen)); }
};

TEST_F(DockingTest, EachSideInsetsTheViewAndSetsTheEdgeFacingTheInterior) {
    struct Case {
        UINT nID;
        DWORD dwEdge;
        RECT insets; // gripper on the left of a horizontal bar, at the top of a vertical one
    };
    const Case cases[] = {{AFX_IDW_DOCKBAR_TOP, SCBS_EDGEBOTTOM, {17, 5, 5, 5}},
                          {AFX_IDW_DOCKBAR_BOTTOM, SCBS_EDGETOP, {17, 5, 5, 5}},
                          {AFX_IDW_DOCKBAR_LEFT, SCBS_EDGERIGHT, {5, 17, 5, 5}},
                          {AFX_IDW_DOCKBAR_RIGHT, SCBS_EDGELEFT, {5, 17, 5, 5}}};
    RECT client = Client();
    int nStatusTop = StatusTop();
    EXPECT_EQ(In(m_status.m_hWnd).bottom, client.bottom) << "the status bar stays outermost";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nID);
        m_frame.DockControlBar(&m_bar, c.nID);
        EXPECT_EQ(m_bar.GetDockBarID(), c.nID);
        EXPECT_FALSE(m_bar.IsFloating());
        EXPECT_EQ(m_bar.GetSCBStyle() & SCBS_EDGEALL, c.dwEdge);
        EXPECT_TRUE(Insets(m_bar.m_hWnd) == c.insets);
        RECT rcBar = BarRect(), rcView = ViewRect();
        RECT expectedView{0, 0, client.right, nStatusTop};
        switch (c.nID) {
        case AFX_IDW_DOCKBAR_TOP:
            EXPECT_EQ(rcBar.top, 0);
            expectedView.top = 200;
            break;
        case AFX_IDW_DOCKBAR_BOTTOM:
            EXPECT_EQ(rcBar.bottom, nStatusTop) << "the bar sits on the status bar";
            expectedView.bottom = nStatusTop - 200;
            break;
        case AFX_IDW_DOCKBAR_LEFT:
            EXPECT_EQ(rcBar.left, 0);
            EXPECT_EQ(rcBar.bottom - rcBar.top, nStatusTop - 2) << "a vertical row is 2 pixels short";
            expectedView.left = 200;
            break;
        default:
            EXPECT_EQ(rcBar.right, client.right);
            expectedView.right = client.right - 200;
            break;
        }
        EXPECT_TRUE(rcView == expectedView)
            << rcView.left << "," << rcView.top << "," << rcView.right << "," << rcView.bottom;
        // Shown edges take room of their own on the inner side.
        m_bar.SetSCBStyle(m_bar.GetSCBStyle() | SCBS_SHOWEDGES);
        m_frame.RecalcLayout();
        RECT wide = Insets(m_bar.m_hWnd);
        EXPECT_EQ(wide.left + wide.top + wide.right + wide.bottom,
                  c.insets.left + c.insets.top + c.insets.right + c.insets.bottom + 5);
        m_bar.SetSCBStyle(m_bar.GetSCBStyle() & ~static_cast<DWORD>(SCBS_SHOWEDGES));
        m_frame.RecalcLayout();
    }

    // Top, bottom and left at once: top and bottom run the full width, the left bar fits between
    // them, the view takes the rest above the status bar; hiding a bar gives its room back.
    m_frame.DockControlBar(&m_bar, AFX_IDW_DOCKBAR_BOTTOM);
    m_bar2.m_szVert.cx = 150;
    m_frame.ShowControlBar(&m_bar2, true, false);
    EXPECT_EQ(m_bar2.GetDockBarID(), static_cast<UINT>(AFX_IDW_DOCKBAR_LEFT));
    RECT rcLeft = In(m_bar2.m_hWnd), rcBottom = BarRect();
    EXPECT_EQ(rcLeft.left, 0);
    EXPECT_EQ(rcLeft.right, 150);
    EXPECT_LE(rcLeft.bottom, rcBottom.top);
    EXPECT_TRUE(ViewRect() == (RECT{150, 0, client.right, nStatusTop - 200}));
    m_frame.ShowControlBar(&m_bar2, false, false);
    m_frame.ShowControlBar(&m_bar, false, false);
    EXPECT_TRUE(ViewRect() == (RECT{0, 0, client.right, nStatusTop}));
    // A delayed show lays the frame out on the next idle pass.
    m_frame.ShowControlBar(&m_bar, true, true);
    EXPECT_EQ(ViewRect().bottom, nStatusTop);
    m_frame.OnIdleUpdateCmdUI();
    EXPECT_EQ(ViewRect().bottom, nStatusTop - 200);
}

TEST_F(DockingTest, HitTestsFindTheInnerEdgeAndTheCloseButton) {
    RECT rc = ScreenRect(m_bar.m_hWnd);
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    EXPECT_EQ(HitTest(m_bar.m_hWnd, At(cx / 2, 2)), HTTOP);
    EXPECT_EQ(HitTest(m_bar.m_hWnd, At(2, cy / 2)), HTCLIENT) << "no edge on the frame's side";
    EXPECT_EQ(HitTest(m_bar.m_hWnd, At(cx - 2, cy / 2)), HTCLIENT);
    EXPECT_EQ(HitTest(m_bar.m_hWnd, At(cx / 2, cy - 2)), HTCLIENT);
    EXPECT_EQ(HitTest(m_bar.m_hWnd, At(cx / 2, cy / 2)), HTCLIENT);
    // The close button: 11 by 11 at the top of the gripper strip, left of the client area.
    RECT rcClose = m_bar.GetCloseRect();
    EXPECT_TRUE(rcClose == (RECT{5, 5, 16, 16}));
    EXPECT_EQ(HitTest(m_bar.m_hWnd, At(10, 10)), HTCLOSE);
    EXPECT_EQ(HitTest(m_bar.m_hWnd, At(10, 40)), HTCLIENT) << "the gripper below the button";

    // Docked at the left: the edge on the right, the button at the right end of the top strip.
    m_frame.DockControlBar(&m_bar, AFX_IDW_DOCKBAR_LEFT);
    rc = ScreenRect(m_bar.m_hWnd);
    cx = rc.right - rc.left;
    EXPECT_EQ(HitTest(m_bar.m_hWnd, At(cx - 1, 60)), HTRIGHT);
    EXPECT_EQ(HitTest(m_bar.m_hWnd, At(1, 60)), HTCLIENT);
    EXPECT_TRUE(m_bar.GetCloseRect() == (RECT{cx - 16, 5, cx - 5, 16}));
    EXPECT_EQ(HitTest(m_bar.m_hWnd, At(cx - 10, 10)), HTCLOSE);
}

TEST_F(DockingTest, BottomBarResizesThroughItsTopEdgeWithinTheFreeArea) {
    // The bottom and side edges are no sizing edges: pressing there starts no tracking.
    RECT rc = ScreenRect(m_bar.m_hWnd);
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    for (POINT pt : {At(cx / 2, cy - 1), At(1, cy / 2), At(cx - 1, cy / 2)}) {
        NcPress(pt);
        EXPECT_FALSE(m_bar.IsTracking());
        Release(pt);
    }

    int nStatusTop = StatusTop();
    int nFree = ViewRect().bottom; // the view's height
    POINT ptPress = At(cx / 2, 2);
    ASSERT_EQ(NcPress(ptPress), HTTOP);
    ASSERT_TRUE(m_bar.IsTracking());
    EXPECT_EQ(::GetCapture(), m_bar.m_hWnd);
    // With window contents shown while dragging, the frame follows every move.
    MoveTo(POINT{ptPress.x, ptPress.y - 50});
    EXPECT_EQ(BarRect().top, nStatusTop - 250);
    EXPECT_EQ(ViewRect().bottom, nStatusTop - 250);
    // Far beyond the frame: the bar stops where the free area (less 2 pixels) is used up.
    MoveTo(POINT{ptPress.x, ptPress.y - 5000});
    EXPECT_EQ(m_bar.m_szHorz.cy, 200 + nFree - 2);
    EXPECT_EQ(ViewRect().bottom - ViewRect().top, 2);
    // And down to the minimum thickness.
    MoveTo(POINT{ptPress.x, ptPress.y + 5000});
    EXPECT_EQ(m_bar.m_szHorz.cy, 32);
    EXPECT_EQ(BarRect().top, nStatusTop - 32);
    MoveTo(POINT{ptPress.x, ptPress.y - 100});
    Release(POINT{ptPress.x, ptPress.y - 100});
    EXPECT_FALSE(m_bar.IsTracking());
    EXPECT_NE(::GetCapture(), m_bar.m_hWnd);
    EXPECT_EQ(BarRect().top, nStatusTop - 300);

    // Without window contents while dragging, only a tracking line moves; the layout changes when
    // the button is released.
    m_bar.m_bDragShowContent = false;
    ptPress = At(cx / 2, 1);
    ASSERT_EQ(NcPress(ptPress), HTTOP);
    MoveTo(POINT{ptPress.x, ptPress.y + 40});
    EXPECT_EQ(BarRect().top, nStatusTop - 300);
    Release(POINT{ptPress.x, ptPress.y + 40});
    EXPECT_EQ(BarRect().top, nStatusTop - 260);

    // Losing the capture ends the tracking too.
    ptPress = At(cx / 2, 1);
    ASSERT_EQ(NcPress(ptPress), HTTOP);
    ::SetCapture(m_frame.m_hWnd);
    EXPECT_FALSE(m_bar.IsTracking());
    ::ReleaseCapture();
}

TEST_F(DockingTest, FullDragFollowsTheSystemSettingFromTheNextChange) {
    BOOL bSaved = FALSE;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &bSaved, 0));
    for (BOOL bFull : {TRUE, FALSE}) {
        // Not written to the profile: the setting lasts for this session only.
        ASSERT_TRUE(::SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, static_cast<UINT>(bFull), nullptr, 0));
        m_bar.m_bDragShowContent = !bFull;
        // The frame hears of the change as a top-level window and tells its bars.
        m_frame.SendMessage(WM_SETTINGCHANGE, SPI_SETDRAGFULLWINDOWS, 0);
        EXPECT_EQ(m_bar.IsDragShowContent(), bFull != FALSE);
    }
    ::SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, static_cast<UINT>(bSaved), nullptr, 0);
}

TEST_F(DockingTest, CloseButtonFollowsThePointerAndHidesOnReleaseOverIt) {
    POINT ptSaved{};
    ::GetCursorPos(&ptSaved);
    POINT ptButton = At(10, 10), ptAway = At(100, 60);
    ASSERT_TRUE(::SetCursorPos(ptButton.x, ptButton.y));
    m_frame.OnIdleUpdateCmdUI();
    EXPECT_TRUE(m_bar.IsCloseHovered());
    EXPECT_FALSE(m_bar.IsClosePushed());
    {
        CHeldKeys held{VK_LBUTTON};
        m_frame.OnIdleUpdateCmdUI();
        EXPECT_TRUE(m_bar.IsClosePushed());
        ::SetCursorPos(ptAway.x, ptAway.y);
        m_frame.OnIdleUpdateCmdUI();
        EXPECT_FALSE(m_bar.IsClosePushed());
        EXPECT_FALSE(m_bar.IsCloseHovered());
    }
    ::SetCursorPos(ptSaved.x, ptSaved.y);

    // Pressed on the button and released elsewhere: the bar stays.
    EXPECT_EQ(NcPress(ptButton), HTCLOSE);
    m_bar.SendMessage(WM_NCLBUTTONUP, HTCLIENT, ScreenParam(ptAway));
    EXPECT_TRUE(m_bar.IsVisible());
    // Released over it: hidden, and the view takes the room back.
    EXPECT_EQ(NcPress(ptButton), HTCLOSE);
    m_bar.SendMessage(WM_NCLBUTTONUP, HTCLOSE, ScreenParam(ptButton));
    EXPECT_FALSE(m_bar.IsVisible());
    EXPECT_EQ(ViewRect().bottom, StatusTop());

    // WM_CLOSE never closes the bar.
    m_frame.ShowControlBar(&m_bar, true, false);
    m_bar.SendMessage(WM_CLOSE);
    ASSERT_TRUE(::IsWindow(m_bar.m_hWnd));
    EXPECT_TRUE(m_bar.IsVisible());
}

TEST_F(DockingTest, FloatsInAMiniFrameAndDocksAgain) {
    m_frame.FloatControlBar(&m_bar, POINT{300, 280});
    ASSERT_TRUE(m_bar.IsFloating());
    EXPECT_EQ(m_bar.GetDockBarID(), static_cast<UINT>(AFX_IDW_DOCKBAR_FLOAT));
    CMiniDockFrameWnd* pMini = m_frame.GetMiniFrame(&m_bar);
    ASSERT_NE(pMini, nullptr);
    EXPECT_TRUE(::IsWindowVisible(pMini->m_hWnd));
    EXPECT_EQ(pMini->GetWindowText(), L"検索結果");
    RECT rcMini = ScreenRect(pMini->m_hWnd);
    EXPECT_EQ(rcMini.left, 300);
    EXPECT_EQ(rcMini.top, 280);
    // The bar fills the mini-frame's client area at its floating size, with no gripper, close
    // button or edges of its own. Floating for the first time, it takes half the frame's width and
    // a third of its height.
    const RECT rcFrame = ScreenRect(m_frame.m_hWnd);
    const int cxFloat = (rcFrame.right - rcFrame.left) / 2, cyFloat = (rcFrame.bottom - rcFrame.top) / 3;
    RECT rcBar = ScreenRect(m_bar.m_hWnd);
    EXPECT_EQ(rcBar.right - rcBar.left, cxFloat);
    EXPECT_EQ(rcBar.bottom - rcBar.top, cyFloat);
    EXPECT_TRUE(Insets(m_bar.m_hWnd) == (RECT{3, 5, 3, 3}));
    EXPECT_EQ(m_bar.GetSCBStyle() & SCBS_EDGEALL, 0u);
    RECT rcClose = m_bar.GetCloseRect();
    EXPECT_TRUE(::IsRectEmpty(&rcClose));
    for (int y = 0; y < cyFloat; y += 4)
        for (int x : {1, 8, 100, cxFloat - 2})
            ASSERT_EQ(HitTest(m_bar.m_hWnd, POINT{rcBar.left + x, rcBar.top + y}), HTCLIENT) << x << "," << y;
    EXPECT_EQ(ViewRect().bottom, StatusTop()) << "the view takes the bar's room";

    // The bar's title is the caption.
    m_bar.SetWindowText(L"新しい題");
    EXPECT_EQ(pMini->GetWindowText(), L"新しい題");
    m_bar.SetWindowText(L"検索結果");

    // The sizing borders set the floating size, never below 37 by 32.
    SIZE sizeWnd = CMiniDockFrameWnd::WindowSizeFor(SIZE{260, 150});
    ::SetWindowPos(pMini->m_hWnd, nullptr, 0, 0, sizeWnd.cx, sizeWnd.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(m_bar.m_szFloat.cx, 260);
    EXPECT_EQ(m_bar.m_szFloat.cy, 150);
    rcBar = ScreenRect(m_bar.m_hWnd);
    EXPECT_EQ(rcBar.right - rcBar.left, 260);
    ::SetWindowPos(pMini->m_hWnd, nullptr, 0, 0, 20, 20, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_GE(m_bar.m_szFloat.cx, 37);
    EXPECT_GE(m_bar.m_szFloat.cy, 32);
    MINMAXINFO info{};
    pMini->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    SIZE sizeMin = CMiniDockFrameWnd::WindowSizeFor(SIZE{37, 32});
    EXPECT_GE(info.ptMinTrackSize.x, sizeMin.cx);
    EXPECT_GE(info.ptMinTrackSize.y, sizeMin.cy);

    // The mini-frame's close box hides the bar; showing the bar brings both back.
    pMini->SendMessage(WM_CLOSE);
    EXPECT_FALSE(m_bar.IsVisible());
    EXPECT_FALSE(::IsWindowVisible(pMini->m_hWnd));
    m_frame.ShowControlBar(&m_bar, true, false);
    EXPECT_TRUE(::IsWindowVisible(pMini->m_hWnd));

    // Docked again at the bottom: the mini-frame goes out of sight and the bar gets its gripper.
    m_frame.DockControlBar(&m_bar, AFX_IDW_DOCKBAR_BOTTOM);
    EXPECT_FALSE(m_bar.IsFloating());
    EXPECT_FALSE(::IsWindowVisible(pMini->m_hWnd));
    EXPECT_EQ(BarRect().bottom, StatusTop());
    EXPECT_TRUE(Insets(m_bar.m_hWnd) == (RECT{17, 5, 5, 5}));

    // A double click toggles: out to float where it floated before, back to the bottom.
    m_bar.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 50));
    EXPECT_TRUE(m_bar.IsFloating());
    EXPECT_EQ(m_frame.GetMiniFrame(&m_bar), pMini) << "the mini-frame is used again";
    m_bar.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 50));
    EXPECT_EQ(m_bar.GetDockBarID(), static_cast<UINT>(AFX_IDW_DOCKBAR_BOTTOM));
    // So does a double click on the mini-frame's caption.
    m_frame.FloatControlBar(&m_bar, POINT{320, 300});
    pMini->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    EXPECT_EQ(m_bar.GetDockBarID(), static_cast<UINT>(AFX_IDW_DOCKBAR_BOTTOM));
}

TEST_F(DockingTest, DraggingTheGripperDocksOnAnotherSideOrFloats) {
    RECT client = Client();
    auto framePoint = [this](int x, int y) {
        POINT pt{x, y};
        ::ClientToScreen(m_frame.m_hWnd, &pt);
        return pt;
    };
    auto drag = [this](POINT ptFrom, POINT ptTo) {
        m_bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, ClientParam(m_bar.m_hWnd, ptFrom));
        EXPECT_EQ(::GetCapture(), m_bar.m_hWnd);
        // Several moves, as a real drag sends.
        for (int i = 1; i <= 4; ++i)
            MoveTo(POINT{ptFrom.x + (ptTo.x - ptFrom.x) * i / 4, ptFrom.y + (ptTo.y - ptFrom.y) * i / 4});
        Release(ptTo);
        EXPECT_NE(::GetCapture(), m_bar.m_hWnd);
    };
    POINT ptGrip = At(10, 60);
    ASSERT_EQ(HitTest(m_bar.m_hWnd, ptGrip), HTCLIENT);

    // A press without a move is no drag.
    drag(ptGrip, POINT{ptGrip.x + 1, ptGrip.y + 1});
    EXPECT_EQ(m_bar.GetDockBarID(), static_cast<UINT>(AFX_IDW_DOCKBAR_BOTTOM));

    // Onto the left side of the frame: docked at the left.
    drag(ptGrip, framePoint(4, client.bottom / 3));
    EXPECT_EQ(m_bar.GetDockBarID(), static_cast<UINT>(AFX_IDW_DOCKBAR_LEFT));
    EXPECT_EQ(ViewRect().left, 200);
    // Onto the top: docked at the top.
    drag(At(60, 10), framePoint(client.right / 2, 3));
    EXPECT_EQ(m_bar.GetDockBarID(), static_cast<UINT>(AFX_IDW_DOCKBAR_TOP));
    EXPECT_EQ(ViewRect().top, 200);
    // Into the middle of the view: floating, its window's top-left where the frame was drawn.
    POINT ptMiddle = framePoint(client.right / 2, client.bottom / 2 + 60);
    UINT nTarget = m_bar.GetDockContext()->DropTarget(ptMiddle);
    EXPECT_EQ(nTarget, static_cast<UINT>(AFX_IDW_DOCKBAR_FLOAT));
    m_bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, ClientParam(m_bar.m_hWnd, At(10, 60)));
    MoveTo(ptMiddle);
    RECT rcDrop = m_bar.GetDockContext()->DropRect(ptMiddle, nTarget);
    Release(ptMiddle);
    ASSERT_TRUE(m_bar.IsFloating());
    RECT rcMini = ScreenRect(m_frame.GetMiniFrame(&m_bar)->m_hWnd);
    EXPECT_EQ(rcMini.left, rcDrop.left);
    EXPECT_EQ(rcMini.top, rcDrop.top);
    // The mini-frame's caption drags it too: moved by the pointer's way, then onto the bottom, just
    // above the status bar.
    HWND hMini = m_frame.GetMiniFrame(&m_bar)->m_hWnd;
    POINT ptCaption{rcMini.left + 30, rcMini.top + 5};
    ASSERT_EQ(::SendMessageW(hMini, WM_NCHITTEST, 0, ScreenParam(ptCaption)), HTCAPTION);
    ::SendMessageW(hMini, WM_NCLBUTTONDOWN, HTCAPTION, ScreenParam(ptCaption));
    EXPECT_EQ(::GetCapture(), m_bar.m_hWnd);
    MoveTo(POINT{ptCaption.x + 40, ptCaption.y + 30});
    Release(POINT{ptCaption.x + 40, ptCaption.y + 30});
    EXPECT_TRUE(m_bar.IsFloating());
    EXPECT_EQ(ScreenRect(hMini).left, rcMini.left + 40);
    EXPECT_EQ(ScreenRect(hMini).top, rcMini.top + 30);
    rcMini = ScreenRect(hMini);
    ptCaption = POINT{rcMini.left + 30, rcMini.top + 5};
    ::SendMessageW(hMini, WM_NCLBUTTONDOWN, HTCAPTION, ScreenParam(ptCaption));
    MoveTo(framePoint(client.right / 2, StatusTop() - 3));
    Release(framePoint(client.right / 2, StatusTop() - 3));
    EXPECT_EQ(m_bar.GetDockBarID(), static_cast<UINT>(AFX_IDW_DOCKBAR_BOTTOM));
    EXPECT_EQ(BarRect().bottom, StatusTop());

    // The right button cancels a drag.
    m_bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, ClientParam(m_bar.m_hWnd, At(10, 60)));
    MoveTo(framePoint(4, client.bottom / 3));
    m_bar.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, 0);
    EXPECT_FALSE(m_bar.GetDockContext()->IsTracking());
    EXPECT_EQ(m_bar.GetDockBarID(), static_cast<UINT>(AFX_IDW_DOCKBAR_BOTTOM));
    // So does Esc, wherever the keyboard focus is, and the release then does nothing.
    m_bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, ClientParam(m_bar.m_hWnd, At(10, 60)));
    MoveTo(framePoint(4, client.bottom / 3));
    {
        CHeldKeys held{VK_ESCAPE};
        MoveTo(framePoint(6, client.bottom / 3));
    }
    EXPECT_FALSE(m_bar.GetDockContext()->IsTracking());
    EXPECT_NE(::GetCapture(), m_bar.m_hWnd);
    Release(framePoint(6, client.bottom / 3));
    EXPECT_EQ(m_bar.GetDockBarID(), static_cast<UINT>(AFX_IDW_DOCKBAR_BOTTOM));
}

TEST_F(DockingTest, BarsInOneRowShareItsLengthAndTheEdgeBetweenThem) {
    // The second bar dropped onto the bottom row, right of the first.
    m_frame.ShowControlBar(&m_bar2, true, false);
    RECT rcBar = ScreenRect(m_bar.m_hWnd);
    RECT rcDrop{rcBar.right - 60, rcBar.top + 10, rcBar.right - 10, rcBar.top + 60};
    m_frame.DockControlBar(&m_bar2, AFX_IDW_DOCKBAR_BOTTOM, &rcDrop);
    ASSERT_EQ(m_bar.GetDockBar()->GetVisibleRow(&m_bar).size(), 2u);
    int nLength = Client().right + 2;
    EXPECT_EQ(m_bar.m_szHorz.cx + m_bar2.m_szHorz.cx, nLength);
    EXPECT_EQ(m_bar.GetSCBStyle() & SCBS_EDGEALL, static_cast<DWORD>(SCBS_EDGETOP | SCBS_EDGERIGHT));
    EXPECT_EQ(m_bar2.GetSCBStyle() & SCBS_EDGEALL, static_cast<DWORD>(SCBS_EDGETOP));
    EXPECT_EQ(In(m_bar2.m_hWnd).left, BarRect().right);

    // Dragging the edge between them hands length from one to the other, down to the minimum.
    rcBar = ScreenRect(m_bar.m_hWnd);
    POINT ptEdge{rcBar.right - 2, (rcBar.top + rcBar.bottom) / 2};
    ASSERT_EQ(NcPress(ptEdge), HTRIGHT);
    MoveTo(POINT{ptEdge.x + 5000, ptEdge.y});
    Release(POINT{ptEdge.x + 5000, ptEdge.y});
    EXPECT_EQ(m_bar2.m_szHorz.cx, 33);
    EXPECT_EQ(m_bar.m_szHorz.cx, nLength - 33);
    // The thickness of the row follows its top edge for both bars.
    rcBar = ScreenRect(m_bar.m_hWnd);
    POINT ptTop{rcBar.left + 100, rcBar.top + 1};
    ASSERT_EQ(NcPress(ptTop), HTTOP);
    MoveTo(POINT{ptTop.x, ptTop.y - 30});
    Release(POINT{ptTop.x, ptTop.y - 30});
    EXPECT_EQ(m_bar.m_szHorz.cy, 230);
    EXPECT_EQ(m_bar2.m_szHorz.cy, 230);
    m_frame.DockControlBar(&m_bar2, AFX_IDW_DOCKBAR_LEFT);
}

TEST_F(DockingTest, MinimumSizesHoldAndTheChildFillsTheClientArea) {
    m_bar.m_szHorz.cy = 5;
    m_frame.RecalcLayout();
    EXPECT_EQ(BarRect().bottom - BarRect().top, 32);
    m_frame.DockControlBar(&m_bar, AFX_IDW_DOCKBAR_RIGHT);
    m_bar.m_szVert.cx = 1;
    m_frame.RecalcLayout();
    EXPECT_EQ(BarRect().right - BarRect().left, 33);
    EXPECT_EQ(m_bar.CalcDynamicLayout(1, LM_COMMIT).cx, 37);
    EXPECT_EQ(m_bar.CalcDynamicLayout(1, LM_LENGTHY | LM_COMMIT).cy, 32);

    // With SCBS_SIZECHILD the first child window covers the client area at every size.
    m_frame.DockControlBar(&m_bar, AFX_IDW_DOCKBAR_BOTTOM);
    m_bar.m_szHorz.cy = 150;
    m_bar.SetSCBStyle(m_bar.GetSCBStyle() | SCBS_SIZECHILD);
    HWND hChild = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 1, 1, m_bar.m_hWnd,
                                    nullptr, nullptr, nullptr);
    ASSERT_NE(hChild, nullptr);
    m_frame.RecalcLayout();
    RECT rcChild{}, rcClient = m_bar.GetClientRect();
    ::GetWindowRect(hChild, &rcChild);
    EXPECT_EQ(rcChild.right - rcChild.left, rcClient.right);
    EXPECT_EQ(rcChild.bottom - rcChild.top, rcClient.bottom);
    EXPECT_EQ(rcClient.bottom, 150 - 10);
    // Hiding the bar while its child has the keyboard focus hands the focus to the view.
    ::SetFocus(hChild);
    if (::GetFocus() == hChild) {
        m_frame.ShowControlBar(&m_bar, false, false);
        EXPECT_EQ(::GetFocus(), m_view.m_hWnd);
    } else {
        ADD_FAILURE() << "the child did not take the focus";
    }
    ::DestroyWindow(hChild);
}
