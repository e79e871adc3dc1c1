// End-to-end checks of Find, Replace and Find Next on the built editor: the keys and commands, which
// dialog takes the focus when one is open already, Escape and the close box keeping the options for
// the next dialog, buttons that follow the search text, and commands that do nothing without text.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include "res/resource.h"

using namespace e2e;

namespace {
const std::wstring kFindCaption = L"検索";
const std::wstring kReplaceCaption = L"置換";
// Actions of WM_SEARCHREQUEST (wParam).
constexpr WPARAM kFindNext = 0, kReplaceAll = 2, kClose = 3;

bool IsChecked(HWND hDlg, int nID) {
    LRESULT lResult = 0;
    return SendTimed(::GetDlgItem(hDlg, nID), BM_GETCHECK, 0, 0, &lResult) && lResult == BST_CHECKED;
}

bool IsEnabled(HWND hDlg, int nID) {
    return ::IsWindowEnabled(::GetDlgItem(hDlg, nID)) != FALSE;
}
} // namespace

class SearchDialogsE2E : public TessarinE2E {
protected:
    // Starts the editor with `text` typed into it.
    void LaunchWithText(const std::wstring& text) {
        ASSERT_NE(Launch(), nullptr);
        m_edit = Edit();
        ASSERT_NE(m_edit, nullptr);
        if (!text.empty()) {
            ASSERT_TRUE(m_app.TypeText(text, m_edit));
        }
    }
    // The shown search dialog with this caption, or null (now, without waiting).
    HWND DialogNow(const std::wstring& strCaption) const {
        for (HWND h : m_app.TopLevelWindows(L"#32770"))
            if (WindowText(h) == strCaption)
                return h;
        return nullptr;
    }
    HWND WaitForSearchDialog(const std::wstring& strCaption) const {
        return m_app.WaitForDialog([&](HWND h) { return WindowText(h) == strCaption; });
    }
    bool FocusIn(HWND hDlg) const {
        return WaitUntil([&] {
            HWND hFocus = m_app.FocusedWindow();
            return hFocus && (hFocus == hDlg || ::IsChild(hDlg, hFocus));
        });
    }
    bool FocusOn(HWND hWnd) const {
        return WaitUntil([&] { return m_app.FocusedWindow() == hWnd; });
    }
    // Escape in the dialog's search box, through the program's loop and the dialog's filter.
    void Escape(HWND hDlg) {
        ASSERT_TRUE(m_app.PostKey(VK_ESCAPE, TextBox(hDlg, IDC_FIND_WHAT)));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hDlg));
    }

    HWND m_edit = nullptr;
};

TEST_F(SearchDialogsE2E, EmptyDocumentDisablesTheCommandsAndTheirKeys) {
    LaunchWithText(L"");
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'H'}));
    ASSERT_TRUE(m_app.SendKeys({VK_F3}));
    for (UINT nID : {ID_EDIT_FIND, ID_EDIT_REPLACE, ID_EDIT_FIND_NEXT})
        ASSERT_TRUE(m_app.PostCommand(nID));
    // A key after them, through the same input queue: once it is typed, the others were handled.
    ASSERT_TRUE(m_app.SendKeys({'A'}));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"a"; }));
    ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == m_hWndMain; }));
    EXPECT_TRUE(m_app.HasNoDialog());

    // With text, Ctrl+F opens the Find dialog with the focus in its search box.
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    HWND hFind = WaitForSearchDialog(kFindCaption);
    ASSERT_NE(hFind, nullptr);
    EXPECT_TRUE(FocusOn(TextBox(hFind, IDC_FIND_WHAT)));
    EXPECT_EQ(::GetWindow(hFind, GW_OWNER), m_hWndMain);
    Escape(hFind);
    ExitDiscarding();
}

TEST_F(SearchDialogsE2E, OpenDialogKeepsTheFocusAndEscapeKeepsTheOptions) {
    LaunchWithText(L"abc Abc abc");
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    HWND hFind = WaitForSearchDialog(kFindCaption);
    ASSERT_NE(hFind, nullptr);
    HWND hFindWhat = TextBox(hFind, IDC_FIND_WHAT);
    ASSERT_TRUE(FocusOn(hFindWhat));
    EXPECT_TRUE(IsChecked(hFind, IDC_SEARCH_DOWN));
    EXPECT_FALSE(IsChecked(hFind, IDC_WHOLE_WORD));
    ASSERT_TRUE(m_app.TypeText(L"Abc", hFindWhat));
    ASSERT_TRUE(SendTimed(::GetDlgItem(hFind, IDC_MATCH_CASE), BM_SETCHECK, BST_CHECKED, 0));

    // Ctrl+H from the main window gives the focus back to the Find dialog; no Replace dialog.
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'H'}));
    EXPECT_TRUE(FocusIn(hFind));
    EXPECT_EQ(DialogNow(kReplaceCaption), nullptr);
    // Ctrl+F and F3 do the same while the Find dialog is open (F3: nothing was searched yet).
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    EXPECT_TRUE(FocusIn(hFind));
    ASSERT_TRUE(m_app.SendKeys({VK_F3}));
    EXPECT_TRUE(FocusIn(hFind));
    EXPECT_EQ(m_app.TopLevelWindows(L"#32770").size(), 1u);

    // Escape closes it, the view has the focus again, and the search text comes back next time;
    // the check boxes start clear.
    Escape(hFind);
    EXPECT_TRUE(FocusOn(m_edit));
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'H'}));
    HWND hReplace = WaitForSearchDialog(kReplaceCaption);
    ASSERT_NE(hReplace, nullptr);
    EXPECT_EQ(WindowText(TextBox(hReplace, IDC_FIND_WHAT)), L"Abc");
    EXPECT_FALSE(IsChecked(hReplace, IDC_MATCH_CASE));
    EXPECT_FALSE(IsChecked(hReplace, IDC_NOTEPAD_LIKE));
    EXPECT_TRUE(FocusOn(TextBox(hReplace, IDC_FIND_WHAT)));
    ASSERT_TRUE(m_app.TypeText(L"xyz", TextBox(hReplace, IDC_REPLACE_WITH)));

    // Ctrl+F while Replace is open focuses Replace.
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    EXPECT_TRUE(FocusIn(hReplace));
    EXPECT_EQ(DialogNow(kFindCaption), nullptr);

    // The close box closes it as well, and the replacement text is kept.
    ASSERT_TRUE(::PostMessageW(hReplace, WM_CLOSE, 0, 0));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hReplace));
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_REPLACE));
    hReplace = WaitForSearchDialog(kReplaceCaption);
    ASSERT_NE(hReplace, nullptr);
    EXPECT_EQ(WindowText(TextBox(hReplace, IDC_REPLACE_WITH)), L"xyz");
    EXPECT_EQ(WindowText(TextBox(hReplace, IDC_FIND_WHAT)), L"Abc");
    // The Cancel button closes it too.
    ASSERT_TRUE(PressButton(hReplace, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hReplace));
    EXPECT_TRUE(m_app.HasNoDialog());
    ExitDiscarding();
}

TEST_F(SearchDialogsE2E, FindNextWithoutSearchTextOpensFindAndEmptyBoxesDisableTheButtons) {
    LaunchWithText(L"x y");
    ASSERT_TRUE(m_app.PostKey(VK_F3, m_edit));
    HWND hFind = WaitForSearchDialog(kFindCaption);
    ASSERT_NE(hFind, nullptr);
    HWND hFindWhat = TextBox(hFind, IDC_FIND_WHAT);
    EXPECT_EQ(WindowText(hFindWhat), L"");
    EXPECT_FALSE(IsEnabled(hFind, IDOK));
    ASSERT_TRUE(m_app.TypeText(L"y", hFindWhat));
    EXPECT_TRUE(IsEnabled(hFind, IDOK));
    ASSERT_TRUE(SendTimed(hFindWhat, WM_CHAR, VK_BACK, 1));
    EXPECT_FALSE(IsEnabled(hFind, IDOK));
    ASSERT_TRUE(PressButton(hFind, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hFind));

    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_REPLACE));
    HWND hReplace = WaitForSearchDialog(kReplaceCaption);
    ASSERT_NE(hReplace, nullptr);
    for (int nID : {IDOK, IDC_REPLACE, IDC_REPLACE_ALL})
        EXPECT_FALSE(IsEnabled(hReplace, nID)) << nID;
    ASSERT_TRUE(m_app.TypeText(L"x", TextBox(hReplace, IDC_FIND_WHAT)));
    for (int nID : {IDOK, IDC_REPLACE, IDC_REPLACE_ALL})
        EXPECT_TRUE(IsEnabled(hReplace, nID)) << nID;

    // Requests that name no open dialog (any program can post the message) are ignored.
    for (LPARAM lParam : {LPARAM{0}, LPARAM{0x1234}, reinterpret_cast<LPARAM>(hReplace)})
        for (WPARAM nAction : {kFindNext, kReplaceAll, kClose})
            ASSERT_TRUE(::PostMessageW(m_hWndMain, WM_SEARCHREQUEST, nAction, lParam));
    ASSERT_TRUE(m_app.PostText(L"z", m_edit));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"x yz"; }));
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_TRUE(::IsWindowVisible(hReplace));
    Escape(hReplace);
    ExitDiscarding();
}
TEST_F(SearchDialogsE2E, FindNextKeepsTheLastDirectionAndTheNoticeNamesTheText) {
    LaunchWithText(L"ab ab ab");
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    HWND hFind = WaitForSearchDialog(kFindCaption);
    ASSERT_NE(hFind, nullptr);
    ASSERT_TRUE(m_app.TypeText(L"ab", TextBox(hFind, IDC_FIND_WHAT)));
    ASSERT_TRUE(SendTimed(::GetDlgItem(hFind, IDC_SEARCH_DOWN), BM_SETCHECK, BST_UNCHECKED, 0));
    ASSERT_TRUE(SendTimed(::GetDlgItem(hFind, IDC_SEARCH_UP), BM_SETCHECK, BST_CHECKED, 0));
    ASSERT_TRUE(PressButton(hFind, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return EditSelection(m_edit) == std::make_pair(6L, 8L); }));
    Escape(hFind);

    // F3 goes on upwards, then tells that there is no more: no wrap-around.
    ASSERT_TRUE(m_app.PostKey(VK_F3, m_edit));
    ASSERT_TRUE(WaitUntil([&] { return EditSelection(m_edit) == std::make_pair(3L, 5L); }));
    ASSERT_TRUE(m_app.PostKey(VK_F3, m_edit));
    ASSERT_TRUE(WaitUntil([&] { return EditSelection(m_edit) == std::make_pair(0L, 2L); }));
    ASSERT_TRUE(m_app.PostKey(VK_F3, m_edit));
    HWND hBox = m_app.WaitForMessageBox();
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(MessageBoxText(hBox), L"\"ab\" が見つかりません。");
    EXPECT_EQ(WindowText(hBox), L"Tessarin");
    ASSERT_TRUE(PressButton(hBox, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hBox));
    EXPECT_TRUE(FocusOn(m_edit));
    EXPECT_EQ(EditSelection(m_edit), std::make_pair(0L, 2L));

    // A new Find dialog starts downwards again, and its next request stores that for F3.
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    hFind = WaitForSearchDialog(kFindCaption);
    ASSERT_NE(hFind, nullptr);
    EXPECT_TRUE(IsChecked(hFind, IDC_SEARCH_DOWN));
    EXPECT_FALSE(IsChecked(hFind, IDC_SEARCH_UP));
    ASSERT_TRUE(PressButton(hFind, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return EditSelection(m_edit) == std::make_pair(3L, 5L); }));

    // Not found from the dialog: the notice names the text and the focus goes back to the box.
    HWND hFindWhat = TextBox(hFind, IDC_FIND_WHAT);
    ASSERT_TRUE(SendTimed(hFindWhat, EM_SETSEL, 0, -1));
    ASSERT_TRUE(m_app.TypeText(L"zz", hFindWhat));
    ASSERT_TRUE(PressButton(hFind, IDOK));
    hBox = m_app.WaitForMessageBox();
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(MessageBoxText(hBox), L"\"zz\" が見つかりません。");
    ASSERT_TRUE(PressButton(hBox, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hBox));
    EXPECT_TRUE(FocusOn(hFindWhat));
    EXPECT_EQ(EditSelection(m_edit), std::make_pair(3L, 5L));

    // Back to "ab": the dialog's last request went down, so F3 does too.
    ASSERT_TRUE(SendTimed(hFindWhat, EM_SETSEL, 0, -1));
    ASSERT_TRUE(m_app.TypeText(L"ab", hFindWhat));
    Escape(hFind);
    ASSERT_TRUE(m_app.PostKey(VK_F3, m_edit));
    ASSERT_TRUE(WaitUntil([&] { return EditSelection(m_edit) == std::make_pair(6L, 8L); }));
    ExitDiscarding();
}

TEST_F(SearchDialogsE2E, ReplaceAllIsUndoneInOneStepOrMatchByMatchWhenNotepadLike) {
    LaunchWithText(L"a-a-a");
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'H'}));
    HWND hReplace = WaitForSearchDialog(kReplaceCaption);
    ASSERT_NE(hReplace, nullptr);
    ASSERT_TRUE(m_app.TypeText(L"a", TextBox(hReplace, IDC_FIND_WHAT)));
    ASSERT_TRUE(m_app.TypeText(L"bb", TextBox(hReplace, IDC_REPLACE_WITH)));

    // Fast: the whole text in one step.
    ASSERT_TRUE(PressButton(hReplace, IDC_REPLACE_ALL));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"bb-bb-bb"; }));
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_UNDO));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"a-a-a"; }));

    // Notepad-like: one step per match, recorded from the last match to the first.
    ASSERT_TRUE(SendTimed(::GetDlgItem(hReplace, IDC_NOTEPAD_LIKE), BM_SETCHECK, BST_CHECKED, 0));
    ASSERT_TRUE(PressButton(hReplace, IDC_REPLACE_ALL));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"bb-bb-bb"; }));
    for (const wchar_t* pszAfterUndo : {L"a-bb-bb", L"a-a-bb", L"a-a-a"}) {
        ASSERT_TRUE(m_app.PostCommand(ID_EDIT_UNDO));
        ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == pszAfterUndo; }))
            << testing::PrintToString(WindowText(m_edit));
    }

    // Replace: the selection is replaced only when it is the search text, then the next is found.
    ASSERT_TRUE(SendTimed(m_edit, EM_SETSEL, 0, 1));
    ASSERT_TRUE(PressButton(hReplace, IDC_REPLACE));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"bb-a-a"; }));
    ASSERT_TRUE(WaitUntil([&] { return EditSelection(m_edit) == std::make_pair(3L, 4L); }));
    // The editor ends with the dialog still open; the dialog goes with the main window.
    ExitDiscarding();
    EXPECT_EQ(m_app.ExitCode(), 0u);
}

namespace {

// Where the characters [nStart, nEnd) of a line of the view stand on the screen: from the top of
// their line to the top of the next, from the first character's left to the left of the one after.
RECT MatchScreenRect(HWND edit, long nStart, long nEnd) {
    auto pointOf = [edit](long nChar) {
        LRESULT packed = 0;
        SendTimed(edit, EM_POSFROMCHAR, static_cast<WPARAM>(nChar), 0, &packed);
        POINT pt{static_cast<short>(LOWORD(packed)), static_cast<short>(HIWORD(packed))};
        ::ClientToScreen(edit, &pt);
        return pt;
    };
    LRESULT nLine = 0, nNextLine = 0;
    SendTimed(edit, EM_LINEFROMCHAR, static_cast<WPARAM>(nStart), 0, &nLine);
    SendTimed(edit, EM_LINEINDEX, static_cast<WPARAM>(nLine + 1), 0, &nNextLine);
    const POINT ptStart = pointOf(nStart), ptEnd = pointOf(nEnd), ptBelow = pointOf(static_cast<long>(nNextLine));
    return RECT{ptStart.x, ptStart.y, ptEnd.x, ptBelow.y};
}

RECT WindowRect(HWND hwnd) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return rc;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT rc{};
    return ::IntersectRect(&rc, &a, &b) != FALSE;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Text(const RECT& rc) {
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "-" + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

} // namespace

// Each match that Find and Replace select comes into view clear of the dialog that found it: the
// dialog steps above or below it, and stays on the main window's monitor.
TEST_F(SearchDialogsE2E, TheDialogStepsOffEveryMatchItSelects) {
    std::wstring text;
    std::vector<long> matches;
    for (int n = 1; n <= 60; ++n) {
        if (n == 2 || n == 5 || n == 9 || n == 16 || n == 25 || n == 40 || n == 58) {
            // The control holds CR LF where "\n" was typed: one more unit per line before.
            matches.push_back(static_cast<long>(text.size()) + (n - 1) + (n % 2 ? 0 : 3));
            text += n % 2 ? L"needle, line " : L"at needle, line ";
        } else {
            text += L"line ";
        }
        text += std::to_wstring(n) + L"\n";
    }
    LaunchWithText(text);
    ASSERT_TRUE(SendTimed(m_edit, EM_SETSEL, 0, 0));
    ASSERT_TRUE(SendTimed(m_edit, EM_SCROLLCARET, 0, 0));
    HMONITOR hMonitor = ::MonitorFromWindow(m_hWndMain, MONITOR_DEFAULTTONEAREST);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(::GetMonitorInfoW(hMonitor, &monitor));

    for (UINT nCommand : {ID_EDIT_FIND, ID_EDIT_REPLACE}) {
        SCOPED_TRACE(nCommand);
        const std::wstring& strCaption = nCommand == ID_EDIT_FIND ? kFindCaption : kReplaceCaption;
        // Replace selects by 置換して次に, here replacing each match by itself, so it stays put.
        const int nButton = nCommand == ID_EDIT_FIND ? IDOK : IDC_REPLACE;
        ASSERT_TRUE(m_app.PostCommand(nCommand));
        HWND hDlg = WaitForSearchDialog(strCaption);
        ASSERT_NE(hDlg, nullptr);
        // Set on the combo box, which passes it to its edit box (SetItemText).
        ASSERT_TRUE(SetItemText(hDlg, IDC_FIND_WHAT, L"needle"));
        if (nCommand == ID_EDIT_REPLACE) {
            ASSERT_TRUE(SetItemText(hDlg, IDC_REPLACE_WITH, L"needle"));
        }
        ASSERT_TRUE(WaitUntil([&] { return IsEnabled(hDlg, nButton); }));
        ASSERT_TRUE(Overlap(WindowRect(hDlg), MatchScreenRect(m_edit, matches[0], matches[0] + 6)))
            << "the first match starts under the dialog: " << Text(WindowRect(hDlg)) << " over "
            << Text(MatchScreenRect(m_edit, matches[0], matches[0] + 6));
        for (long nMatch : matches) {
            SCOPED_TRACE(nMatch);
            ASSERT_TRUE(PressButton(hDlg, nButton));
            ASSERT_TRUE(WaitUntil([&] { return EditSelection(m_edit) == std::make_pair(nMatch, nMatch + 6); }));
            ASSERT_TRUE(SendTimed(m_hWndMain, WM_NULL, 0, 0));
            const RECT rcMatch = MatchScreenRect(m_edit, nMatch, nMatch + 6);
            const RECT rcDlg = WindowRect(hDlg);
            EXPECT_FALSE(Overlap(rcDlg, rcMatch)) << Text(rcDlg) << " over " << Text(rcMatch);
            EXPECT_TRUE(Inside(rcDlg, monitor.rcWork)) << Text(rcDlg);
            EXPECT_EQ(::MonitorFromWindow(hDlg, MONITOR_DEFAULTTONEAREST), hMonitor);
        }
        Escape(hDlg);
        ASSERT_TRUE(SendTimed(m_edit, EM_SETSEL, 0, 0));
        ASSERT_TRUE(SendTimed(m_edit, EM_SCROLLCARET, 0, 0));
    }
    EXPECT_EQ(WindowText(m_edit), [&] {
        std::wstring expected;
        for (wchar_t ch : text)
            expected += ch == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, ch);
        return expected;
    }());
    ExitDiscarding();
}

// Go to line opens centred over the main window, wherever that stands.
TEST_F(SearchDialogsE2E, GoToOpensCentredOverTheMainWindow) {
    LaunchWithText(L"a\nb\nc");
    ASSERT_TRUE(::SetWindowPos(m_hWndMain, nullptr, 320, 240, 760, 560, SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(WaitUntil([&] { return WindowRect(m_hWndMain).left == 320; }));
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_GOTO_LINE));
    HWND hDlg = m_app.WaitForDialog([](HWND h) { return WindowText(h) == L"行へ移動"; });
    ASSERT_NE(hDlg, nullptr);
    const RECT rcMain = WindowRect(m_hWndMain), rcDlg = WindowRect(hDlg);
    EXPECT_LE(std::abs((rcDlg.left + rcDlg.right) - (rcMain.left + rcMain.right)), 2)
        << Text(rcDlg) << " in " << Text(rcMain);
    EXPECT_LE(std::abs((rcDlg.top + rcDlg.bottom) - (rcMain.top + rcMain.bottom)), 2)
        << Text(rcDlg) << " in " << Text(rcMain);
    ASSERT_TRUE(PressButton(hDlg, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hDlg));
    ExitDiscarding();
}
