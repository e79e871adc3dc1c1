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
        ASSERT_TRUE(m_app.PostKey(VK_ESCAPE, ::GetDlgItem(hDlg, IDC_FIND_WHAT)));
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
    EXPECT_TRUE(FocusOn(::GetDlgItem(hFind, IDC_FIND_WHAT)));
    EXPECT_EQ(::GetWindow(hFind, GW_OWNER), m_hWndMain);
    Escape(hFind);
    ExitDiscarding();
}

TEST_F(SearchDialogsE2E, OpenDialogKeepsTheFocusAndEscapeKeepsTheOptions) {
    LaunchWithText(L"abc Abc abc");
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    HWND hFind = WaitForSearchDialog(kFindCaption);
    ASSERT_NE(hFind, nullptr);
    HWND hFindWhat = ::GetDlgItem(hFind, IDC_FIND_WHAT);
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
    EXPECT_EQ(WindowText(::GetDlgItem(hReplace, IDC_FIND_WHAT)), L"Abc");
    EXPECT_FALSE(IsChecked(hReplace, IDC_MATCH_CASE));
    EXPECT_FALSE(IsChecked(hReplace, IDC_NOTEPAD_LIKE));
    EXPECT_TRUE(FocusOn(::GetDlgItem(hReplace, IDC_FIND_WHAT)));
    ASSERT_TRUE(m_app.TypeText(L"xyz", ::GetDlgItem(hReplace, IDC_REPLACE_WITH)));

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
    EXPECT_EQ(WindowText(::GetDlgItem(hReplace, IDC_REPLACE_WITH)), L"xyz");
    EXPECT_EQ(WindowText(::GetDlgItem(hReplace, IDC_FIND_WHAT)), L"Abc");
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
    HWND hFindWhat = ::GetDlgItem(hFind, IDC_FIND_WHAT);
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
    ASSERT_TRUE(m_app.TypeText(L"x", ::GetDlgItem(hReplace, IDC_FIND_WHAT)));
    for (int nID : {IDOK, IDC_REPLACE, IDC_REPLACE_ALL})
        EXPECT_TRUE(IsEnabled(hReplace, nID)) << nID;
    Escape(hReplace);
    ExitDiscarding();
}
