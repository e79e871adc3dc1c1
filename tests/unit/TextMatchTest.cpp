// The plain matcher: case folding, the scans in both directions, the whole-word loop, surrogate
// pairs, the Replace All builder and its growth rule, and the match list.
#include "document/SearchOptions.h"
#include "search/ReplaceAll.h"
#include "search/TextMatch.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

namespace {

const std::wstring kLetters = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

std::optional<TextRange> Down(std::wstring_view text, size_t nFrom, std::wstring_view pattern,
                              const MatchOptions& options = {}) {
    return MatchText(text, nFrom, text.size(), true, pattern, options);
}
std::optional<TextRange> Up(std::wstring_view text, size_t nFrom, std::wstring_view pattern,
                            const MatchOptions& options = {}) {
    return MatchText(text, nFrom, 0, false, pattern, options);
}
MatchOptions WholeWord(std::wstring_view chars = kLetters, bool fMatchCase = false) {
    MatchOptions options;
    options.fWholeWord = true;
    options.fMatchCase = fMatchCase;
    options.wordChars = chars;
    return options;
}
wchar_t CharLowerOne(wchar_t ch) {
    return static_cast<wchar_t>(
        reinterpret_cast<ULONG_PTR>(::CharLowerW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(ch)))));
}

} // namespace

TEST(TextMatch, FoldTableAnswersAsCharLowerWExceptForSurrogates) {
    for (unsigned c = 1; c < 0x10000; ++c) {
        auto ch = static_cast<wchar_t>(c);
        if (c >= 0xD800 && c <= 0xDFFF)
            ASSERT_EQ(FoldCase(ch), ch) << std::hex << c;
        else
            ASSERT_EQ(FoldCase(ch), CharLowerOne(ch)) << std::hex << c;
    }
    EXPECT_EQ(FoldCase(L'Ä'), L'ä');
    EXPECT_EQ(FoldCase(L'Ａ'), L'ａ'); // full-width letters fold too
}

TEST(TextMatch, DownwardsFindsFromTheStartPositionAndNeverWraps) {
    std::wstring text = L"abc abc abc";
    EXPECT_EQ(Down(text, 0, L"abc"), (TextRange{0, 3}));
    EXPECT_EQ(Down(text, 1, L"abc"), (TextRange{4, 7}));  // a match beginning before nFrom is not found
    EXPECT_EQ(Down(text, 8, L"abc"), (TextRange{8, 11})); // the very end of the text
    EXPECT_FALSE(Down(text, 9, L"abc"));                  // no wrap-around to the earlier ones
    EXPECT_FALSE(Down(text, 11, L"abc"));
    EXPECT_FALSE(Down(text, 0, L"")); // an empty pattern matches nothing
    EXPECT_FALSE(Down(L"ab", 0, L"abc"));
    // The limit bounds the end of a match.
    EXPECT_FALSE(MatchText(text, 0, 2, true, L"abc", {}));
    EXPECT_EQ(MatchText(text, 0, 7, true, L"c a", {}), (TextRange{2, 5}));
}

TEST(TextMatch, UpwardsMatchesEndAtOrBeforeTheStartPosition) {
    std::wstring text = L"abc abc abc";
    EXPECT_EQ(Up(text, 11, L"abc"), (TextRange{8, 11}));
    EXPECT_EQ(Up(text, 10, L"abc"), (TextRange{4, 7})); // the occurrence overlapping nFrom is skipped
    EXPECT_EQ(Up(text, 7, L"abc"), (TextRange{4, 7}));
    EXPECT_EQ(Up(text, 3, L"abc"), (TextRange{0, 3}));        // the very start of the text
    EXPECT_FALSE(Up(text, 2, L"abc"));                        // no wrap-around
    EXPECT_FALSE(MatchText(text, 11, 9, false, L"abc", {}));  // the limit bounds the start
    EXPECT_EQ(SearchBackward(text, 11, 9, L"abc", true), 9u); // none: the limit comes back
    EXPECT_EQ(SearchForward(text, 9, 11, L"abc", true), 11u);
}

TEST(TextMatch, CaseFoldingFollowsCharLowerW) {
    MatchOptions exact;
    exact.fMatchCase = true;
    EXPECT_EQ(Down(L"xÄBc", 0, L"äbC"), (TextRange{1, 4}));
    EXPECT_FALSE(Down(L"xÄBc", 0, L"äbC", exact));
    EXPECT_EQ(Down(L"xÄBc", 0, L"ÄBc", exact), (TextRange{1, 4}));
    EXPECT_EQ(Up(L"ÄBc xäbc", 8, L"ÄBC"), (TextRange{5, 8}));
    // Ʀ (U+01A6) lowers to ʀ (U+0280) under CharLowerW: the matcher takes them as one letter.
    EXPECT_EQ(Down(L"--\u0280--", 0, L"\u01A6"), (TextRange{2, 3}));
    EXPECT_EQ(Up(L"--\u01A6--", 5, L"\u0280"), (TextRange{2, 3}));
}

TEST(TextMatch, WholeWordBoundariesAtTheEndsOfTheTextAndOfTheSet) {
    std::wstring text = L"cat concatenate cat";
    EXPECT_EQ(Down(text, 1, L"cat", WholeWord()), (TextRange{16, 19})); // end of the text bounds it
    EXPECT_EQ(Up(text, 18, L"cat", WholeWord()), (TextRange{0, 3}));    // start of the text bounds it
    EXPECT_EQ(Down(text, 1, L"cat"), (TextRange{7, 10}));
    // An empty set lets every match pass.
    EXPECT_EQ(Down(text, 1, L"cat", WholeWord(L"")), (TextRange{7, 10}));
    // The neighbours outside the searched range still count: a match at nFrom is not bounded by it.
    EXPECT_FALSE(Down(L"xcat", 1, L"cat", WholeWord()));
    EXPECT_FALSE(MatchText(L"catx", 3, 0, false, L"cat", WholeWord()));
}

TEST(TextMatch, WholeWordResumesOneCharacterFurtherAfterARejectedCandidate) {
    // The candidate at 1 has "x" on its left; the one at 3 overlaps it and passes.
    EXPECT_EQ(Down(L"xa a a", 0, L"a a", WholeWord()), (TextRange{3, 6}));
    EXPECT_EQ(Up(L"a a ax", 6, L"a a", WholeWord()), (TextRange{0, 3}));
    EXPECT_EQ(FindForward(L"xa a a", 0, L"a a", WholeWord()), 3u);
    // Repeated rejection walks on to the end and reports no match.
    EXPECT_FALSE(Down(L"aaaaaa", 0, L"aa", WholeWord()));
    EXPECT_FALSE(Up(L"aaaaaa", 6, L"aa", WholeWord()));
}

TEST(TextMatch, DefaultWordCharactersCoverLatinAccentsAndDigitsButNotJapanese) {
    const std::wstring& chars = DefaultWordChars();
    MatchOptions options = WholeWord(chars);
    EXPECT_FALSE(Down(L"concatenate", 0, L"cat", options));
    EXPECT_FALSE(Down(L"écaté", 0, L"cat", options));       // accented letters are word characters
    EXPECT_FALSE(Down(L"cat9", 0, L"cat", options));        // so are digits
    EXPECT_FALSE(Down(L"ｃａｔｓ", 0, L"ｃａｔ", options)); // and full-width Latin letters
    EXPECT_EQ(Down(L"(cat)", 0, L"cat", options), (TextRange{1, 4}));
    EXPECT_EQ(Down(L"この単語は", 0, L"単語", options), (TextRange{2, 4})); // Japanese is found in a sentence
    EXPECT_EQ(Down(L"漢cat字", 0, L"cat", options), (TextRange{1, 4}));
    EXPECT_EQ(chars.find(L'_'), std::wstring::npos);
    EXPECT_EQ(chars.find(L'あ'), std::wstring::npos);
}

TEST(TextMatch, MatchesNeverStartOrEndInsideASurrogatePair) {
    const std::wstring pair = L"\U00020BB7"; // 𠮷, two units
    std::wstring text = pair + pair + L"a" + pair;
    // A lone low surrogate only ever occurs as the second half of a pair.
    EXPECT_FALSE(Down(text, 0, pair.substr(1)));
    EXPECT_FALSE(Up(text, text.size(), pair.substr(1)));
    // A lone high surrogate likewise (its match would end inside the pair).
    EXPECT_FALSE(Down(text, 0, pair.substr(0, 1)));
    EXPECT_FALSE(Up(text, text.size(), pair.substr(0, 1)));
    // "low half, high half" spans two pairs' insides.
    EXPECT_FALSE(Down(text, 0, text.substr(1, 2)));
    // Whole pairs are found, in both directions and regardless of case folding.
    EXPECT_EQ(Down(text, 1, pair), (TextRange{2, 4}));
    EXPECT_EQ(Up(text, 6, pair + L"a"), (TextRange{2, 5}));
    // A lone surrogate in the text is found by a lone surrogate.
    std::wstring lone = L"a\xDC00z";
    EXPECT_EQ(Down(lone, 0, L"\xDC00"), (TextRange{1, 2}));
}

TEST(TextMatch, ReplaceAllBuildsTheTextLeftToRightWithoutReplacingTheReplacement) {
    CReplaceAllBuffer out;
    MatchOptions options;
    EXPECT_EQ(BuildReplaceAll(L"aXbxc", L"x", L"xx", options, out), 2u);
    EXPECT_EQ(out.Text(), L"axxbxxc");
    // Matches do not overlap: "aaa" holds one "aa", then the scan resumes behind it.
    EXPECT_EQ(BuildReplaceAll(L"aaa", L"aa", L"b", options, out), 1u);
    EXPECT_EQ(out.Text(), L"ba");
    // At the very start and end, and the whole-word test applies.
    EXPECT_EQ(BuildReplaceAll(L"cat concatenate cat", L"cat", L"dog", WholeWord(), out), 2u);
    EXPECT_EQ(out.Text(), L"dog concatenate dog");
    // No match: the text comes back unchanged, and the count says so.
    EXPECT_EQ(BuildReplaceAll(L"abc", L"z", L"y", options, out), 0u);
    EXPECT_EQ(out.Text(), L"abc");
    // An empty replacement deletes.
    EXPECT_EQ(BuildReplaceAll(L"a-b-c", L"-", L"", options, out), 2u);
    EXPECT_EQ(out.Text(), L"abc");

    std::deque<MatchRecord> matches{MatchRecord{7, 8, {}}};
    CollectMatches(L"xa a a a a", L"a a", WholeWord(), matches);
    ASSERT_EQ(matches.size(), 2u); // emptied first; [3, 6) and [7, 10)
    EXPECT_EQ(matches[0].start, 3u);
    EXPECT_EQ(matches[0].end, 6u);
    EXPECT_EQ(matches[1].start, 7u);
    EXPECT_TRUE(matches[1].text.empty());
}

TEST(TextMatch, ReplaceAllBufferGrowsByWholeStepsOfATenthOfTheText) {
    CReplaceAllBuffer out;
    out.Begin(50000); // first run: reserves the initial step of 1024, then takes a tenth: 5000
    EXPECT_EQ(out.Capacity(), 1024u);
    EXPECT_EQ(out.Step(), 5000u);
    std::wstring chunk(1000, L'x');
    out.Append(chunk.data(), chunk.size());
    EXPECT_EQ(out.Capacity(), 1024u);
    out.Append(chunk.data(), chunk.size()); // 2000 > 1024: one step of 5000
    EXPECT_EQ(out.Capacity(), 6024u);
    std::wstring big(15000, L'y');
    out.Append(big.data(), big.size()); // 17000: three more steps
    EXPECT_EQ(out.Capacity(), 21024u);
    EXPECT_GE(out.Text().capacity(), 21025u);
    EXPECT_EQ(out.Text().size(), 17000u);
    out.Clear();
    EXPECT_GE(out.Text().capacity(), 21025u); // the storage stays for the next run
    out.Begin(3000);                          // small texts step by 1024
    EXPECT_EQ(out.Step(), 1024u);
    EXPECT_EQ(out.Capacity(), 21024u);
}
