// End-to-end checks of the built editor as a user meets it: start-up, title, typing and ending.
#include "TessarinApp.h"

using namespace e2e;

TEST_F(TessarinE2E, StartsUntitledAndEndsWithoutQuestionWhenUnchanged) {
    ASSERT_NE(Launch(), nullptr);
    EXPECT_EQ(WindowText(m_hWndMain), L"無題 - Tessarin");
    HWND edit = Edit();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(m_app.FocusedWindow(), edit);
    EXPECT_TRUE(WindowText(edit).empty());
    ASSERT_TRUE(m_app.PostCommand(ID_APP_EXIT));
    ASSERT_TRUE(m_app.WaitForExit());
    EXPECT_EQ(m_app.ExitCode(), 0u);
}

TEST_F(TessarinE2E, TypedTextAsksBeforeClosingAndCancelKeepsIt) {
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(m_app.TypeText(L"あいう\nabc"));
    EXPECT_EQ(WindowText(Edit()), L"あいう\r\nabc");

    EXPECT_FALSE(m_app.Close(200));
    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Tessarin");
    EXPECT_EQ(MessageBoxText(box), L"ファイル 無題 の内容は変更されています。\n\n変更を保存しますか？");
    EXPECT_EQ(DialogButtons(box), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
    ASSERT_TRUE(PressButton(box, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_EQ(WindowText(Edit()), L"あいう\r\nabc");

    EXPECT_FALSE(m_app.Close(200));
    box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(m_app.WaitForExit());
}
