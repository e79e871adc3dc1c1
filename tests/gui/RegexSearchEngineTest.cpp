// Regular expressions through the search engine on a real view: F3 moves on through empty matches
// in both directions, the Notepad-like Replace All puts each match's own replacement and is undone
// match by match, and a pattern that backtracks past the match limit says so, selecting and
// replacing nothing.
#include "SearchHost.h"
#include "search/SearchEngine.h"

class RegexSearchEngineTest : public SearchHost {
protected:
    bool Request(int nAction, const std::wstring& strFind, bool bReplace = false, const std::wstring& strReplace = L"",
                 bool fNotepadLike = false, bool fSearchDown = true) {
        SearchRequest request;
        request.strFind = strFind;
        request.strReplace = strReplace;
        request.bReplaceDialog = bReplace;
        request.fSearchDown = bReplace || fSearchDown;
        request.fNotepadLike = fNotepadLike;
        request.fRegex = true;
        return ApplySearchRequest(m_doc, nAction, request);
    }
};

TEST_F(RegexSearchEngineTest, FindNextMovesOnThroughEmptyMatchesBothWays) {
    Load(L"ab\r\ncd\r\n", 0);
    // The empty match at the caret is where the last find stopped: the next line's start is next.
    ASSERT_TRUE(Request(SR_FINDNEXT, L"^"));
    EXPECT_EQ(Sel(), std::make_pair(4, 4));
    ASSERT_TRUE(FindNext(m_doc));
    EXPECT_EQ(Sel(), std::make_pair(8, 8)); // the empty last line is a line too
    {
        CBoxAnswerer answerer;
        EXPECT_FALSE(FindNext(m_doc));
        ASSERT_EQ(answerer.Count(), 1u);
        EXPECT_EQ(answerer.Texts()[0], L"\"^\" が見つかりません。");
    }
    // Upwards: line ends before the caret, nearest first.
    ASSERT_TRUE(Request(SR_FINDNEXT, L"$", false, L"", false, false));
    EXPECT_EQ(Sel(), std::make_pair(6, 6));
    ASSERT_TRUE(FindNext(m_doc));
    EXPECT_EQ(Sel(), std::make_pair(2, 2));
    // A non-empty match upwards ends by the selection's start.
    Load(L"x12 x345 x6", 8, 11);
    ASSERT_TRUE(Request(SR_FINDNEXT, L"x(\\d+)", false, L"", false, false));
    EXPECT_EQ(Sel(), std::make_pair(4, 8));
}

TEST_F(RegexSearchEngineTest, NotepadLikeReplaceAllPutsEachMatchsOwnTextAndUndoesMatchByMatch) {
    Load(L"a1 a22 a3", 0);
    Request(SR_REPLACEALL, L"a(\\d+)", true, L"<$1>", true);
    EXPECT_EQ(m_view.GetText(), L"<1> <22> <3>");
    m_view.UndoEdit();
    EXPECT_EQ(m_view.GetText(), L"a1 <22> <3>");
    m_view.UndoEdit();
    m_view.UndoEdit();
    EXPECT_EQ(m_view.GetText(), L"a1 a22 a3");
    EXPECT_FALSE(m_doc.IsModified());
    // Replace: only a selection the pattern matches whole is replaced.
    Load(L"a1 a22 a3", 3, 5);
    Request(SR_REPLACE, L"a(\\d+)", true, L"<$1>");
    EXPECT_EQ(m_view.GetText(), L"a1 a22 a3");
    EXPECT_EQ(Sel(), std::make_pair(7, 9)); // not replaced; the next match is selected
    Load(L"a1 a22 a3", 3, 6);
    Request(SR_REPLACE, L"a(\\d+)", true, L"<$1>");
    EXPECT_EQ(m_view.GetText(), L"a1 <22> a3");
    EXPECT_EQ(Sel(), std::make_pair(8, 10));
}

TEST_F(RegexSearchEngineTest, RunawayPatternSaysSoAndChangesNothing) {
    const std::wstring text = std::wstring(3000, L'a') + L"!\r\naa";
    Load(text, 0);
    {
        CBoxAnswerer answerer;
        EXPECT_FALSE(Request(SR_FINDNEXT, L"(a+)+$"));
        Request(SR_REPLACEALL, L"(a+)+$", true, L"x");
        Request(SR_REPLACEALL, L"(a+)+$", true, L"x", true);
        ASSERT_EQ(answerer.Count(), 3u);
        for (const std::wstring& strText : answerer.Texts())
            EXPECT_TRUE(strText.starts_with(L"正規表現が複雑すぎるため、検索を中止しました。")) << strText.size();
    }
    EXPECT_EQ(Sel(), std::make_pair(0, 0));
    EXPECT_EQ(m_view.GetText(), text);
    EXPECT_EQ(m_view.GetHistory().RecordCount(), 0u);
    EXPECT_FALSE(m_doc.IsModified());
}
