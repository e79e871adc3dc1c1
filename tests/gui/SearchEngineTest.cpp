// The search engine on a real view and EDIT control: Find Next selects and scrolls, tells of no
// match in a notice box and gives the focus back; Replace compares the selection as the locale
// does (or unit for unit with match case); Replace All is one undo step (fast) or one per match
// (Notepad-like), and the fast one with nothing to replace leaves text, history and mark alone.
#include "SearchHost.h"
#include "TestMain.h"
#include "ViewDialogDriver.h"
#include "search/SearchEngine.h"
#include "search/TextMatch.h"
#include <random>

namespace {
const std::wstring kAppCaption = L"Tessarin";

// The box shows an icon: one of its static controls has the SS_ICON style and holds an icon.
bool ShowsIcon(HWND hBox) {
    bool bIcon = false;
    ::EnumChildWindows(
        hBox,
        [](HWND hChild, LPARAM lParam) -> BOOL {
            auto nStyle = static_cast<DWORD>(::GetWindowLongPtrW(hChild, GWL_STYLE));
            if ((nStyle & SS_TYPEMASK) == SS_ICON && ::SendMessageW(hChild, STM_GETICON, 0, 0) != 0)
                *reinterpret_cast<bool*>(lParam) = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&bIcon));
    return bIcon;
}
} // namespace

class SearchEngineTest : public SearchHost {
protected:
    // A request as the Find dialog (bReplace false) or the Replace dialog makes it.
    void Request(int nAction, const std::wstring& strFind, bool bReplace = false, const std::wstring& strReplace = L"",
                 bool fNotepadLike = false, bool fSearchDown = true, bool fMatchCase = false, bool fWholeWord = false) {
        SearchRequest request;
        request.strFind = strFind;
        request.strReplace = strReplace;
        request.bReplaceDialog = bReplace;
        request.fWholeWord = fWholeWord;
        request.fMatchCase = fMatchCase;
        request.fSearchDown = bReplace || fSearchDown;
        request.fNotepadLike = fNotepadLike;
        ApplySearchRequest(m_doc, nAction, request);
    }
    size_t Records() const { return m_view.GetHistory().RecordCount(); }
    void Undo() { m_view.UndoEdit(); }
};

TEST_F(SearchEngineTest, FindNextSelectsScrollsAndGoesOnFromTheSelection) {
    std::wstring text;
    for (int i = 0; i < 400; ++i)
        text += i == 300 ? L"the Target line\r\n" : L"line\r\n";
    text += L"target";
    Load(text);
    ASSERT_EQ(m_view.GetFirstVisibleLine(), 0);
    Request(SR_FINDNEXT, L"TARGET");
    int nFirst = 300 * 6 + 4;
    EXPECT_EQ(Sel(), std::make_pair(nFirst, nFirst + 6));
    EXPECT_GT(m_view.GetFirstVisibleLine(), 250); // scrolled to the match
    // Again: the next one, at the very end of the text.
    EXPECT_TRUE(FindNext(m_doc));
    int nLast = static_cast<int>(text.size()) - 6;
    EXPECT_EQ(Sel(), std::make_pair(nLast, nLast + 6));
    // Upwards from there: the match must end at or before the selection start.
    Request(SR_FINDNEXT, L"target", false, L"", false, false);
    EXPECT_EQ(Sel(), std::make_pair(nFirst, nFirst + 6));
    EXPECT_LT(m_view.GetFirstVisibleLine(), 301);
}

TEST_F(SearchEngineTest, NoMatchShowsTheNoticeNamingTheTextLeavesTheSelectionAndReturnsTheFocus) {
    // A match that begins inside the selection is not found downwards, and there is no wrap-around.
    Load(L"abc xyz abc", 9, 10);
    // The window that has the focus when the search starts, like a search dialog's edit box.
    CWnd box;
    RECT rc{700, 60, 900, 90};
    ASSERT_TRUE(box.CreateEx(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE | WS_BORDER, rc, m_frame.m_hWnd, 0));
    box.SetFocus();
    ASSERT_EQ(::GetFocus(), box.m_hWnd);
    CDialogDriver driver;
    std::wstring strNotice;
    bool bIcon = false;
    driver.When(kAppCaption, [&](HWND hBox) {
        strNotice = CDialogDriver::MessageBoxText(hBox);
        bIcon = ShowsIcon(hBox);
        CDialogDriver::Press(hBox, IDOK);
    });
    Request(SR_FINDNEXT, L"Abc");
    EXPECT_TRUE(driver.Done());
    EXPECT_EQ(strNotice, L"\"Abc\" が見つかりません。");
    EXPECT_TRUE(bIcon); // MB_ICONINFORMATION
    EXPECT_EQ(Sel(), std::make_pair(9, 10));
    EXPECT_EQ(::GetFocus(), box.m_hWnd);
    box.DestroyWindow();

    // Upwards, an occurrence overlapping the selection start is skipped; the one before is found.
    Load(L"abc xyz abc", 9, 10);
    Request(SR_FINDNEXT, L"abc", false, L"", false, false);
    EXPECT_EQ(Sel(), std::make_pair(0, 3));
}

TEST_F(SearchEngineTest, ReplaceComparesTheSelectionAsTheLocaleDoesAndExactlyWithMatchCase) {
    // The selection equals the search text apart from case: replaced, then the next match selected.
    Load(L"Cat cat", 0, 3);
    Request(SR_REPLACE, L"cat", true, L"dog cat");
    EXPECT_EQ(m_view.GetText(), L"dog cat cat");
    EXPECT_EQ(Sel(), std::make_pair(8, 11)); // the replacement's own "cat" is behind the caret
    EXPECT_EQ(Records(), 2u);                // deletion joined to insertion: one undo step
    Undo();
    EXPECT_EQ(m_view.GetText(), L"Cat cat");

    // CharLowerW lowers Ʀ (U+01A6) to ʀ (U+0280), so Find Next selects it, but lstrcmpiW does
    // not call them equal: Replace leaves it and searches on. (Each text ends in one more match, so
    // the search after the replacement finds something and no notice box comes up.)
    CBoxAnswerer answer;
    Load(L"\u0280 \u0280", 0, 0);
    Request(SR_FINDNEXT, L"\u01A6", true);
    EXPECT_EQ(Sel(), std::make_pair(0, 1));
    Request(SR_REPLACE, L"\u01A6", true, L"x");
    EXPECT_EQ(m_view.GetText(), L"\u0280 \u0280");
    EXPECT_EQ(Sel(), std::make_pair(2, 3));
    // The other way round: lstrcmpiW calls the modifier letter ᴬ (U+1D2C) equal to "a", which
    // CharLowerW does not lower, so Find Next never selects it, yet a selected one is replaced.
    Load(L"\u1D2C a", 0, 1);
    Request(SR_REPLACE, L"a", true, L"b");
    EXPECT_EQ(m_view.GetText(), L"b a");
    EXPECT_EQ(Sel(), std::make_pair(2, 3));

    // With match case the selection must be the search text unit for unit: lstrcmpW calls the
    // yen sign equal to the backslash, and ignores a soft hyphen.
    Load(L"C:\u00A5dir\\", 2, 3);
    Request(SR_REPLACE, L"\\", true, L"/", false, true, true);
    EXPECT_EQ(m_view.GetText(), L"C:\u00A5dir\\");
    EXPECT_EQ(Sel(), std::make_pair(6, 7));
    Load(L"co\u00ADop coop", 0, 5);
    Request(SR_REPLACE, L"coop", true, L"x", false, true, true);
    EXPECT_EQ(m_view.GetText(), L"co\u00ADop coop");
    EXPECT_EQ(Sel(), std::make_pair(6, 10));
    Load(L"C:\\dir\\", 2, 3);
    Request(SR_REPLACE, L"\\", true, L"/", false, true, true);
    EXPECT_EQ(m_view.GetText(), L"C:/dir\\");
    EXPECT_EQ(answer.Count(), 0u);
}

TEST_F(SearchEngineTest, FastReplaceAllIsOneUndoStepAndReplacesBeforeTheCaretToo) {
    Load(L"a cat, a Cat and a concatenation", 20);
    Request(SR_REPLACEALL, L"cat", true, L"cat cat", false, true, false, true);
    EXPECT_EQ(m_view.GetText(), L"a cat cat, a cat cat and a concatenation");
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(Records(), 2u); // the whole text removed, joined to the new whole text
    Undo();
    EXPECT_EQ(m_view.GetText(), L"a cat, a Cat and a concatenation");
    EXPECT_FALSE(m_doc.IsModified());

    // Matches at the very start and end of the text.
    Load(L"xx-xx", 2);
    Request(SR_REPLACEALL, L"xx", true, L"y");
    EXPECT_EQ(m_view.GetText(), L"y-y");
}

TEST_F(SearchEngineTest, FastReplaceAllWithoutAMatchChangesNothing) {
    Load(L"one two three", 4, 7);
    Request(SR_REPLACEALL, L"four", true, L"4");
    EXPECT_EQ(m_view.GetText(), L"one two three");
    EXPECT_EQ(Records(), 0u);
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(Sel(), std::make_pair(4, 7));
    // The same in the Notepad-like mode.
    Request(SR_REPLACEALL, L"four", true, L"4", true);
    EXPECT_EQ(Records(), 0u);
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(Sel(), std::make_pair(4, 7));
}

TEST_F(SearchEngineTest, NotepadLikeReplaceAllIsUndoneMatchByMatch) {
    Load(L"a1 a2 a3", 8);
    Request(SR_REPLACEALL, L"A", true, L"bb", true);
    EXPECT_EQ(m_view.GetText(), L"bb1 bb2 bb3");
    EXPECT_EQ(Records(), 6u); // three replacements, each a deletion joined to an insertion
    // Recorded from the last match to the first: undo gives back the first match first.
    Undo();
    EXPECT_EQ(m_view.GetText(), L"a1 bb2 bb3");
    Undo();
    EXPECT_EQ(m_view.GetText(), L"a1 a2 bb3");
    Undo();
    EXPECT_EQ(m_view.GetText(), L"a1 a2 a3");
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(SearchEngineTest, CloseStoresTheOptionsWithoutSearching) {
    Load(L"abc abc", 0);
    Request(SR_CLOSE, L"abc", false, L"", false, false, true, true);
    EXPECT_EQ(Sel(), std::make_pair(0, 0));
    const SearchOptions& options = m_doc.GetSearchOptions();
    EXPECT_EQ(options.strFind, L"abc");
    EXPECT_FALSE(options.fSearchDown);
    EXPECT_TRUE(options.fMatchCase);
    EXPECT_TRUE(options.fWholeWord);
    // The Find dialog does not carry a replacement: the stored one stays.
    Request(SR_CLOSE, L"abc", true, L"kept");
    Request(SR_CLOSE, L"abc", false, L"other");
    EXPECT_EQ(options.strReplace, L"kept");
    EXPECT_TRUE(options.fSearchDown);
}

TEST_F(SearchEngineTest, ReplaceAllInTheSelectionIsOneUndoStepCountsAndKeepsTheNewTextSelected) {
    auto replaceInSelection = [&](bool fNotepadLike) {
        SearchRequest request;
        request.strFind = L"ab";
        request.strReplace = L"XYZ";
        request.bReplaceDialog = true;
        request.fNotepadLike = fNotepadLike;
        request.fInSelection = true;
        ApplySearchRequest(m_doc, SR_CLOSE, request); // the options only
        return ReplaceAll(m_doc);
    };
    // "ab" at 0, 3, 6 and 9; the selection [2, 9) holds only the one at 3 and 6 whole.
    Load(L"ab ab ab ab", 2, 9);
    EXPECT_EQ(replaceInSelection(false), 2u);
    EXPECT_EQ(m_view.GetText(), L"ab XYZ XYZ ab");
    EXPECT_EQ(Sel(), std::make_pair(2, 11));
    EXPECT_EQ(Records(), 2u) << "the selection removed, joined to its new text";
    Undo();
    EXPECT_EQ(m_view.GetText(), L"ab ab ab ab");
    EXPECT_FALSE(m_doc.IsModified());

    // Notepad-like: one step per match, and the selection still covers the replaced text.
    Load(L"ab ab ab ab", 2, 9);
    EXPECT_EQ(replaceInSelection(true), 2u);
    EXPECT_EQ(m_view.GetText(), L"ab XYZ XYZ ab");
    EXPECT_EQ(Sel(), std::make_pair(2, 11));
    EXPECT_EQ(Records(), 4u);

    // An empty selection holds nothing to replace.
    Load(L"ab ab", 1);
    EXPECT_EQ(replaceInSelection(false), 0u);
    EXPECT_EQ(m_view.GetText(), L"ab ab");
    EXPECT_EQ(Records(), 0u);
}

TEST_F(SearchEngineTest, WrapAroundGoesOnFromTheOtherEndAndShiftF3Reverses) {
    SearchRequest request;
    request.strFind = L"ab";
    request.fWrapAround = true;
    Load(L"ab x ab", 5, 7);
    EXPECT_TRUE(ApplySearchRequest(m_doc, SR_FINDNEXT, request));
    EXPECT_EQ(Sel(), std::make_pair(0, 2)) << "round from the end";
    EXPECT_TRUE(FindNext(m_doc, true));
    EXPECT_EQ(Sel(), std::make_pair(5, 7)) << "Shift+F3: up, round from the start";
    EXPECT_TRUE(FindNext(m_doc, true));
    EXPECT_EQ(Sel(), std::make_pair(0, 2));
    EXPECT_TRUE(m_doc.GetSearchOptions().fSearchDown) << "the reversal is for one search only";
}

// Find Next reads only the stretch it searches, from wherever the control's gap stands (put there by
// an edit): whatever it selects must be what a search over the whole text finds.
TEST_F(SearchEngineTest, FindNextOverTheStretchSearchedFindsWhatTheWholeTextGives) {
    std::mt19937 rng(g_testRun.seed);
    auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    static const wchar_t* const pieces[] = {L"ab", L"a", L"b", L" ", L"x", L"AB", L"あ", L"\r\n"};
    static const wchar_t* const patterns[] = {L"ab", L"AB", L"b a", L"a"};
    int nFound = 0;
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE("step " + std::to_string(step) + " seed " + std::to_string(g_testRun.seed));
        std::wstring text;
        for (int n = pick(0, 40); n > 0; --n)
            text += pieces[pick(0, static_cast<int>(std::size(pieces)) - 1)];
        Load(text);
        // An edit leaves the gap where it was made (after a CR LF it would have split).
        const int nAt = pick(0, static_cast<int>(text.size()));
        m_view.RecordInsertion(L"b", nAt, nAt, true);
        text = m_view.GetWindowText();
        const int nLength = static_cast<int>(text.size());
        int nStart = pick(0, nLength), nEnd = pick(nStart, std::min(nLength, nStart + 3));
        m_view.SetSel(nStart, nEnd);
        SearchOptions& options = m_doc.GetSearchOptions();
        options.strFind = patterns[pick(0, static_cast<int>(std::size(patterns)) - 1)];
        options.fMatchCase = pick(0, 1) != 0;
        options.fWholeWord = pick(0, 1) != 0;
        options.fWrapAround = pick(0, 1) != 0;
        const bool fDown = pick(0, 1) != 0;
        options.fSearchDown = fDown;
        MatchOptions match;
        match.fMatchCase = options.fMatchCase;
        match.fWholeWord = options.fWholeWord;
        match.wordChars = options.strWordChars;
        const auto expected = FindFromSelection(text, static_cast<size_t>(nStart), static_cast<size_t>(nEnd), fDown,
                                                options.fWrapAround, options.strFind, match);
        if (!expected)
            continue; // "not found" shows a notice box, tested elsewhere
        ++nFound;
        ASSERT_TRUE(FindNext(m_doc)) << "\"" << ::testing::PrintToString(text) << "\" from " << nStart;
        ASSERT_EQ(Sel(), std::make_pair(static_cast<int>(expected->range.start), static_cast<int>(expected->range.end)))
            << ::testing::PrintToString(text) << " from " << nStart << "-" << nEnd << (fDown ? " down" : " up");
    }
    EXPECT_GT(nFound, 100);
}
