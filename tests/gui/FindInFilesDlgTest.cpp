// The find-in-files dialog on a real window, driven by messages: the inputs it remembers from one
// use to the next, "検索(&F)" enabled only while all three boxes hold text, and the subfolder box
// taken at once, even when the dialog is then cancelled.
#include <gtest/gtest.h>
#include "res/resource.h"
#include "search/FindInFilesDlg.h"
#include <string>

namespace {
std::wstring Text(HWND hDlg, int nID) {
    wchar_t buffer[512] = {};
    ::GetDlgItemTextW(hDlg, nID, buffer, 512);
    return buffer;
}
bool Enabled(HWND hDlg, int nID) {
    return ::IsWindowEnabled(::GetDlgItem(hDlg, nID)) != FALSE;
}
bool Checked(HWND hDlg, int nID) {
    return ::IsDlgButtonChecked(hDlg, nID) == BST_CHECKED;
}
void Click(HWND hDlg, int nID) {
    ::SendDlgItemMessageW(hDlg, nID, BM_CLICK, 0, 0);
}
} // namespace

TEST(FindInFilesDlgTest, RemembersItsInputsAndEnablesFindOnlyWithAllThreeBoxesFilled) {
    RememberedFindInFilesInputs() = FindInFilesInputs{};
    wchar_t cwd[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    {
        CFindInFilesDlg dlg;
        EXPECT_EQ(RememberedFindInFilesInputs().strTypes, L"*.txt");
        EXPECT_EQ(RememberedFindInFilesInputs().strFolder, cwd);
        ASSERT_TRUE(dlg.Create(IDD_FIND_IN_FILES));
        HWND h = dlg.m_hWnd;
        EXPECT_EQ(Text(h, IDC_FIND_WHAT), L"");
        EXPECT_EQ(Text(h, IDC_FIF_FILE_TYPES), L"*.txt");
        EXPECT_EQ(Text(h, IDC_FIF_FOLDER), cwd);
        EXPECT_TRUE(Checked(h, IDC_FIF_SUBFOLDERS));
        EXPECT_FALSE(Checked(h, IDC_MATCH_CASE));
        EXPECT_FALSE(Enabled(h, IDOK)) << "no search text yet";
        ::SetDlgItemTextW(h, IDC_FIND_WHAT, L"abc");
        EXPECT_TRUE(Enabled(h, IDOK));
        ::SetDlgItemTextW(h, IDC_FIF_FILE_TYPES, L"");
        EXPECT_FALSE(Enabled(h, IDOK));
        ::SetDlgItemTextW(h, IDC_FIF_FILE_TYPES, L"*.log;*.txt");
        ::SetDlgItemTextW(h, IDC_FIF_FOLDER, L"");
        EXPECT_FALSE(Enabled(h, IDOK));
        ::SetDlgItemTextW(h, IDC_FIF_FOLDER, L"C:\\data");
        EXPECT_TRUE(Enabled(h, IDOK));
        Click(h, IDC_MATCH_CASE);
        Click(h, IDC_WHOLE_WORD);
        ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(h, IDOK)));
    }
    const FindInFilesInputs& inputs = RememberedFindInFilesInputs();
    EXPECT_EQ(inputs.strFind, L"abc");
    EXPECT_EQ(inputs.strTypes, L"*.log;*.txt");
    EXPECT_EQ(inputs.strFolder, L"C:\\data");
    EXPECT_TRUE(inputs.fMatchCase);
    EXPECT_TRUE(inputs.fWholeWord);
    EXPECT_TRUE(inputs.bSubfolders);
    {
        // The next use shows them again, the whole-word box clear; the subfolder box is taken at
        // once, so cancelling keeps that choice and nothing else.
        CFindInFilesDlg dlg;
        ASSERT_TRUE(dlg.Create(IDD_FIND_IN_FILES));
        HWND h = dlg.m_hWnd;
        EXPECT_EQ(Text(h, IDC_FIND_WHAT), L"abc");
        EXPECT_EQ(Text(h, IDC_FIF_FOLDER), L"C:\\data");
        EXPECT_TRUE(Checked(h, IDC_MATCH_CASE));
        EXPECT_FALSE(Checked(h, IDC_WHOLE_WORD));
        EXPECT_TRUE(Enabled(h, IDOK));
        Click(h, IDC_FIF_SUBFOLDERS);
        EXPECT_FALSE(RememberedFindInFilesInputs().bSubfolders);
        ::SetDlgItemTextW(h, IDC_FIND_WHAT, L"changed");
        ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(h, IDCANCEL)));
    }
    EXPECT_FALSE(inputs.bSubfolders);
    EXPECT_EQ(inputs.strFind, L"abc");
    RememberedFindInFilesInputs() = FindInFilesInputs{};
}
