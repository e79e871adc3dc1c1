// The shell's framework pieces on real windows: the status bar's panes and indicators, the frame's
// layout with a status bar and its status-bar command, and menu prompts.
#include "framework/CmdUI.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/StatusBar.h"
#include "framework/Strings.h"
#include "framework/View.h"
#include <commctrl.h>
#include <gtest/gtest.h>

namespace {
const UINT kIndicators[] = {ID_SEPARATOR, ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_KANA};

std::wstring PaneText(const CStatusBar& bar, int i) {
    int n = LOWORD(bar.SendMessage(SB_GETTEXTLENGTHW, static_cast<WPARAM>(i)));
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    bar.SendMessage(SB_GETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(n));
    return text;
}

// A frame with a plain view and a status bar, not shown (no window-manager wait under Xvfb).
struct FrameWithBar {
    FrameWithBar() {
        EXPECT_TRUE(frame.Create(L"shell", WS_OVERLAPPEDWINDOW, &rc));
        EXPECT_TRUE(view.CreateView(frame.m_hWnd, AFX_IDW_PANE_FIRST, RECT{0, 0, 10, 10}));
        frame.SetActiveView(&view);
        EXPECT_TRUE(bar.Create(&frame, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR));
        EXPECT_TRUE(bar.SetIndicators(kIndicators, 4));
        frame.RecalcLayout();
    }
    RECT rc{0, 0, 600, 400};
    CFrameWnd frame;
    CView view;
    CStatusBar bar;
};

RECT ChildRect(HWND hParent, HWND hChild) {
    RECT r{};
    ::GetWindowRect(hChild, &r);
    ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}
} // namespace

TEST(ShellStatusBar, PanesWidthsTextsAndIndicators) {
    FrameWithBar f;
    EXPECT_EQ(f.bar.GetCount(), 4);
    EXPECT_EQ(f.bar.SendMessage(SB_GETPARTS, 0, 0), 4);
    // An indicator is as wide as its text; a pane sized by a sample string grows with it.
    UINT nID = 0, nStyle = 0;
    int cx = 0;
    f.bar.GetPaneInfo(2, nID, nStyle, cx);
    EXPECT_EQ(nID, static_cast<UINT>(ID_INDICATOR_CAPS));
    EXPECT_EQ(cx, f.bar.MeasureText(L"CAP"));
    int cxSample = f.bar.MeasureText(L"UTF-32(little endian) / CRLF ");
    EXPECT_GT(cxSample, f.bar.MeasureText(L"SJIS"));
    f.bar.SetPaneInfo(1, ID_SEPARATOR, SBPS_NORMAL, cxSample);
    int edges[4] = {};
    f.bar.SendMessage(SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges));
    EXPECT_GE(edges[1] - edges[0], cxSample);
    EXPECT_GT(edges[0], 0) << "the first pane takes what the others leave";

    ASSERT_TRUE(f.bar.SetPaneText(1, L"\t\tSJIS / CRLF "));
    EXPECT_EQ(PaneText(f.bar, 1), L"\t\tSJIS / CRLF ");
    EXPECT_EQ(f.bar.GetPaneText(1), L"\t\tSJIS / CRLF ");
    EXPECT_FALSE(f.bar.SetPaneText(9, L"x"));

    // Lock indicators show their text only while the lock is on.
    BYTE keys[256];
    ::GetKeyboardState(keys);
    BYTE saved = keys[VK_CAPITAL];
    keys[VK_CAPITAL] = 1;
    ::SetKeyboardState(keys);
    f.bar.OnIdleUpdate(&f.frame);
    EXPECT_EQ(PaneText(f.bar, 2), L"CAP");
    keys[VK_CAPITAL] = 0;
    ::SetKeyboardState(keys);
    f.bar.OnIdleUpdate(&f.frame);
    EXPECT_EQ(PaneText(f.bar, 2), L"");
    keys[VK_CAPITAL] = saved;
    ::SetKeyboardState(keys);
}

TEST(ShellFrame, LayoutStatusBarCommandAndPrompts) {
    FrameWithBar f;
    RECT client = f.frame.GetClientRect();
    RECT rcBar = ChildRect(f.frame.m_hWnd, f.bar.m_hWnd);
    RECT rcView = ChildRect(f.frame.m_hWnd, f.view.m_hWnd);
    EXPECT_EQ(rcBar.bottom, client.bottom);
    EXPECT_EQ(rcView.bottom, rcBar.top) << "the view ends where the bar starts";
    EXPECT_EQ(rcView.top, 0);

    // The status-bar command hides and shows the bar, with its check mark, and the view follows.
    CCmdUI state(ID_VIEW_STATUS_BAR);
    state.DoUpdate(&f.frame, true);
    EXPECT_TRUE(state.IsEnabled());
    EXPECT_TRUE(state.IsChecked());
    EXPECT_TRUE(f.frame.ExecuteCommand(ID_VIEW_STATUS_BAR));
    EXPECT_FALSE(f.bar.IsVisible());
    EXPECT_EQ(ChildRect(f.frame.m_hWnd, f.view.m_hWnd).bottom, client.bottom);
    CCmdUI after(ID_VIEW_STATUS_BAR);
    after.DoUpdate(&f.frame, true);
    EXPECT_FALSE(after.IsChecked());
    EXPECT_TRUE(f.frame.ExecuteCommand(ID_VIEW_STATUS_BAR));
    EXPECT_TRUE(f.bar.IsVisible());

    // A highlighted item's prompt is its string up to "\n"; a closed menu brings the idle text.
    f.frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_FILE_OPEN, MF_HILITE), 0);
    EXPECT_EQ(PaneText(f.bar, 0), L"既存のドキュメントを開きます");
    f.frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(PaneText(f.bar, 0), LoadStringResource(AFX_IDS_IDLEMESSAGE));
}
