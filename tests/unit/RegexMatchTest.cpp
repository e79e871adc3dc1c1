// The regular-expression matcher: against Python's re on random cases (tests/tools/
// regex_reference.py writes them with its answers), and the rules Python cannot check: CR LF line
// ends, surrogate pairs and lone halves, case folding beside the plain search, the replacement
// template, a pattern that does not compile and one that backtracks without end.
#include "TestFiles.h"
#include "TestMain.h"
#include "UnixShell.h"
#include "framework/Utf16.h"
#include "search/FindInFiles.h"
#include "search/RegexMatch.h"
#include "search/TextMatch.h"
#include <gtest/gtest.h>
#include <chrono>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A text in Python's form (code points, "\n" for a line break) as the editor holds it, with the
// editor's offset of every Python offset.
struct MappedText {
    std::wstring text;
    std::vector<size_t> offset; // offset[i]: the editor's offset of Python's offset i
};

MappedText MapText(const std::vector<char32_t>& points) {
    MappedText mapped;
    for (char32_t cp : points) {
        mapped.offset.push_back(mapped.text.size());
        if (cp == U'\n')
            mapped.text += L"\r\n";
        else if (cp > 0xFFFF)
            mapped.text += {HighSurrogateOf(cp), LowSurrogateOf(cp)};
        else
            mapped.text += static_cast<wchar_t>(cp);
    }
    mapped.offset.push_back(mapped.text.size());
    return mapped;
}

std::vector<char32_t> ReadPoints(std::istringstream& in) {
    std::vector<char32_t> points;
    std::string hex;
    while (in >> hex)
        points.push_back(static_cast<char32_t>(std::stoul(hex, nullptr, 16)));
    return points;
}

std::wstring Utf16(const std::vector<char32_t>& points) {
    std::wstring s;
    for (char32_t cp : points) {
        if (cp > 0xFFFF)
            s += {HighSurrogateOf(cp), LowSurrogateOf(cp)};
        else
            s += static_cast<wchar_t>(cp);
    }
    return s;
}

std::wstring Windows(std::wstring s) {
    for (size_t i = 0; (i = s.find(L'\n', i)) != std::wstring::npos; i += 2)
        s.insert(i, 1, L'\r');
    return s;
}

std::wstring Hex(std::wstring_view s) {
    std::wostringstream out;
    for (wchar_t c : s)
        out << std::hex << static_cast<unsigned>(c) << L' ';
    return out.str();
}

} // namespace

TEST(RegexRandom, AgreesWithPythonsRe) {
    if (!IsWine())
        GTEST_SKIP() << "the reference runs python3 on the Unix side of Wine";
    const int nCases = g_testRun.steps > 0 ? g_testRun.steps : 1500;
    std::cout << "seed " << g_testRun.seed << ", " << nCases << " cases\n";
    CTempDir dir;
    const std::wstring strCases = dir.File(L"cases.txt");
    const std::string script = std::string(TESSARIN_TEST_DATA) + "/../tools/regex_reference.py";
    auto result = RunUnixShell("python3 " + ShellQuote(script) + " " + std::to_string(g_testRun.seed) + " " +
                               std::to_string(nCases) + " " + ShellQuote(UnixPathOf(strCases)));
    ASSERT_TRUE(result.has_value());
    ASSERT_EQ(result->status, 0) << result->output;

    const std::vector<unsigned char> bytes = ReadAllBytes(strCases);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    const std::wstring wordChars = L"abAB\u00E9\u00C9\u0436\u0416";
    std::string line;
    int nCase = 0, nChecks = 0;
    bool bIgnoreCase = false, bWholeWord = false;
    std::wstring pattern, replacement;
    MappedText text;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string tag;
        fields >> tag;
        if (tag == "C") {
            fields >> bIgnoreCase >> bWholeWord;
            ++nCase;
            continue;
        }
        if (tag == "P") {
            pattern = Utf16(ReadPoints(fields));
            continue;
        }
        if (tag == "T") {
            text = MapText(ReadPoints(fields));
            continue;
        }
        if (tag == "R") {
            replacement = Utf16(ReadPoints(fields));
            continue;
        }
        if (tag == "E")
            continue;
        SCOPED_TRACE(::testing::Message() << "case " << nCase << " pattern " << Hex(pattern) << " text "
                                          << Hex(text.text) << " ignore case " << bIgnoreCase << " whole word "
                                          << bWholeWord << " line " << line);
        CRegex regex(pattern, !bIgnoreCase);
        ASSERT_TRUE(regex.IsValid()) << regex.ErrorMessage();
        MatchOptions options;
        options.fMatchCase = !bIgnoreCase;
        options.fWholeWord = bWholeWord;
        options.wordChars = wordChars;
        CRegexReplacement parsed;
        std::wstring strBad;
        ASSERT_TRUE(parsed.Parse(replacement, regex, strBad)) << Hex(strBad);
        ++nChecks;
        if (tag == "S") {
            CReplaceAllBuffer out;
            size_t nCount = 0;
            ASSERT_EQ(BuildRegexReplaceAll(regex, parsed, text.text, options, out, nCount), RegexStatus::Found);
            ASSERT_EQ(Hex(out.Text()), Hex(Windows(Utf16(ReadPoints(fields)))));
        } else if (tag == "M") {
            std::deque<MatchRecord> matches;
            ASSERT_EQ(CollectRegexMatches(regex, parsed, text.text, options, matches), RegexStatus::Found);
            std::vector<TextRange> expected;
            for (size_t s, e; fields >> s >> e;)
                expected.push_back(TextRange{text.offset[s], text.offset[e]});
            ASSERT_EQ(matches.size(), expected.size());
            for (size_t k = 0; k < expected.size(); ++k) {
                ASSERT_EQ(matches[k].start, expected[k].start) << "match " << k;
                ASSERT_EQ(matches[k].end, expected[k].end) << "match " << k;
            }
        } else if (tag == "D" || tag == "U") {
            size_t pos = 0;
            int skip = 0;
            long long s = 0, e = 0;
            fields >> pos >> skip >> s >> e;
            const bool fDown = tag == "D";
            const size_t nFrom = text.offset[pos];
            TextRange match;
            RegexStatus status = RegexFind(regex, text.text, nFrom, fDown ? text.text.size() : 0, fDown, options,
                                           skip != 0, match);
            if (s < 0) {
                ASSERT_EQ(status, RegexStatus::NotFound) << match.start << "-" << match.end;
            } else {
                ASSERT_EQ(status, RegexStatus::Found);
                ASSERT_EQ(match, (TextRange{text.offset[static_cast<size_t>(s)], text.offset[static_cast<size_t>(e)]}));
            }
        }
    }
    std::cout << nCase << " cases, " << nChecks << " checks\n";
    ASSERT_EQ(nCase, nCases);
}

TEST(RegexMatch, LineEndsSurrogatesAndLoneHalves) {
    // $ stops before CR LF, ^ starts after it, and . never takes the CR or the LF.
    const std::wstring text = L"ab\r\ncd\r\n";
    CRegex lineEnd(L"b$|^c|.$", true);
    std::deque<MatchRecord> matches;
    CRegexReplacement keep;
    std::wstring strBad;
    ASSERT_TRUE(keep.Parse(L"<$0>", lineEnd, strBad));
    ASSERT_EQ(CollectRegexMatches(lineEnd, keep, text, MatchOptions{}, matches), RegexStatus::Found);
    ASSERT_EQ(matches.size(), 3u);
    EXPECT_EQ(matches[0].start, 1u);
    EXPECT_EQ(matches[1].start, 4u);
    EXPECT_EQ(matches[2].start, 5u);
    EXPECT_EQ(matches[2].end, 6u);

    // A pair is one character to ., and a match never starts or ends inside it; a lone half in
    // the text is matched by nothing, not even ., and the search goes on past it.
    const std::wstring pairs = L"x\U00020BB7\xD842y\xDFB7z";
    CRegex dot(L".", true);
    CRegexReplacement star;
    ASSERT_TRUE(star.Parse(L"*", dot, strBad));
    CReplaceAllBuffer out;
    size_t nCount = 0;
    ASSERT_EQ(BuildRegexReplaceAll(dot, star, pairs, MatchOptions{}, out, nCount), RegexStatus::Found);
    EXPECT_EQ(nCount, 4u);
    EXPECT_EQ(out.Text(), L"**\xD842*\xDFB7*");
    // Finding down from inside the pair starts after it; up, the pair is whole below the caret.
    TextRange match;
    ASSERT_EQ(RegexFind(dot, pairs, 2, pairs.size(), true, MatchOptions{}, false, match), RegexStatus::Found);
    EXPECT_EQ(match, (TextRange{4, 5}));
    ASSERT_EQ(RegexFind(dot, pairs, 2, 0, false, MatchOptions{}, false, match), RegexStatus::Found);
    EXPECT_EQ(match, (TextRange{0, 1}));
    ASSERT_EQ(RegexFind(dot, pairs, 4, 0, false, MatchOptions{}, false, match), RegexStatus::Found);
    EXPECT_EQ(match, (TextRange{1, 3}));
    // Upwards over more than one window of start positions.
    std::wstring longText = L"needle" + std::wstring(20000, L'-');
    CRegex needle(L"ne+dle", true);
    ASSERT_EQ(RegexFind(needle, longText, longText.size(), 0, false, MatchOptions{}, false, match), RegexStatus::Found);
    EXPECT_EQ(match, (TextRange{0, 6}));
}

TEST(RegexMatch, CaseFoldingAgreesWithThePlainSearch) {
    // Every pair the plain search folds alike (its CharLowerW table, the whole BMP) is matched by
    // a caseless pattern too: what the plain search finds, the regular expression finds.
    int nChecked = 0;
    for (unsigned c = 1; c < 0x10000; ++c) {
        const auto ch = static_cast<wchar_t>(c);
        const wchar_t folded = FoldCase(ch);
        if (IsSurrogate(c) || folded == ch)
            continue;
        wchar_t pattern[16];
        swprintf(pattern, 16, L"\\x{%X}", static_cast<unsigned>(folded));
        CRegex regex(pattern, false);
        ASSERT_TRUE(regex.IsValid());
        TextRange match;
        const std::wstring text(1, ch);
        EXPECT_EQ(RegexFind(regex, text, 0, 1, true, MatchOptions{}, false, match), RegexStatus::Found) << std::hex << c;
        ++nChecked;
    }
    EXPECT_GT(nChecked, 1000);
    // Beyond it, Unicode's folding joins a few characters the table keeps apart: the long s, the
    // Kelvin sign, the micro sign, the capital sharp s and the final sigma match their letters.
    for (auto [a, b] : {std::pair<wchar_t, wchar_t>{L's', 0x17F}, {L'k', 0x212A}, {0x3BC, 0xB5}, {0xDF, 0x1E9E},
                        {0x3C3, 0x3C2}}) {
        wchar_t pattern[16];
        swprintf(pattern, 16, L"\\x{%X}", static_cast<unsigned>(a));
        CRegex regex(pattern, false);
        TextRange match;
        EXPECT_EQ(RegexFind(regex, std::wstring(1, b), 0, 1, true, MatchOptions{}, false, match), RegexStatus::Found)
            << std::hex << unsigned(b);
    }
}

TEST(RegexMatch, ReplacementTemplate) {
    CRegex regex(L"(?<first>\\w+) (\\w+)", true);
    ASSERT_TRUE(regex.IsValid());
    const std::wstring text = L"hello world";
    auto expand = [&](std::wstring_view templ) {
        CRegexReplacement replacement;
        std::wstring strBad;
        EXPECT_TRUE(replacement.Parse(templ, regex, strBad)) << Hex(strBad);
        CReplaceAllBuffer out;
        size_t nCount = 0;
        EXPECT_EQ(BuildRegexReplaceAll(regex, replacement, text, MatchOptions{}, out, nCount), RegexStatus::Found);
        return out.Text();
    };
    EXPECT_EQ(expand(L"$2 $1"), L"world hello");
    EXPECT_EQ(expand(L"${first}-${2}$0"), L"hello-worldhello world");
    EXPECT_EQ(expand(L"$$1 \\n\\t\\\\ \\x $"), L"$1 \r\n\t\\ \\x $");
    EXPECT_EQ(expand(L"${}{x}$a"), L"${}{x}$a");
    // A group the pattern lacks is refused and named as written.
    for (std::wstring_view bad : {L"$3", L"${3}", L"${second}", L"a$10"}) {
        CRegexReplacement replacement;
        std::wstring strBad;
        EXPECT_FALSE(replacement.Parse(bad, regex, strBad)) << Hex(bad);
        EXPECT_NE(std::wstring(bad).find(strBad), std::wstring::npos);
    }
}

TEST(RegexMatch, BadPatternAndRunawayBacktracking) {
    // Where the pattern goes wrong, in characters (the pair before counts as one), and why.
    CRegex bad(L"\U00020BB7(ab", true);
    ASSERT_FALSE(bad.IsValid());
    EXPECT_FALSE(bad.ErrorMessage().empty());
    const std::wstring strText = RegexErrorText(bad, L"\U00020BB7(ab");
    EXPECT_NE(strText.find(L"5"), std::wstring::npos) << Hex(strText);
    EXPECT_NE(strText.find(bad.ErrorMessage()), std::wstring::npos);

    // Exponential backtracking stops at the match limit, well within a second.
    CRegex runaway(L"(a+)+$", true);
    ASSERT_TRUE(runaway.IsValid());
    const std::wstring text = std::wstring(4000, L'a') + L"!";
    TextRange match;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RegexFind(runaway, text, 0, text.size(), true, MatchOptions{}, false, match), RegexStatus::TooComplex);
    CReplaceAllBuffer out;
    size_t nCount = 0;
    CRegexReplacement empty;
    std::wstring strBad;
    ASSERT_TRUE(empty.Parse(L"", runaway, strBad));
    EXPECT_EQ(BuildRegexReplaceAll(runaway, empty, text, MatchOptions{}, out, nCount), RegexStatus::TooComplex);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    std::cout << "JIT: " << (runaway.IsJitCompiled() ? "yes" : "no") << "\n";
}

namespace {
class CLines : public IFindInFilesOutput {
public:
    void Append(std::wstring_view text) override { m_text.append(text); }
    void Poll() override {}
    bool IsRunning() override { return true; }
    std::wstring m_text;
};
} // namespace

TEST(RegexMatch, FindInFilesMatchesEachLineOnItsOwn) {
    FindInFilesQuery query;
    query.strFind = L"^(\\d+)$|かな$";
    query.fRegex = true;
    query.fMatchCase = false;
    CLines out;
    CFindInFiles run(query, out);
    // ^ and $ are each line's ends; the last line has no CR LF.
    run.SearchText(L"C:\\a.txt", L"12\r\nx12\r\nひらがなカナかな\r\n\r\n345");
    EXPECT_EQ(out.m_text, L"C:\\a.txt(1):12\r\nC:\\a.txt(3):ひらがなカナかな\r\nC:\\a.txt(5):345\r\n");
    EXPECT_EQ(run.HitCount(), 3);

    // A line that sends the pattern past the match limit ends that file's search with a line
    // saying so (never read as a hit), and the next file is searched again.
    query.strFind = L"(a+)+$";
    CLines limited;
    CFindInFiles runaway(query, limited);
    runaway.SearchText(L"C:\\b.txt", L"aaaa\r\n" + std::wstring(5000, L'a') + L"!\r\naaa");
    runaway.SearchText(L"C:\\c.txt", L"aa");
    EXPECT_EQ(limited.m_text, L"C:\\b.txt(1):aaaa\r\n" + FindInFilesTooComplexLine(L"C:\\b.txt") + L"C:\\c.txt(1):aa\r\n");
    EXPECT_TRUE(IsRunStatusLine(FindInFilesTooComplexLine(L"C:\\b(1):.txt").substr(0, FindInFilesTooComplexLine(L"C:\\b(1):.txt").size() - 2)));

    // A pattern that does not compile finds nothing (the command says why before it runs).
    query.strFind = L"(";
    CLines none;
    CFindInFiles bad(query, none);
    bad.SearchText(L"C:\\d.txt", L"((\r\n(");
    EXPECT_EQ(none.m_text, L"");
}

// Replace All inside a selection: the pattern sees the text around the range (a line start, a
// lookbehind), and only the matches wholly inside it are replaced; the output is the range's text.
TEST(RegexMatch, ReplaceAllInsideARangeSeesItsSurroundings) {
    const std::wstring text = L"ab\r\nab abc ab";
    auto inside = [&](std::wstring_view pattern, std::wstring_view templ, size_t nStart, size_t nEnd) {
        CRegex regex(pattern, true);
        EXPECT_TRUE(regex.IsValid());
        CRegexReplacement replacement;
        std::wstring strBad;
        EXPECT_TRUE(replacement.Parse(templ, regex, strBad));
        CReplaceAllBuffer out;
        size_t nCount = 0;
        EXPECT_EQ(BuildRegexReplaceAll(regex, replacement, text, MatchOptions{}, out, nCount, nStart, nEnd),
                  RegexStatus::Found);
        std::deque<MatchRecord> matches;
        EXPECT_EQ(CollectRegexMatches(regex, replacement, text, MatchOptions{}, matches, nStart, nEnd),
                  RegexStatus::Found);
        EXPECT_EQ(matches.size(), nCount);
        // The listed matches, put in from the last, give the same text as the one-step output.
        std::wstring replaced(text.substr(nStart, nEnd - nStart));
        for (auto it = matches.rbegin(); it != matches.rend(); ++it)
            replaced.replace(it->start - nStart, it->end - it->start, it->text);
        EXPECT_EQ(replaced, out.Text());
        return out.Text();
    };
    // "^ab" at offset 0 starts a line but begins before the range; the one after CR LF is inside.
    EXPECT_EQ(inside(L"^ab", L"X", 1, text.size()), L"b\r\nX abc ab");
    // Offset 1's "b" follows an "a" outside the range: the lookbehind sees it.
    EXPECT_EQ(inside(L"(?<=a)b", L"B", 1, 5), L"B\r\na");
    // "abc" straddles the range's end at 9: not replaced; a match ending exactly there is.
    EXPECT_EQ(inside(L"ab\\w?", L"[$0]", 4, 9), L"[ab] ab");
    EXPECT_EQ(inside(L"ab", L"[$0]", 4, 9), L"[ab] [ab]");
}
