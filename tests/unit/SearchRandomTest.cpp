// The matcher against a naive reference written here from the rules alone: random texts over a
// small alphabet (letters of both cases, a letter whose case pair is outside ASCII, a blank, a
// surrogate pair and its halves), random patterns, options and selections. Find Next in both
// directions, with and without wrap around, and Replace All in both modes, over the whole text and
// inside the selection, must agree with it. --seed=N --steps=N run it longer.
#include "TestMain.h"
#include "search/ReplaceAll.h"
#include "search/SearchHistory.h"
#include "search/TextMatch.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

// The reference: one CharLowerW call per character, a character search in the word string, and
// every candidate position tried in turn.
struct Reference {
    std::wstring text, pattern, wordChars;
    bool fMatchCase = false, fWholeWord = false;

    static bool High(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
    static bool Low(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
    static wchar_t Lower(wchar_t c) {
        if (High(c) || Low(c))
            return c;
        return static_cast<wchar_t>(
            reinterpret_cast<ULONG_PTR>(::CharLowerW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
    }
    bool InsidePair(size_t pos) const { return pos > 0 && pos < text.size() && High(text[pos - 1]) && Low(text[pos]); }
    bool Word(size_t pos) const { return wordChars.find(text[pos]) != std::wstring::npos; }
    // A match of the pattern starts at s.
    bool At(size_t s) const {
        size_t n = pattern.size();
        if (n == 0 || s + n > text.size() || InsidePair(s) || InsidePair(s + n))
            return false;
        for (size_t k = 0; k < n; ++k)
            if (fMatchCase ? text[s + k] != pattern[k] : Lower(text[s + k]) != Lower(pattern[k]))
                return false;
        if (!fWholeWord || wordChars.empty())
            return true;
        return (s == 0 || !Word(s - 1)) && (s + n == text.size() || !Word(s + n));
    }
    std::optional<TextRange> Down(size_t nFrom) const {
        for (size_t s = nFrom; s + pattern.size() <= text.size(); ++s)
            if (At(s))
                return TextRange{s, s + pattern.size()};
        return std::nullopt;
    }
    std::optional<TextRange> Up(size_t nFrom) const {
        for (size_t e = nFrom; e >= pattern.size() && e > 0; --e)
            if (At(e - pattern.size()))
                return TextRange{e - pattern.size(), e};
        return std::nullopt;
    }
    // With wrap around: when nothing lies that way, the whole text from the other end.
    std::optional<std::pair<TextRange, bool>> Wrapping(size_t nSelStart, size_t nSelEnd, bool fDown) const {
        auto first = fDown ? Down(nSelEnd) : Up(nSelStart);
        if (first)
            return std::make_pair(*first, false);
        auto again = fDown ? Down(0) : Up(text.size());
        if (again)
            return std::make_pair(*again, true);
        return std::nullopt;
    }
    // The matches wholly inside [nStart, nEnd), left to right without overlap; the whole-word test
    // still sees the characters beyond the range.
    std::vector<TextRange> All(size_t nStart = 0, size_t nEnd = std::wstring::npos) const {
        nEnd = std::min(nEnd, text.size());
        std::vector<TextRange> all;
        for (size_t s = nStart; s + pattern.size() <= nEnd;) {
            if (At(s)) {
                all.push_back({s, s + pattern.size()});
                s += pattern.size();
            } else {
                ++s;
            }
        }
        return all;
    }
};

} // namespace

TEST(SearchRandom, FindAndReplaceAllAgreeWithANaiveReference) {
    // ƀ (U+0180) and Ƀ (U+0243) are a case pair outside ASCII; 𠮷 is a surrogate pair.
    const std::wstring alphabet[] = {L"a",      L"A",          L"b",      L"B",      L" ",      L"\u0180",
                                     L"\u0243", L"\U00020BB7", L"\xD842", L"\xDFB7", L"\u00E9", L"-"};
    const std::wstring wordSets[] = {L"", L"abAB\u0180\u0243\u00E9", L"ab"};
    std::mt19937 rng(g_testRun.seed);
    int nSteps = g_testRun.steps > 0 ? g_testRun.steps : 3000;
    std::cout << "seed " << g_testRun.seed << ", " << nSteps << " steps\n";
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    // Each step draws its texts from a few symbols of the alphabet, so that repeats and overlapping
    // candidates (the whole-word loop's hard cases) are common.
    std::vector<std::wstring> symbols;
    auto randomText = [&](size_t nMaxPieces) {
        std::wstring s;
        for (size_t k = pick(nMaxPieces + 1); k > 0; --k)
            s += symbols[pick(symbols.size())];
        return s;
    };
    CReplaceAllBuffer out;
    std::deque<MatchRecord> list;
    for (int step = 0; step < nSteps; ++step) {
        symbols.clear();
        for (size_t k = 2 + pick(3); k > 0; --k)
            symbols.push_back(alphabet[pick(std::size(alphabet))]);
        Reference ref;
        ref.text = randomText(24);
        // Half of the patterns are cut from the text, so that matches are common.
        if (!ref.text.empty() && pick(2) == 0) {
            size_t s = pick(ref.text.size()), n = 1 + pick(std::min<size_t>(4, ref.text.size() - s));
            ref.pattern = ref.text.substr(s, n);
            if (pick(2) == 0) // and some of those in the other case
                for (wchar_t& ch : ref.pattern)
                    ch = ch == L'a' ? L'A' : ch == L'B' ? L'b' : ch == L'\u0180' ? L'\u0243' : ch;
        } else {
            ref.pattern = randomText(3);
        }
        ref.fMatchCase = pick(2) == 0;
        ref.fWholeWord = pick(2) == 0;
        ref.wordChars = wordSets[pick(std::size(wordSets))];
        MatchOptions options;
        options.fMatchCase = ref.fMatchCase;
        options.fWholeWord = ref.fWholeWord;
        options.wordChars = ref.wordChars;
        size_t a = pick(ref.text.size() + 1), b = pick(ref.text.size() + 1);
        size_t nSelStart = std::min(a, b), nSelEnd = std::max(a, b);
        SCOPED_TRACE(::testing::Message()
                     << "step " << step << " text size " << ref.text.size() << " pattern size " << ref.pattern.size()
                     << " case " << ref.fMatchCase << " word " << ref.fWholeWord << " set " << ref.wordChars.size()
                     << " sel " << nSelStart << "-" << nSelEnd);

        ASSERT_EQ(MatchText(ref.text, nSelEnd, ref.text.size(), true, ref.pattern, options), ref.Down(nSelEnd));
        ASSERT_EQ(MatchText(ref.text, nSelStart, 0, false, ref.pattern, options), ref.Up(nSelStart));
        size_t nFound = FindForward(ref.text, nSelStart, ref.pattern, options);
        auto down = ref.Down(nSelStart);
        ASSERT_EQ(nFound, down ? down->start : std::wstring_view::npos);

        std::vector<TextRange> all = ref.All();
        std::wstring replacement = randomText(3);
        std::wstring expected;
        size_t nCopied = 0;
        for (const TextRange& r : all) {
            expected += ref.text.substr(nCopied, r.start - nCopied) + replacement;
            nCopied = r.end;
        }
        expected += ref.text.substr(nCopied);
        ASSERT_EQ(BuildReplaceAll(ref.text, ref.pattern, replacement, options, out), all.size());
        ASSERT_EQ(out.Text(), expected);
        out.Clear();

        CollectMatches(ref.text, ref.pattern, options, list);
        ASSERT_EQ(list.size(), all.size());
        // Replayed from the last to the first, as the window side does, the list gives the same text.
        std::wstring replayed = ref.text;
        for (size_t k = all.size(); k-- > 0;) {
            ASSERT_EQ(list[k].start, all[k].start);
            ASSERT_EQ(list[k].end, all[k].end);
            replayed.replace(list[k].start, list[k].end - list[k].start, replacement);
        }
        ASSERT_EQ(replayed, expected);

        // Wrap around, both ways, and whether the match came from the other end.
        for (bool fDown : {true, false}) {
            auto wrapped = FindFromSelection(ref.text, nSelStart, nSelEnd, fDown, true, ref.pattern, options);
            auto want = ref.Wrapping(nSelStart, nSelEnd, fDown);
            ASSERT_EQ(wrapped.has_value(), want.has_value()) << "down " << fDown;
            if (wrapped) {
                ASSERT_EQ(wrapped->range, want->first) << "down " << fDown;
                ASSERT_EQ(wrapped->bWrapped, want->second) << "down " << fDown;
            }
            auto plain = FindFromSelection(ref.text, nSelStart, nSelEnd, fDown, false, ref.pattern, options);
            auto plainWant = fDown ? ref.Down(nSelEnd) : ref.Up(nSelStart);
            ASSERT_EQ(plain.has_value(), plainWant.has_value());
            if (plain) {
                ASSERT_EQ(plain->range, *plainWant);
            }
        }

        // Replace All inside the selection: the selection's new text, and the same matches listed.
        std::vector<TextRange> inside = ref.All(nSelStart, nSelEnd);
        std::wstring expectedInside;
        nCopied = nSelStart;
        for (const TextRange& r : inside) {
            expectedInside += ref.text.substr(nCopied, r.start - nCopied) + replacement;
            nCopied = r.end;
        }
        expectedInside += ref.text.substr(nCopied, nSelEnd - nCopied);
        ASSERT_EQ(BuildReplaceAll(ref.text, ref.pattern, replacement, options, out, nSelStart, nSelEnd), inside.size());
        ASSERT_EQ(out.Text(), expectedInside);
        out.Clear();
        CollectMatches(ref.text, ref.pattern, options, list, nSelStart, nSelEnd);
        ASSERT_EQ(list.size(), inside.size());
        for (size_t k = 0; k < inside.size(); ++k)
            ASSERT_EQ((TextRange{list[k].start, list[k].end}), inside[k]);
    }
}

// The boxes' history: most recent first, an entry used again moves up instead of coming twice
// (case counts), empty entries are not kept, and the oldest beyond twenty drop off.
TEST(SearchHistory, MostRecentFirstWithoutRepeatsAndAtMostTwenty) {
    std::vector<std::wstring> list;
    AddToHistory(list, L"a");
    AddToHistory(list, L"b");
    AddToHistory(list, L"");
    AddToHistory(list, L"A");
    AddToHistory(list, L"a");
    EXPECT_EQ(list, (std::vector<std::wstring>{L"a", L"A", L"b"}));
    for (int n = 0; n < 30; ++n)
        AddToHistory(list, std::to_wstring(n));
    ASSERT_EQ(list.size(), SearchHistory::kMaxEntries);
    EXPECT_EQ(list.front(), L"29");
    EXPECT_EQ(list.back(), L"10");
}
