// The find-in-files results pane on a real frame, as the main frame sets it up: docked on each
// side, floating and docked again, its edit control always fills the pane and keeps the results;
// the control takes no typing, paste or Delete.
#include <gtest/gtest.h>
#include "framework/FrameWnd.h"
#include "framework/View.h"
#include "res/resource.h"
#include "search/FindResultsBar.h"
#include <string>

namespace {
std::wstring Text(HWND h) {
    int n = ::GetWindowTextLengthW(h);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(::GetWindowTextW(h, s.data(), n + 1)));
    return s;
}
void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}
} // namespace

TEST(FindResultsBarTest, EditFillsThePaneOnEverySideFloatingAndDockedAgainAndTakesNoInput) {
    CFrameWnd frame;
    CView view;
    CFindResultsBar pane;
    RECT rc{40, 40, 740, 560};
    ASSERT_TRUE(frame.Create(L"FindResultsBarTest", WS_OVERLAPPEDWINDOW, &rc));
    ASSERT_TRUE(view.CreateView(frame.m_hWnd, AFX_IDW_PANE_FIRST, RECT{0, 0, 10, 10}));
    frame.SetActiveView(&view);
    frame.EnableDocking(CBRS_ALIGN_ANY);
    ASSERT_TRUE(pane.Create(L"ファイルから検索結果", &frame, IDW_FIND_RESULTS, WS_CHILD | WS_VISIBLE | CBRS_TOP));
    frame.ShowControlBar(&pane, false, false);
    pane.SetBarStyle(pane.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC);
    pane.EnableDocking(CBRS_ALIGN_ANY);
    frame.DockControlBar(&pane, AFX_IDW_DOCKBAR_BOTTOM);
    ::ShowWindow(frame.m_hWnd, SW_SHOW);
    EXPECT_FALSE(pane.IsVisible());
    HWND hEdit = pane.GetEdit().m_hWnd;
    ASSERT_NE(hEdit, nullptr);
    EXPECT_EQ(::GetDlgCtrlID(hEdit), IDW_FIND_RESULTS);
    EXPECT_TRUE(::GetWindowLongPtrW(hEdit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(::GetWindowLongPtrW(hEdit, GWL_STYLE) & ES_READONLY);

    frame.ShowControlBar(&pane, true, false);
    pane.ClearResults();
    pane.AppendResultLine(L"'x'を検索中...\r\n");
    pane.AppendResultLine(L"C:\\a.txt(1):x\r\n1 個、検索されました。'\r\n");
    const std::wstring strText = Text(hEdit);
    EXPECT_EQ(strText, L"'x'を検索中...\r\nC:\\a.txt(1):x\r\n1 個、検索されました。'\r\n");

    auto check = [&](const char* where) {
        Pump();
        SCOPED_TRACE(where);
        EXPECT_TRUE(pane.IsVisible());
        RECT rcClient{}, rcEdit{};
        ::GetClientRect(pane.m_hWnd, &rcClient);
        ::GetWindowRect(hEdit, &rcEdit);
        ::MapWindowPoints(nullptr, pane.m_hWnd, reinterpret_cast<POINT*>(&rcEdit), 2);
        EXPECT_TRUE(::EqualRect(&rcClient, &rcEdit))
            << rcEdit.left << "," << rcEdit.top << " " << rcEdit.right << "," << rcEdit.bottom;
        EXPECT_GT(rcClient.right, 20);
        EXPECT_GT(rcClient.bottom, 20);
        EXPECT_EQ(Text(hEdit), strText);
    };
    check("bottom");
    for (UINT side : {AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_RIGHT}) {
        frame.DockControlBar(&pane, side);
        check(side == AFX_IDW_DOCKBAR_LEFT ? "left" : side == AFX_IDW_DOCKBAR_TOP ? "top" : "right");
    }
    frame.FloatControlBar(&pane, POINT{200, 200});
    check("floating");
    frame.DockControlBar(&pane, AFX_IDW_DOCKBAR_BOTTOM);
    check("bottom again");

    // No typing, Backspace, paste, cut or Delete changes the text; Enter on the start line opens
    // nothing and inserts no line break.
    ::SendMessageW(hEdit, EM_SETSEL, 0, 3);
    for (wchar_t ch : std::wstring(L"ab\b\x16\x18\r"))
        ::SendMessageW(hEdit, WM_CHAR, ch, 1);
    ::SendMessageW(hEdit, WM_KEYDOWN, VK_DELETE, 1);
    ::SendMessageW(hEdit, WM_PASTE, 0, 0);
    ::SendMessageW(hEdit, WM_CUT, 0, 0);
    ::SendMessageW(hEdit, WM_CLEAR, 0, 0);
    EXPECT_EQ(Text(hEdit), strText);
    frame.DestroyWindow();
}
