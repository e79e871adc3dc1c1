// Page layout without a printer: clusters, rows with and without word wrap, and pages, against a
// plain reference over random texts of mixed scripts.
#include "framework/PrintLayout.h"
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// Fixed widths: ASCII 10, a tab stop every 40, wide characters 20, combining marks 0.
int TableWidth(const wchar_t* p, int n) {
    int w = 0;
    for (int i = 0; i < n; ++i) {
        const wchar_t ch = p[i];
        if (ch >= 0xDC00 && ch <= 0xDFFF)
            continue;
        if ((ch >= 0x0300 && ch <= 0x036F) || ch == 0x3099 || ch == 0xFE0F || ch == 0x200D)
            continue;
        w += ch < 0x80 || (ch >= 0xFF61 && ch <= 0xFF9F) ? 10 : 20;
    }
    return w;
}

bool IsBreakUnit(wchar_t ch) {
    return ch == L'\r' || ch == L'\n';
}

// The row layout written the slow, obvious way for text without word wrap: clusters one by one
// into the row while they fit, a line break ends the row.
std::vector<PrintRow> ReferenceRows(const std::wstring& text, int nWidth) {
    std::vector<PrintRow> rows;
    const int n = static_cast<int>(text.size());
    int pos = 0;
    while (pos < n) {
        PrintRow row{pos, pos, pos};
        int x = 0;
        for (;;) {
            if (pos >= n) {
                row.nEnd = row.nNext = n;
                break;
            }
            if (IsBreakUnit(text[pos])) {
                row.nEnd = pos;
                row.nNext = pos + ((text[pos] == L'\r' && pos + 1 < n && text[pos + 1] == L'\n') ? 2 : 1);
                break;
            }
            const int end = ClusterEnd(text.c_str(), n, pos);
            const int w = text[pos] == L'\t' ? (x / 40 + 1) * 40 - x : TableWidth(text.c_str() + pos, end - pos);
            if (pos > row.nStart && x + w > nWidth) {
                row.nEnd = row.nNext = pos;
                break;
            }
            x += w;
            pos = end;
        }
        rows.push_back(row);
        pos = row.nNext;
    }
    return rows;
}

std::wstring RandomText(std::mt19937& rng, int nUnits) {
    // Latin words and blanks, line breaks of all kinds, kanji, kana, half-width katakana with a
    // voiced mark, an emoji, a base with a combining mark, a joined emoji sequence, a variation.
    static const std::vector<std::wstring> pieces = {
        L"a", L"b", L"word", L" ", L"  ", L"\t", L"\r\n", L"\r\n\r\n", L"\r", L"\n", L"漢", L"字", L"あ", L"ｱ", L"ﾞ",
        L"。", L"x", L"\U0001F600", L"e\u0301", L"か\u3099", L"\U0001F468\u200D\U0001F469", L"\u2764\uFE0F"};
    std::wstring text;
    while (static_cast<int>(text.size()) < nUnits)
        text += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(rng)];
    return text;
}

std::vector<PrintRow> AllRows(const std::wstring& text, const PrintRowParams& params) {
    std::vector<PrintRow> rows;
    const int n = static_cast<int>(text.size());
    for (int pos = 0; pos < n;) {
        rows.push_back(LayoutRow(text.c_str(), n, pos, params, TableWidth));
        pos = rows.back().nNext;
    }
    return rows;
}

// A row may only start and end where a cluster (and a CR LF) starts.
std::vector<bool> ClusterStarts(const std::wstring& text) {
    const int n = static_cast<int>(text.size());
    std::vector<bool> starts(n + 1, false);
    for (int pos = 0; pos < n; pos = ClusterEnd(text.c_str(), n, pos))
        starts[pos] = true;
    starts[n] = true;
    return starts;
}

} // namespace

TEST(PrintLayout, ClustersKeepPairsMarksJoinersAndCrLfTogether) {
    const std::wstring text = L"e\u0301\U0001F600\U0001F468\u200D\U0001F469x\r\nか\u3099\u2764\uFE0F";
    const int n = static_cast<int>(text.size());
    std::vector<int> ends;
    for (int pos = 0; pos < n; pos = ClusterEnd(text.c_str(), n, pos))
        ends.push_back(ClusterEnd(text.c_str(), n, pos));
    EXPECT_EQ(ends, (std::vector<int>{2, 4, 9, 10, 12, 14, 16}));
    // A lone surrogate is a cluster of its own; a mark after a line break is not joined to it.
    const std::wstring odd = L"\xD800x\r\n\u0301";
    EXPECT_EQ(ClusterEnd(odd.c_str(), 5, 0), 1);
    EXPECT_EQ(ClusterEnd(odd.c_str(), 5, 2), 4);
    EXPECT_EQ(ClusterEnd(odd.c_str(), 5, 4), 5);
}

TEST(PrintLayout, RowsMatchTheReferenceAndLoseNothingWithoutWrap) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 400; ++round) {
        const std::wstring text = RandomText(rng, 1 + round % 120);
        const int nWidth = std::uniform_int_distribution<int>(5, 200)(rng);
        PrintRowParams params{nWidth, 40, false};
        const std::vector<PrintRow> rows = AllRows(text, params);
        const std::vector<PrintRow> expected = ReferenceRows(text, nWidth);
        ASSERT_EQ(rows.size(), expected.size()) << "round " << round;
        std::wstring printed, withoutBreaks;
        for (size_t i = 0; i < rows.size(); ++i) {
            ASSERT_EQ(rows[i].nStart, expected[i].nStart) << "round " << round << " row " << i;
            ASSERT_EQ(rows[i].nEnd, expected[i].nEnd) << "round " << round << " row " << i;
            ASSERT_EQ(rows[i].nNext, expected[i].nNext) << "round " << round << " row " << i;
            printed += text.substr(rows[i].nStart, rows[i].nEnd - rows[i].nStart);
        }
        for (wchar_t ch : text) {
            if (!IsBreakUnit(ch))
                withoutBreaks += ch;
        }
        EXPECT_EQ(printed, withoutBreaks) << "round " << round;
    }
}

TEST(PrintLayout, WrappedRowsBreakAtWordsAndKeepEveryCharacter) {
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        const std::wstring text = RandomText(rng, 1 + round % 150);
        const int nWidth = std::uniform_int_distribution<int>(20, 160)(rng);
        const std::vector<PrintRow> rows = AllRows(text, PrintRowParams{nWidth, 40, true});
        const std::vector<bool> starts = ClusterStarts(text);
        std::wstring printed, withoutBreaks;
        int expectedStart = 0;
        for (const PrintRow& row : rows) {
            ASSERT_EQ(row.nStart, expectedStart) << "round " << round;
            ASSERT_TRUE(starts[row.nEnd]) << "round " << round << ": a row ends inside a cluster at " << row.nEnd;
            ASSERT_LE(row.nEnd, row.nNext);
            ASSERT_LT(row.nStart, row.nNext) << "round " << round << ": a row that does not move on";
            // Past the row's end come only blanks it hangs or one line break.
            for (int i = row.nEnd; i < row.nNext; ++i)
                ASSERT_TRUE(IsBreakUnit(text[i])) << "round " << round;
            // Without blanks hanging at its end, a row fits unless it is one cluster.
            int nVisibleEnd = row.nEnd;
            while (nVisibleEnd > row.nStart && (text[nVisibleEnd - 1] == L' ' || text[nVisibleEnd - 1] == L'\t'))
                --nVisibleEnd;
            const std::wstring visible = text.substr(row.nStart, nVisibleEnd - row.nStart);
            if (visible.find(L'\t') == std::wstring::npos &&
                ClusterEnd(text.c_str(), static_cast<int>(text.size()), row.nStart) < nVisibleEnd) {
                EXPECT_LE(TableWidth(visible.c_str(), static_cast<int>(visible.size())), nWidth) << "round " << round;
            }
            // A row cut inside a word of Latin letters only where the word alone is too wide.
            if (row.nEnd == row.nNext && row.nEnd < static_cast<int>(text.size()) && row.nEnd > row.nStart) {
                const wchar_t before = text[row.nEnd - 1], after = text[row.nEnd];
                if (iswalpha(before) && before < 0x80 && iswalpha(after) && after < 0x80) {
                    const std::wstring rowText = text.substr(row.nStart, row.nEnd - row.nStart);
                    EXPECT_EQ(rowText.find_first_of(L" \t"), std::wstring::npos)
                        << "round " << round << ": broke inside a word though the row has a blank";
                }
            }
            printed += text.substr(row.nStart, row.nEnd - row.nStart);
            expectedStart = row.nNext;
        }
        for (wchar_t ch : text) {
            if (!IsBreakUnit(ch))
                withoutBreaks += ch;
        }
        EXPECT_EQ(printed, withoutBreaks) << "round " << round;
    }
}

TEST(PrintLayout, WordWrapMovesTheWholeWordAndHangsBlanks) {
    const std::wstring text = L"alpha beta gamma";
    auto rows = AllRows(text, PrintRowParams{120, 40, true});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(text.substr(rows[0].nStart, rows[0].nEnd - rows[0].nStart), L"alpha beta ");
    EXPECT_EQ(text.substr(rows[1].nStart), L"gamma");
    rows = AllRows(text, PrintRowParams{120, 40, false});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(text.substr(rows[0].nStart, rows[0].nEnd - rows[0].nStart), L"alpha beta g");
    // Japanese breaks between characters, but not before a closing mark.
    const std::wstring ja = L"あいう。えお";
    rows = AllRows(ja, PrintRowParams{60, 40, true});
    EXPECT_EQ(ja.substr(rows[0].nStart, rows[0].nEnd - rows[0].nStart), L"あい");
}

TEST(PrintLayout, PagesHoldWholeRowsAndNeverSplitALineBreak) {
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        const std::wstring text = RandomText(rng, round * 7);
        const int nRows = std::uniform_int_distribution<int>(1, 6)(rng);
        const PrintRowParams params{std::uniform_int_distribution<int>(10, 100)(rng), 40, round % 2 == 0};
        const std::vector<int> pages = PaginateText(text.c_str(), static_cast<int>(text.size()), nRows, params,
                                                    TableWidth);
        const std::vector<PrintRow> rows = AllRows(text, params);
        // The page starts are every nRows-th row start of the plain row sequence.
        std::vector<int> expected{0};
        for (size_t i = nRows; i < rows.size(); i += nRows)
            expected.push_back(rows[i].nStart);
        ASSERT_EQ(pages, expected) << "round " << round;
        for (int start : pages) {
            if (start > 0) {
                ASSERT_FALSE(text[start - 1] == L'\r' && text[start] == L'\n') << "round " << round;
            }
        }
    }
    // An empty text is one page; a text ending in a line break has no blank page after it.
    EXPECT_EQ(PaginateText(L"", 0, 3, PrintRowParams{100, 40, false}, TableWidth), std::vector<int>{0});
    EXPECT_EQ(PaginateText(L"a\r\nb\r\nc\r\n", 9, 3, PrintRowParams{100, 40, false}, TableWidth),
              std::vector<int>{0});
    EXPECT_EQ(PaginateText(L"a\r\nb\r\nc\r\nd", 10, 3, PrintRowParams{100, 40, false}, TableWidth),
              (std::vector<int>{0, 9}));
    // No row fits: each page still prints one.
    EXPECT_EQ(PaginateText(L"a\r\nb", 4, 0, PrintRowParams{100, 40, false}, TableWidth), (std::vector<int>{0, 3}));
}
