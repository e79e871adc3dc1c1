// End-to-end walk through regular-expression search on the built editor: Find with the 正規表現
// box and F3 after it, Replace with a group, Replace All undone by one Ctrl+Z, and a pattern that
// does not compile, which says where and why and changes nothing.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include "res/resource.h"

using namespace e2e;

namespace {
const std::wstring kFindCaption = L"検索";
const std::wstring kReplaceCaption = L"置換";
} // namespace

class RegexSearchE2E : public TessarinE2E {
protected:
    HWND WaitForSearchDialog(const std::wstring& strCaption) const {
        return m_app.WaitForDialog([&](HWND h) { return WindowText(h) == strCaption; });
    }
    void SetBox(HWND hDlg, int nID, const std::wstring& text) {
        HWND hBox = TextBox(hDlg, nID); // the edit box inside a history combo box
        ASSERT_TRUE(SendTimed(hBox, EM_SETSEL, 0, -1));
        ASSERT_TRUE(m_app.TypeText(text, hBox));
        ASSERT_EQ(WindowText(hBox), text);
    }
    void Check(HWND hDlg, int nID) {
        ASSERT_NE(::GetDlgItem(hDlg, nID), nullptr) << nID;
        ASSERT_TRUE(SendTimed(::GetDlgItem(hDlg, nID), BM_SETCHECK, BST_CHECKED, 0));
    }
};

TEST_F(RegexSearchE2E, FindReplaceReplaceAllAndABadPattern) {
    ASSERT_NE(Launch(), nullptr);
    HWND hEdit = Edit();
    ASSERT_NE(hEdit, nullptr);
    ASSERT_TRUE(m_app.TypeText(L"id=12 id=345\nend id=6", hEdit));
    const std::wstring original = L"id=12 id=345\r\nend id=6";
    ASSERT_TRUE(WaitUntil([&] { return WindowText(hEdit) == original; })) << testing::PrintToString(WindowText(hEdit));
    ASSERT_TRUE(SendTimed(hEdit, EM_SETSEL, 0, 0));

    // Find: the box starts clear; with it, the pattern finds the first id, and F3 the next.
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'F'}));
    HWND hFind = WaitForSearchDialog(kFindCaption);
    ASSERT_NE(hFind, nullptr);
    EXPECT_NE(::GetDlgItem(hFind, IDC_REGEX), nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(hFind, IDC_REGEX)), L"正規表現(&X)");
    SetBox(hFind, IDC_FIND_WHAT, L"id=(\\d+)$");
    Check(hFind, IDC_REGEX);
    ASSERT_TRUE(PressButton(hFind, IDOK));
    // $ stops before the line's CR LF: the first line's last id, not its first.
    ASSERT_TRUE(WaitUntil([&] { return EditSelection(hEdit) == std::make_pair(6L, 12L); }));
    ASSERT_TRUE(m_app.PostKey(VK_ESCAPE, TextBox(hFind, IDC_FIND_WHAT)));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hFind));
    ASSERT_TRUE(m_app.PostKey(VK_F3, hEdit));
    ASSERT_TRUE(WaitUntil([&] { return EditSelection(hEdit) == std::make_pair(18L, 22L); }));

    // Replace: the selected match becomes the template with its group, then the next is found.
    ASSERT_TRUE(SendTimed(hEdit, EM_SETSEL, 0, 5));
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_REPLACE));
    HWND hReplace = WaitForSearchDialog(kReplaceCaption);
    ASSERT_NE(hReplace, nullptr);
    SetBox(hReplace, IDC_FIND_WHAT, L"id=(\\d+)");
    SetBox(hReplace, IDC_REPLACE_WITH, L"<$1>");
    Check(hReplace, IDC_REGEX);
    ASSERT_TRUE(PressButton(hReplace, IDC_REPLACE));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(hEdit) == L"<12> id=345\r\nend id=6"; }))
        << testing::PrintToString(WindowText(hEdit));
    ASSERT_TRUE(WaitUntil([&] { return EditSelection(hEdit) == std::make_pair(5L, 11L); }));
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_UNDO));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(hEdit) == original; }));

    // Replace All, with a line break from \n, in one step that one undo takes back.
    SetBox(hReplace, IDC_REPLACE_WITH, L"$1\\n");
    ASSERT_TRUE(PressButton(hReplace, IDC_REPLACE_ALL));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(hEdit) == L"12\r\n 345\r\n\r\nend 6\r\n"; }))
        << testing::PrintToString(WindowText(hEdit));
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_UNDO));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(hEdit) == original; }))
        << testing::PrintToString(WindowText(hEdit));

    // A pattern that does not compile: where (in characters) and PCRE2's reason; nothing changes.
    SetBox(hReplace, IDC_FIND_WHAT, L"あ(id");
    ASSERT_TRUE(PressButton(hReplace, IDC_REPLACE_ALL));
    HWND hBox = m_app.WaitForMessageBox();
    ASSERT_NE(hBox, nullptr);
    const std::wstring strMessage = MessageBoxText(hBox);
    EXPECT_TRUE(strMessage.starts_with(L"正規表現に誤りがあります（5 文字目）。")) << testing::PrintToString(strMessage);
    EXPECT_NE(strMessage.find(L"missing closing parenthesis"), std::wstring::npos) << testing::PrintToString(strMessage);
    ASSERT_TRUE(PressButton(hBox, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hBox));
    EXPECT_EQ(WindowText(hEdit), original);

    // A replacement naming a group the pattern lacks replaces nothing either.
    SetBox(hReplace, IDC_FIND_WHAT, L"id=(\\d+)");
    SetBox(hReplace, IDC_REPLACE_WITH, L"$2");
    ASSERT_TRUE(PressButton(hReplace, IDC_REPLACE_ALL));
    hBox = m_app.WaitForMessageBox();
    ASSERT_NE(hBox, nullptr);
    EXPECT_TRUE(MessageBoxText(hBox).starts_with(L"置換後の文字列の $2 に当たるグループが"))
        << testing::PrintToString(MessageBoxText(hBox));
    ASSERT_TRUE(PressButton(hBox, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(hBox));
    EXPECT_EQ(WindowText(hEdit), original);
    ExitDiscarding();
}
