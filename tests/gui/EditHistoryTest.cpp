// The edit history on the real view and EDIT control, for what the string stand-in of the unit
// tests (tests/unit/StringEdit.h) models: the control inserts CR LF for Enter and Ctrl+Enter,
// removes exactly the recorded range on Backspace, Delete and Cut and nothing at the edges, puts the
// caret where undo and redo say, marks the document modified through its change notification; the
// frame's commands follow the history, and characters the view swallows never reach the control.
// The history's rules themselves are tested on the stand-in.
#include "ViewHost.h"
#include "res/resource.h"

using EditHistoryTest = ViewHost;

TEST_F(EditHistoryTest, TypedTextUndoneAndRedoneByCommandsWithTheCaretWhereTheyLeaveIt) {
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    EXPECT_FALSE(Enabled(ID_EDIT_CLEAR_HISTORY)); // only the root
    Type(L"ab cd\rx");
    EXPECT_EQ(Text(), L"ab cd\r\nx");
    EXPECT_EQ(Records(), 5u); // "ab", " ", "cd", CR LF, "x"
    EXPECT_TRUE(Enabled(ID_EDIT_CLEAR_HISTORY));

    const std::wstring steps[] = {L"ab cd\r\n", L"ab cd", L"ab ", L"ab", L""};
    const int carets[] = {7, 5, 3, 2, 0};
    for (int i = 0; i < 5; ++i) {
        Undo();
        EXPECT_EQ(Text(), steps[i]) << "undo " << i;
        EXPECT_EQ(Sel(), std::make_pair(carets[i], carets[i])) << "undo " << i;
    }
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
    EXPECT_TRUE(Enabled(ID_EDIT_REDO));
    EXPECT_TRUE(Enabled(ID_EDIT_CLEAR_HISTORY)); // at the root with a redo chain
    for (int i = 0; i < 5; ++i)
        Redo();
    EXPECT_EQ(Text(), L"ab cd\r\nx");
    EXPECT_EQ(Sel(), std::make_pair(8, 8)); // redo leaves the caret after the inserted text
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));

    // Typing over a selection: the control replaces it, and undo restores it in one step.
    Select(0, 2);
    Type(L"Z");
    EXPECT_EQ(Text(), L"Z cd\r\nx");
    Undo();
    EXPECT_EQ(Text(), L"ab cd\r\nx");
    EXPECT_EQ(Sel(), std::make_pair(2, 2));
    m_frame.ExecuteCommand(ID_EDIT_CLEAR_HISTORY);
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    EXPECT_FALSE(Enabled(ID_EDIT_CLEAR_HISTORY));
}

TEST_F(EditHistoryTest, EnterAndCtrlEnterInsertCrLfAsOneRecord) {
    Type(L"ab");
    Type(L"\r");
    Type(L"cd");
    EXPECT_EQ(Records(), 3u);
    Undo();
    EXPECT_EQ(Text(), L"ab\r\n");
    Undo();
    EXPECT_EQ(Text(), L"ab");
    // Ctrl+Enter arrives as LF; the control breaks the line with CR LF, and so does the record.
    Type(L"\n");
    EXPECT_EQ(Text(), L"ab\r\n");
    EXPECT_EQ(Current().text, L"\r\n");
    Undo();
    EXPECT_EQ(Text(), L"ab");
}

TEST_F(EditHistoryTest, TheControlRemovesWhatWasRecordedAndNothingAtTheEdges) {
    Load(L"ab\r\ncd", 0);
    Type(L"\b");
    Select(6, 6);
    Key(VK_DELETE);
    EXPECT_EQ(Text(), L"ab\r\ncd");
    EXPECT_EQ(Records(), 0u);

    // A line break goes whole by Backspace and by Delete.
    Select(4, 4);
    Type(L"\b");
    EXPECT_EQ(Text(), L"abcd");
    EXPECT_EQ(Current().text, L"\r\n");
    Undo();
    EXPECT_EQ(Sel(), std::make_pair(4, 4));
    Select(2, 2);
    Key(VK_DELETE);
    EXPECT_EQ(Text(), L"abcd");
    Undo();
    EXPECT_EQ(Text(), L"ab\r\ncd");

    // A selection that ends between CR and LF takes the LF too, and so does the control.
    Select(1, 3);
    Key(VK_DELETE);
    EXPECT_EQ(Text(), L"acd");
    Undo();
    EXPECT_EQ(Text(), L"ab\r\ncd");

    // Cut with nothing selected cuts nothing, also with the caret between the halves of a pair
    // (where the control's Left arrow can put it).
    Load(L"a\xD83D\xDE00" L"b", 2);
    m_view.SendMessage(WM_CUT);
    EXPECT_EQ(Text(), L"a\xD83D\xDE00" L"b");
    EXPECT_EQ(Records(), 0u);

    // Three Backspaces in a word: one record, restored with the caret after it.
    Load(L"hello world", 5);
    Type(L"\b\b\b");
    EXPECT_EQ(Text(), L"he world");
    EXPECT_EQ(Records(), 1u);
    Undo();
    EXPECT_EQ(Text(), L"hello world");
    EXPECT_EQ(Sel(), std::make_pair(5, 5));
}

TEST_F(EditHistoryTest, UndoToTheClearedStateClearsTheDocumentsModifiedMarkUnlessItWasModified) {
    Load(L"text");
    Type(L"s");
    EXPECT_TRUE(m_doc.IsModified());
    Undo();
    EXPECT_EQ(Text(), L"text");
    EXPECT_FALSE(m_doc.IsModified());

    // Clear history on a modified document: undoing never clears the mark.
    Type(L"y");
    m_frame.ExecuteCommand(ID_EDIT_CLEAR_HISTORY);
    EXPECT_TRUE(m_view.GetHistory().ModifiedAtClear());
    Type(L"z");
    Undo();
    EXPECT_EQ(Text(), L"texty");
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(EditHistoryTest, SwallowedControlCharactersNeverReachTheControl) {
    Load(L"abc", 1);
    Select(1, 2);
    PutOnClipboard(L"clip", m_view.m_hWnd);
    for (wchar_t ch : {L'\x03', L'\x16', L'\x18', L'\x1A', L'\x01', L'\x02', L'\x1B', L'\x7F'})
        m_view.SendMessage(WM_CHAR, ch, 1);
    EXPECT_EQ(Text(), L"abc");
    EXPECT_EQ(Records(), 0u);
    EXPECT_EQ(Sel(), std::make_pair(1, 2));
}
