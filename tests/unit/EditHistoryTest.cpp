// The edit history's rules on a plain string standing in for the EDIT control: grouping of typed
// text, deletions with line breaks, replacements as one step, caret positions after undo and redo,
// command enabling, the modified mark and the save point, and a long random run against a
// reference. --seed=N --steps=N (or TESSARIN_TEST_SEED, TESSARIN_TEST_STEPS) run it longer.
#include <gtest/gtest.h>
#include "EditHistoryRandomRun.h"
#include "StringEdit.h"
#include "TestMain.h"

namespace {

class EditHistory : public ::testing::Test {
protected:
    CStringEditor m_ed;

    void Type(const std::wstring& chars) { m_ed.Type(chars); }
    void Delete() { m_ed.DeleteKey(); }
    void Undo() { m_ed.Undo(); }
    void Redo() { m_ed.Redo(); }
    void Load(const std::wstring& text, int nCaret = -1) { m_ed.Load(text, nCaret); }
    void Select(int s, int e) { m_ed.Select(s, e); }
    std::wstring Text() const { return m_ed.Text(); }
    std::pair<int, int> Sel() const { return m_ed.Sel(); }
    size_t Records() const { return m_ed.Records(); }
    const EditRecord& Current() const { return m_ed.Current(); }
    const CEditHistory& History() const { return m_ed.m_history; }
    bool Modified() const { return m_ed.m_edit.m_bModified; }
};

TEST_F(EditHistory, TypedWordsSpacesAndEnterMakeSeparateRecordsUndoneStepByStep) {
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
    EXPECT_FALSE(History().CanUndo());
    for (int i = 0; i < 5; ++i)
        Redo();
    EXPECT_EQ(Text(), L"ab cd\r\nx");
    EXPECT_EQ(Sel(), std::make_pair(8, 8)); // redo leaves the caret after the inserted text
    EXPECT_FALSE(History().CanRedo());
}

TEST_F(EditHistory, EnterIsOneRecordHoldingCrLfAndNeverMergesWithText) {
    Type(L"ab");
    Type(L"\r");
    Type(L"cd");
    EXPECT_EQ(Records(), 3u);
    EXPECT_EQ(Current().text, L"cd");
    Undo();
    EXPECT_EQ(Text(), L"ab\r\n");
    EXPECT_EQ(Current().text, L"\r\n");
    Undo();
    EXPECT_EQ(Text(), L"ab");
    Redo();
    EXPECT_EQ(Text(), L"ab\r\n");
    EXPECT_EQ(Sel(), std::make_pair(4, 4));
}

TEST_F(EditHistory, BackspaceAndDeleteAtTheEdgesRecordNothing) {
    Load(L"abc", 0);
    Type(L"\b");
    EXPECT_EQ(Text(), L"abc");
    EXPECT_EQ(Records(), 0u);

    // Delete at the end: nothing recorded and the redo chain survives.
    Select(3, 3);
    Type(L"d");
    Undo();
    ASSERT_TRUE(History().CanRedo());
    Select(3, 3);
    Delete();
    EXPECT_EQ(Text(), L"abc");
    EXPECT_TRUE(History().CanRedo());
    Redo();
    EXPECT_EQ(Text(), L"abcd");
}

TEST_F(EditHistory, ThreeBackspacesInAWordAreOneRecordRestoredWithCaretAfter) {
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

TEST_F(EditHistory, RepeatedDeleteMergesForwardUntilASeparator) {
    Load(L"abc def", 0);
    Delete();
    Delete();
    Delete();
    EXPECT_EQ(Records(), 1u);
    Delete(); // the space: a record of its own
    Delete();
    EXPECT_EQ(Text(), L"ef");
    EXPECT_EQ(Records(), 3u);
    Undo();
    Undo();
    EXPECT_EQ(Text(), L" def");
    Undo();
    EXPECT_EQ(Text(), L"abc def");
    EXPECT_EQ(Sel(), std::make_pair(3, 3));
}

TEST_F(EditHistory, ALineBreakGoesWholeAndAloneByBackspaceOrDelete) {
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
    Delete();
    EXPECT_EQ(Text(), L"abcd");
    Undo();
    EXPECT_EQ(Text(), L"ab\r\ncd");

    // A selection that ends between CR and LF takes the LF too.
    Select(1, 3);
    Delete();
    EXPECT_EQ(Text(), L"acd");
    Undo();
    EXPECT_EQ(Text(), L"ab\r\ncd");

    // A lone LF (pasted text can carry one) goes alone.
    Load(L"a\nb", 2);
    Type(L"\b");
    EXPECT_EQ(Text(), L"ab");
    EXPECT_EQ(Current().text, L"\n");
}

TEST_F(EditHistory, SurrogatePairsGoWholeAndACaretInsideOneTypesAfterIt) {
    const std::wstring pair = L"\xD842\xDFB7"; // 𠮷
    Load(L"a" + pair + pair + L"b", 4);
    Type(L"\b\b"); // two pairs, one record: a pair counts as one character
    EXPECT_EQ(Text(), L"ab");
    EXPECT_EQ(Records(), 1u);
    Undo();
    EXPECT_EQ(Text(), L"a" + pair + pair + L"b");

    Select(2, 2); // inside the first pair
    Type(L"x");
    EXPECT_EQ(Text(), L"a" + pair + L"x" + pair + L"b");
    Undo();
    Select(4, 4); // inside the second pair
    Delete();
    EXPECT_EQ(Text(), L"a" + pair + L"b");
    Undo();
    Select(2, 4); // from inside the first pair to inside the second
    Type(L"y");
    EXPECT_EQ(Text(), L"ayb");
    Undo();
    EXPECT_EQ(Text(), L"a" + pair + pair + L"b");
}

TEST_F(EditHistory, CombiningMarksAndVariationSelectorsGoWithTheirCharacter) {
    // e + acute, か + voicing mark, 葛 + variation selector (a pair itself), a mark after a line
    // break (which stands alone).
    const std::wstring text = L"e\x0301か\x3099\x845B\xDB40\xDD00\r\n\x0301";
    Load(text, 2);
    Type(L"\b");
    EXPECT_EQ(Text(), text.substr(2));
    EXPECT_EQ(Current().text, L"e\x0301");
    Undo();
    EXPECT_EQ(Text(), text);
    Select(2, 2);
    Delete();
    EXPECT_EQ(Text(), L"e\x0301\x845B\xDB40\xDD00\r\n\x0301");
    Undo();
    Select(5, 5); // inside 葛 + selector: Backspace from there takes the whole character
    Type(L"\b");
    EXPECT_EQ(Text(), L"e\x0301か\x3099\r\n\x0301");
    Undo();
    Select(3, 3); // between か and its mark: typing goes in after the mark
    Type(L"x");
    EXPECT_EQ(Text(), L"e\x0301か\x3099x\x845B\xDB40\xDD00\r\n\x0301");
    Undo();
    Select(10, 10); // after the lone mark at a line's start: only the mark goes
    Type(L"\b");
    EXPECT_EQ(Text(), L"e\x0301か\x3099\x845B\xDB40\xDD00\r\n");
    Undo();
    EXPECT_EQ(Text(), text);
}

TEST_F(EditHistory, TypingOverASelectionIsOneStepBothWays) {
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
    EXPECT_FALSE(History().CanUndo());
}

TEST_F(EditHistory, ReplacementThroughTheEntryPointIsOneJoinedStep) {
    Load(L"find me here", 0);
    Select(5, 7);
    m_ed.Insert(L"YOU");
    EXPECT_EQ(Text(), L"find YOU here");
    Type(L"!"); // extends the insertion: no separator at the join
    EXPECT_EQ(Records(), 2u);
    Undo();
    EXPECT_EQ(Text(), L"find me here");
    Redo();
    EXPECT_EQ(Text(), L"find YOU! here");

    // Replace all: the whole text selected and replaced, one undo step.
    m_ed.m_history.RecordInsertion(L"all new", 0, static_cast<int>(Text().size()), true);
    EXPECT_EQ(Text(), L"all new");
    Undo();
    EXPECT_EQ(Text(), L"find YOU! here");
}

TEST_F(EditHistory, PasteIsExtendedByTypingAtItsEndWithoutASeparator) {
    Load(L"x", 1);
    m_ed.Insert(L"pasted");
    Type(L"more");
    EXPECT_EQ(Records(), 1u);
    Type(L" ");
    m_ed.Insert(L"next");
    EXPECT_EQ(Records(), 3u);
    Undo();
    Undo();
    EXPECT_EQ(Text(), L"xpastedmore");
}

TEST_F(EditHistory, EmptyReplacementStaysJoinedToTheNextRecord) {
    // The view's own drag ends as a move by removing the selection through the inserter: the
    // joined deletion then goes with whatever is recorded next.
    Load(L"abc def", 0);
    Select(0, 4);
    m_ed.Insert(L"");
    EXPECT_EQ(Text(), L"def");
    Select(3, 3);
    Type(L"x");
    Undo();
    EXPECT_EQ(Text(), L"abc def");
    Redo();
    EXPECT_EQ(Text(), L"defx");
}

TEST_F(EditHistory, UndoToTheClearedStateClearsTheModifiedMarkUnlessItWasModified) {
    Load(L"text");
    Type(L"s");
    EXPECT_TRUE(Modified());
    Undo();
    EXPECT_EQ(Text(), L"text");
    EXPECT_FALSE(Modified());

    // Clear history on a modified document: undoing never clears the mark.
    Type(L"y");
    ASSERT_TRUE(History().CanClear());
    m_ed.m_history.ClearHistory(Modified());
    EXPECT_TRUE(History().ModifiedAtClear());
    EXPECT_FALSE(History().CanClear());
    Type(L"z");
    Undo();
    EXPECT_EQ(Text(), L"texty");
    EXPECT_TRUE(Modified());
}

TEST_F(EditHistory, EnablingFollowsTheChain) {
    EXPECT_FALSE(History().CanUndo());
    EXPECT_FALSE(History().CanRedo());
    EXPECT_FALSE(History().CanClear()); // only the root
    Type(L"a b");
    EXPECT_TRUE(History().CanUndo());
    EXPECT_TRUE(History().CanClear());
    Undo();
    EXPECT_TRUE(History().CanRedo());
    Type(L"c"); // typing after undo drops the redo chain
    EXPECT_FALSE(History().CanRedo());
    EXPECT_EQ(Text(), L"a c");
    Undo();
    Undo();
    Undo();
    EXPECT_TRUE(History().CanClear()); // at the root with a redo chain
    m_ed.m_history.ClearHistory(false);
    EXPECT_FALSE(History().CanRedo());
    EXPECT_FALSE(History().CanClear());
}

TEST_F(EditHistory, TheSavePointStopsMergingAndGoesWithTheRedoChainThatHeldIt) {
    Load(L"abc");
    Type(L"X");
    m_ed.Save();
    Undo();
    EXPECT_TRUE(Modified()) << "the file holds abcX";
    Redo();
    EXPECT_FALSE(Modified());

    // What is typed after the save is a step of its own, so undo stops at the saved text.
    Type(L"Y");
    EXPECT_EQ(Records(), 2u);
    Undo();
    EXPECT_EQ(Text(), L"abcX");
    EXPECT_FALSE(Modified());

    // Typing after undoing past the save drops the saved text from reach.
    Undo();
    Type(L"Z");
    EXPECT_FALSE(History().HasSavePoint());
    Undo();
    EXPECT_EQ(Text(), L"abc");
    EXPECT_TRUE(Modified());
}

TEST_F(EditHistory, ALongChainIsFreedWithoutRecursion) {
    // Records are freed one by one: freeing a chain this long by recursion would overflow the stack.
    for (int i = 0; i < 200000; ++i)
        Type(i % 2 ? L" " : L"a");
    EXPECT_EQ(Records(), 200000u);
    m_ed.m_history.ClearHistory(true);
    EXPECT_EQ(Records(), 0u);
}

// The edits of the random run on the string, through the same routes as on the view.
class CStringEditorUnderTest : public IEditorUnderTest {
public:
    explicit CStringEditorUnderTest(CStringEditor& ed) : m_ed(ed) {}
    void Type(const std::wstring& chars) override { m_ed.Type(chars); }
    void DeleteKey() override { m_ed.DeleteKey(); }
    void Select(int nStart, int nEnd) override { m_ed.Select(nStart, nEnd); }
    void Paste(const std::wstring& text) override { m_ed.Insert(text); }
    void Cut() override { m_ed.Cut(); }
    void CommitIme(const std::wstring& text, const std::wstring&) override { m_ed.Insert(text); }
    void Undo() override { m_ed.Undo(); }
    void Redo() override { m_ed.Redo(); }
    void ClearHistory(bool bModified) override { m_ed.m_history.ClearHistory(bModified); }
    void Save() override { m_ed.Save(); }
    std::wstring Text() override { return m_ed.Text(); }
    std::pair<int, int> Sel() override { return m_ed.Sel(); }
    bool IsModified() override { return m_ed.m_edit.m_bModified; }
    const CEditHistory& History() override { return m_ed.m_history; }

private:
    CStringEditor& m_ed;
};

TEST_F(EditHistory, RandomEditingUndoAndRedoMatchTheReference) {
    const int nSteps = g_testRun.steps > 0 ? g_testRun.steps : 50000;
    std::cout << "seed " << g_testRun.seed << ", " << nSteps << " steps\n";
    Load(L"start\r\ntext");
    CStringEditorUnderTest editor(m_ed);
    CRandomEditRun(editor, g_testRun.seed).Run(nSteps);
}

} // namespace
