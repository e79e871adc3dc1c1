// End-to-end walk through what the search dialogs offer beyond finding down and up: a selection
// that seeds the search box, wrap around with its status-bar line, Shift+F3, the count after
// Replace All, replace in selection, and the history of the boxes kept across a restart.
#include "ScreenPixels.h"
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include "res/resource.h"
#include <cstdio>
#include <cstdlib>

using namespace e2e;

namespace {
const std::wstring kFindCaption = L"検索";
const std::wstring kReplaceCaption = L"置換";

// Writes the window as it shows on the screen to `path` as a binary PPM (scripts/screenshots
// turns it into a PNG).
bool SaveWindowPicture(HWND hwnd, const std::wstring& path) {
    const std::vector<std::uint32_t> pixels = SettledScreenPixels(hwnd);
    RECT rc{};
    if (pixels.empty() || !::GetWindowRect(hwnd, &rc))
        return false;
    const long cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    if (static_cast<size_t>(cx * cy) != pixels.size())
        return false;
    FILE* pFile = nullptr;
    if (::_wfopen_s(&pFile, path.c_str(), L"wb") != 0 || !pFile)
        return false;
    std::fprintf(pFile, "P6\n%ld %ld\n255\n", cx, cy);
    for (std::uint32_t px : pixels) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(px >> 16), static_cast<unsigned char>(px >> 8),
                                      static_cast<unsigned char>(px)};
        std::fwrite(rgb, 1, 3, pFile);
    }
    return std::fclose(pFile) == 0;
}

bool IsChecked(HWND hDlg, int nID) {
    LRESULT lResult = 0;
    return SendTimed(::GetDlgItem(hDlg, nID), BM_GETCHECK, 0, 0, &lResult) && lResult == BST_CHECKED;
}
} // namespace

class SearchFeaturesE2E : public TessarinE2E {
protected:
    HWND WaitForSearchDialog(const std::wstring& strCaption) const {
        return m_app.WaitForDialog([&](HWND h) { return WindowText(h) == strCaption; });
    }
    bool Select(int nStart, int nEnd) const { return SendTimed(m_edit, EM_SETSEL, nStart, nEnd); }
    bool SelectionIs(long nStart, long nEnd) const {
        return WaitUntil([&] { return EditSelection(m_edit) == std::make_pair(nStart, nEnd); });
    }
    bool StatusSays(const std::wstring& text) const {
        return WaitUntil([&] { return StatusPaneText(StatusBar(), 0) == text; });
    }
    // A click on a check box as the user makes it: the state, then the dialog's notification.
    void Check(HWND hDlg, int nID) const {
        ASSERT_TRUE(SendTimed(::GetDlgItem(hDlg, nID), BM_SETCHECK, BST_CHECKED, 0));
        ASSERT_TRUE(PressButton(hDlg, nID));
    }
    void CloseDialog(HWND hDlg) const {
        ASSERT_TRUE(m_app.PostKey(VK_ESCAPE, TextBox(hDlg, IDC_FIND_WHAT)));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hDlg));
    }

    HWND m_edit = nullptr;
};

TEST_F(SearchFeaturesE2E, SeedWrapPreviousCountsSelectionAndHistoryAcrossARestart) {
    ASSERT_NE(Launch(), nullptr);
    m_edit = Edit();
    ASSERT_NE(m_edit, nullptr);
    ASSERT_TRUE(m_app.TypeText(L"foo a\rb foo", m_edit));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"foo a\r\nb foo"; })) << WindowText(m_edit);

    // A selection within one line seeds the search box; the wrap-around box starts clear.
    ASSERT_TRUE(Select(0, 3));
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    HWND hFind = WaitForSearchDialog(kFindCaption);
    ASSERT_NE(hFind, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(hFind, IDC_FIND_WHAT)), L"foo");
    EXPECT_FALSE(IsChecked(hFind, IDC_WRAP_AROUND));
    Check(hFind, IDC_WRAP_AROUND);

    // Down to the second foo, then round from the end to the first, which the status bar says.
    ASSERT_TRUE(PressButton(hFind, IDOK));
    ASSERT_TRUE(SelectionIs(9, 12));
    ASSERT_TRUE(PressButton(hFind, IDOK));
    ASSERT_TRUE(SelectionIs(0, 3));
    EXPECT_TRUE(StatusSays(L"末尾まで検索したので、先頭から検索しました。")) << StatusPaneText(StatusBar(), 0);
    CloseDialog(hFind);

    // Shift+F3 goes up from the start, round to the last foo; F3 down again round to the first.
    ASSERT_TRUE(m_app.SendKeys({VK_SHIFT, VK_F3}));
    ASSERT_TRUE(SelectionIs(9, 12));
    EXPECT_TRUE(StatusSays(L"先頭まで検索したので、末尾から検索しました。"));
    ASSERT_TRUE(m_app.SendKeys({VK_F3}));
    ASSERT_TRUE(SelectionIs(0, 3));

    // A selection across lines leaves the remembered text; Replace All counts what it replaced,
    // and the wrap-around box comes back as it was left.
    ASSERT_TRUE(Select(0, 9));
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'H'}));
    HWND hReplace = WaitForSearchDialog(kReplaceCaption);
    ASSERT_NE(hReplace, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(hReplace, IDC_FIND_WHAT)), L"foo");
    EXPECT_TRUE(IsChecked(hReplace, IDC_WRAP_AROUND));
    ASSERT_TRUE(SetItemText(hReplace, IDC_REPLACE_WITH, L"X"));
    ASSERT_TRUE(PressButton(hReplace, IDC_REPLACE_ALL));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"X a\r\nb X"; })) << WindowText(m_edit);
    EXPECT_TRUE(StatusSays(L"2 個を置換しました。")) << StatusPaneText(StatusBar(), 0);

    // Replace in selection: the box can be chosen only while there is a selection, and then
    // replaces inside it alone, the selection holding the new text.
    ASSERT_TRUE(Select(3, 3));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(::GetDlgItem(hReplace, IDC_IN_SELECTION)); }));
    ASSERT_TRUE(Select(0, 3));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(hReplace, IDC_IN_SELECTION)) != FALSE; }));
    Check(hReplace, IDC_IN_SELECTION);
    ASSERT_TRUE(SetItemText(hReplace, IDC_FIND_WHAT, L"X"));
    ASSERT_TRUE(SetItemText(hReplace, IDC_REPLACE_WITH, L"Yy"));
    ASSERT_TRUE(PressButton(hReplace, IDC_REPLACE_ALL));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"Yy a\r\nb X"; })) << WindowText(m_edit);
    EXPECT_TRUE(StatusSays(L"選択範囲内で 1 個を置換しました。"));
    EXPECT_TRUE(SelectionIs(0, 4));
    // The lists head with what was used last.
    EXPECT_EQ(ComboItems(hReplace, IDC_FIND_WHAT), (std::vector<std::wstring>{L"X", L"foo"}));
    EXPECT_EQ(ComboItems(hReplace, IDC_REPLACE_WITH), (std::vector<std::wstring>{L"Yy", L"X"}));
    CloseDialog(hReplace);
    ExitDiscarding();

    // The next run offers the same lists, from the settings.
    ASSERT_NE(Launch(), nullptr);
    m_edit = Edit();
    ASSERT_TRUE(m_app.TypeText(L"z", m_edit));
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'H'}));
    hReplace = WaitForSearchDialog(kReplaceCaption);
    ASSERT_NE(hReplace, nullptr);
    EXPECT_EQ(ComboItems(hReplace, IDC_FIND_WHAT), (std::vector<std::wstring>{L"X", L"foo"}));
    EXPECT_EQ(ComboItems(hReplace, IDC_REPLACE_WITH), (std::vector<std::wstring>{L"Yy", L"X"}));
    EXPECT_EQ(WindowText(::GetDlgItem(hReplace, IDC_FIND_WHAT)), L"") << "a new run searched nothing yet";
    CloseDialog(hReplace);
    ExitDiscarding();
}

// Pictures of the three search dialogs for docs/, taken only when scripts/screenshots asks for
// them (TESSARIN_SHOT_DIR names the folder, as a Windows path): the dialogs with their texts and
// the new boxes shown, each label whole.
TEST_F(SearchFeaturesE2E, DialogPictures) {
    const wchar_t* pszDir = ::_wgetenv(L"TESSARIN_SHOT_DIR");
    if (!pszDir || !*pszDir)
        GTEST_SKIP() << "set TESSARIN_SHOT_DIR (scripts/screenshots) to take the pictures";
    const std::wstring dir = std::wstring(pszDir) + L"\\";
    ASSERT_NE(Launch(), nullptr);
    m_edit = Edit();
    ASSERT_TRUE(m_app.TypeText(L"検索と置換の例: foo bar foo", m_edit));
    ASSERT_TRUE(Select(9, 12));

    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    HWND hFind = WaitForSearchDialog(kFindCaption);
    ASSERT_NE(hFind, nullptr);
    Check(hFind, IDC_WRAP_AROUND);
    ASSERT_TRUE(PressButton(hFind, IDOK));
    ASSERT_TRUE(SelectionIs(17, 20));
    EXPECT_TRUE(SaveWindowPicture(hFind, dir + L"find-dialog.ppm"));
    CloseDialog(hFind);

    ASSERT_TRUE(Select(9, 12));
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'H'}));
    HWND hReplace = WaitForSearchDialog(kReplaceCaption);
    ASSERT_NE(hReplace, nullptr);
    ASSERT_TRUE(SetItemText(hReplace, IDC_REPLACE_WITH, L"baz"));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(hReplace, IDC_IN_SELECTION)) != FALSE; }));
    Check(hReplace, IDC_IN_SELECTION);
    EXPECT_TRUE(SaveWindowPicture(hReplace, dir + L"replace-dialog.ppm"));
    CloseDialog(hReplace);

    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_FIND_IN_FILES));
    HWND hFiles = m_app.WaitForDialog([&](HWND h) { return WindowText(h) == L"ファイルから検索"; });
    ASSERT_NE(hFiles, nullptr);
    ASSERT_TRUE(SetItemText(hFiles, IDC_FIF_EXCLUDE, L"*.bak; .git\\"));
    EXPECT_TRUE(SaveWindowPicture(hFiles, dir + L"find-in-files-dialog.ppm"));
    ASSERT_TRUE(PressButton(hFiles, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hFiles));
    ExitDiscarding();
}
