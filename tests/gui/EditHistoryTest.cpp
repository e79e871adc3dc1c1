// The edit history on a real EDIT control: grouping of typed text, deletions with line breaks,
// replacements as one step, caret positions after undo and redo, and the modified mark.
#include "ViewHost.h"
#include "res/resource.h"

using EditHistoryTest = ViewHost;

TEST_F(EditHistoryTest, TypedWordsSpacesAndEnterMakeSeparateRecordsUndoneStepByStep) {
    Type(L"ab cd\rx");
    EXPECT_EQ(Text(), L"ab cd\r\nx");
    EXPECT_EQ(Records(), 5u); // "ab", " ", "cd", CR LF, "x"

    const std::wstring steps[] = {L"ab cd\r\n", L"ab cd", L"ab ", L"ab", L""};
    const int carets[] = {7, 5, 3, 2, 0};
    for (int i = 0; i < 5; ++i) {
        Undo();
        EXPECT_EQ(Text(), steps[i]) << "undo " << i;
        EXPECT_EQ(Sel(), std::make_pair(carets[i], carets[i])) << "undo " << i;
    }
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
    for (int i = 0; i < 5; ++i)
        Redo();
    EXPECT_EQ(Text(), L"ab cd\r\nx");
    EXPECT_EQ(Sel(), std::make_pair(8, 8)); // redo leaves the caret after the inserted text
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
}

TEST_F(EditHistoryTest, EnterIsOneRecordHoldingCrLfAndNeverMergesWithText) {
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

TEST_F(EditHistoryTest, BackspaceAndDeleteAtTheEdgesRecordNothing) {
    Load(L"abc", 0);
    Type(L"\b");
    EXPECT_EQ(Text(), L"abc");
    EXPECT_EQ(Records(), 0u);

    // Delete at the end: nothing recorded and the redo chain survives.
    Select(3, 3);
    Type(L"d");
    Undo();
    ASSERT_TRUE(Enabled(ID_EDIT_REDO));
    Select(3, 3);
    Key(VK_DELETE);
    EXPECT_EQ(Text(), L"abc");
    EXPECT_TRUE(Enabled(ID_EDIT_REDO));
    Redo();
    EXPECT_EQ(Text(), L"abcd");
}

TEST_F(EditHistoryTest, ThreeBackspacesInAWordAreOneRecordRestoredWithCaretAfter) {
    Load(L"hello world", 5);
    Type(L"\b\b\b");
    EXPECT_EQ(Text(), L"he world");
    EXPECT_EQ(Records(), 1u);
    EXPECT_EQ(Current().text, L"llo");
    Undo();
    EXPECT_EQ(Text(), L"hello world");
    EXPECT_EQ(Sel(), std::make_pair(5, 5));
    Redo();
    EXPECT_EQ(Text(), L"he world");
    EXPECT_EQ(Sel(), std::make_pair(2, 2)); // at the start of the removed range
}

TEST_F(EditHistoryTest, RepeatedDeleteMergesForwardUntilASeparator) {
    Load(L"abc def", 0);
    Key(VK_DELETE);
    Key(VK_DELETE);
    Key(VK_DELETE);
    EXPECT_EQ(Records(), 1u);
    Key(VK_DELETE); // the space: a record of its own
    Key(VK_DELETE);
    EXPECT_EQ(Text(), L"ef");
    EXPECT_EQ(Records(), 3u);
    Undo();
    Undo();
    EXPECT_EQ(Text(), L" def");
    Undo();
    EXPECT_EQ(Text(), L"abc def");
    EXPECT_EQ(Sel(), std::make_pair(3, 3));
}

TEST_F(EditHistoryTest, ALineBreakGoesWholeAndAloneByBackspaceOrDelete) {
    Load(L"ab\r\ncd", 4);
    Type(L"\b");
    EXPECT_EQ(Text(), L"abcd");
    EXPECT_EQ(Current().text, L"\r\n");
    Type(L"\b"); // "b" does not join the line break's record
    EXPECT_EQ(Records(), 2u);
    Undo();
    Undo();
    EXPECT_EQ(Text(), L"ab\r\ncd");
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
}

TEST_F(EditHistoryTest, TypingOverASelectionIsOneStepBothWays) {
    Load(L"one two three", 0);
    Select(4, 7);
    Type(L"2222");
    EXPECT_EQ(Text(), L"one 2222 three");
    Undo();
    EXPECT_EQ(Text(), L"one two three");
    EXPECT_EQ(Sel(), std::make_pair(7, 7)); // after the restored text
    Redo();
    EXPECT_EQ(Text(), L"one 2222 three");
    EXPECT_EQ(Sel(), std::make_pair(8, 8));
    Undo();
    Undo();
    EXPECT_EQ(Text(), L"one two three");
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
}

TEST_F(EditHistoryTest, ReplacementThroughTheEntryPointIsOneJoinedStep) {
    Load(L"find me here", 0);
    Select(5, 7);
    m_view.RecordInsertion(L"YOU", -1, -1, true);
    EXPECT_EQ(Text(), L"find YOU here");
    Type(L"!"); // extends the insertion: no separator at the join
    EXPECT_EQ(Records(), 2u);
    Undo();
    EXPECT_EQ(Text(), L"find me here");
    Redo();
    EXPECT_EQ(Text(), L"find YOU! here");

    // Replace all: the whole text selected and replaced, one undo step.
    m_view.RecordInsertion(L"all new", 0, m_view.GetTextLength(), true);
    EXPECT_EQ(Text(), L"all new");
    Undo();
    EXPECT_EQ(Text(), L"find YOU! here");
}

TEST_F(EditHistoryTest, EmptyReplacementStaysJoinedToTheNextRecord) {
    // The view's own drag ends as a move by removing the selection through the inserter: the
    // joined deletion then goes with whatever is recorded next.
    Load(L"abc def", 0);
    Select(0, 4);
    m_view.RecordInsertion(L"", -1, -1, true);
    EXPECT_EQ(Text(), L"def");
    Select(3, 3);
    Type(L"x");
    Undo();
    EXPECT_EQ(Text(), L"abc def");
    Redo();
    EXPECT_EQ(Text(), L"defx");
}

TEST_F(EditHistoryTest, UndoToTheClearedStateClearsTheModifiedMarkUnlessItWasModified) {
    Load(L"text");
    Type(L"s");
    EXPECT_TRUE(m_doc.IsModified());
    Undo();
    EXPECT_EQ(Text(), L"text");
    EXPECT_FALSE(m_doc.IsModified());

    // Clear history on a modified document: undoing never clears the mark.
    Type(L"y");
    ASSERT_TRUE(Enabled(ID_EDIT_CLEAR_HISTORY));
    m_frame.ExecuteCommand(ID_EDIT_CLEAR_HISTORY);
    EXPECT_TRUE(m_view.GetHistory().ModifiedAtClear());
    EXPECT_FALSE(Enabled(ID_EDIT_CLEAR_HISTORY));
    Type(L"z");
    Undo();
    EXPECT_EQ(Text(), L"texty");
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(EditHistoryTest, EnablingFollowsTheChain) {
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    EXPECT_FALSE(Enabled(ID_EDIT_CLEAR_HISTORY)); // only the root
    Type(L"a b");
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
    EXPECT_TRUE(Enabled(ID_EDIT_CLEAR_HISTORY));
    Undo();
    EXPECT_TRUE(Enabled(ID_EDIT_REDO));
    Type(L"c"); // typing after undo drops the redo chain
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    EXPECT_EQ(Text(), L"a c");
    Undo();
    Undo();
    Undo();
    EXPECT_TRUE(Enabled(ID_EDIT_CLEAR_HISTORY)); // at the root with a redo chain
    m_frame.ExecuteCommand(ID_EDIT_CLEAR_HISTORY);
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    EXPECT_FALSE(Enabled(ID_EDIT_CLEAR_HISTORY));
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
