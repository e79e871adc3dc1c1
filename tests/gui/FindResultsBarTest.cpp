// The find-in-files results pane on a real frame, as the main frame sets it up: docked on each
// side, floating and docked again, its text control always fills the pane and keeps the results;
// the control is read-only (no typing, paste, cut, Delete or undo) but copies, and shows white.
#include <gtest/gtest.h>
#include "framework/Clipboard.h"
#include "framework/FrameWnd.h"
#include "framework/View.h"
#include "res/resource.h"
#include "search/FindResultsBar.h"
#include "view/TextControl.h"
#include <string>
#include <utility>

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
    EXPECT_TRUE(::GetWindowLongPtrW(hEdit, GWL_STYLE) & ES_READONLY);
    wchar_t szClass[64] = {};
    ::GetClassNameW(hEdit, szClass, 64);
    EXPECT_STREQ(szClass, CTextControl::kClassName);

    frame.ShowControlBar(&pane, true, false);
    pane.ClearResults();
    pane.AppendResultLine(L"'x'を検索中...\r\n");
    pane.AppendResultLine(L"C:\\a.txt(1):x\r\n1 個、検索されました。'\r\n");
    const std::wstring strText = Text(hEdit);
    EXPECT_EQ(strText, L"'x'を検索中...\r\nC:\\a.txt(1):x\r\n1 個、検索されました。'\r\n");
    // A hit line is read as the jump reads it: EM_GETLINE, as far as the buffer's first unit says.
    wchar_t line[32] = {31};
    ASSERT_EQ(::SendMessageW(hEdit, EM_GETLINE, 1, reinterpret_cast<LPARAM>(line)), 13);
    EXPECT_EQ(std::wstring(line, 13), L"C:\\a.txt(1):x");
    line[0] = 4;
    ASSERT_EQ(::SendMessageW(hEdit, EM_GETLINE, 1, reinterpret_cast<LPARAM>(line)), 4);
    EXPECT_EQ(std::wstring(line, 4), L"C:\\a");
    EXPECT_EQ(line[4], L'.'); // from the first read: nothing written past the size
    EXPECT_EQ(::SendMessageW(hEdit, EM_GETLINE, 9, reinterpret_cast<LPARAM>(line)), 0);

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

    // No typing, Backspace, paste, cut, Delete, Shift+Insert or undo changes the text; Enter on the
    // start line opens nothing and inserts no line break.
    {
        CClipboard clipboard(frame.m_hWnd);
        ASSERT_TRUE(clipboard.SetText(L"pasted"));
    }
    ::SendMessageW(hEdit, EM_SETSEL, 0, 3);
    for (wchar_t ch : std::wstring(L"ab\b\x16\x18\x1a\r"))
        ::SendMessageW(hEdit, WM_CHAR, ch, 1);
    ::SendMessageW(hEdit, WM_KEYDOWN, VK_DELETE, 1);
    ::SendMessageW(hEdit, WM_PASTE, 0, 0);
    ::SendMessageW(hEdit, WM_CUT, 0, 0);
    ::SendMessageW(hEdit, WM_CLEAR, 0, 0);
    ::SendMessageW(hEdit, WM_UNDO, 0, 0);
    ::SendMessageW(hEdit, WM_IME_CHAR, L'x', 1);
    EXPECT_EQ(Text(hEdit), strText);
    // Ctrl+C copies the selection; the caret and selection still move.
    ::SendMessageW(hEdit, WM_CHAR, 3, 1);
    {
        CClipboard clipboard(frame.m_hWnd);
        std::wstring copied;
        EXPECT_TRUE(clipboard.GetText(copied));
        EXPECT_EQ(copied, L"'x'");
    }
    ::SendMessageW(hEdit, WM_KEYDOWN, VK_END, 1);
    DWORD dwStart = 0, dwEnd = 0;
    ::SendMessageW(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart), reinterpret_cast<LPARAM>(&dwEnd));
    EXPECT_EQ(dwStart, 10u);
    EXPECT_EQ(dwEnd, 10u);
    // Read-only, yet the pane asks for the window's colours, not the dialog's.
    HDC hdc = ::GetDC(hEdit);
    auto hBrush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(pane.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(hEdit)));
    EXPECT_EQ(hBrush, ::GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(::GetBkColor(hdc), ::GetSysColor(COLOR_WINDOW));
    ::ReleaseDC(hEdit, hdc);

    // Appends during a run leave a selection the user made where it is, and the lines shown; with
    // the caret at the end, the list follows its end.
    std::wstring strMany;
    for (int i = 1; i <= 200; ++i)
        strMany += L"C:\\b.txt(" + std::to_wstring(i) + L"):x\r\n";
    auto sel = [&] {
        DWORD s = 0, e = 0;
        ::SendMessageW(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        return std::make_pair(static_cast<int>(s), static_cast<int>(e));
    };
    ::SendMessageW(hEdit, EM_SETSEL, 12, 20);
    pane.AppendResultLine(strMany);
    EXPECT_EQ(sel(), std::make_pair(12, 20));
    EXPECT_EQ(::SendMessageW(hEdit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    const int nLength = ::GetWindowTextLengthW(hEdit);
    ::SendMessageW(hEdit, EM_SETSEL, nLength, nLength);
    pane.AppendResultLine(strMany);
    const int nNewLength = nLength + static_cast<int>(strMany.size());
    EXPECT_EQ(sel(), std::make_pair(nNewLength, nNewLength));
    EXPECT_GT(::SendMessageW(hEdit, EM_GETFIRSTVISIBLELINE, 0, 0), 300);
    EXPECT_EQ(Text(hEdit), strText + strMany + strMany);
    frame.DestroyWindow();
}
