// Header and footer codes and the margins in printer pixels.
#include "view/PrintPattern.h"
#include <gtest/gtest.h>

namespace {
ExpandedPrintLine Expand(const wchar_t* pattern, int nPage = 3) {
    PrintPatternValues values;
    values.nPage = nPage;
    values.strTitle = L"メモ.txt";
    values.date = [] { return std::wstring(L"2026年12月8日"); };
    values.time = [] { return std::wstring(L"21:05:09"); };
    return ExpandPrintPattern(pattern, values);
}
} // namespace

TEST(PrintPattern, EveryCodeExpands) {
    EXPECT_EQ(Expand(L"ページ(&P)").strText, L"ページ(3)");
    EXPECT_EQ(Expand(L"&p+10").strText, L"13");
    EXPECT_EQ(Expand(L"&P+").strText, L"3");
    EXPECT_EQ(Expand(L"&p+x").strText, L"3x");
    EXPECT_EQ(Expand(L"&f").strText, L"メモ.txt");
    EXPECT_EQ(Expand(L"&F &d &T").strText, L"メモ.txt 2026年12月8日 21:05:09");
    EXPECT_EQ(Expand(L"a&&b").strText, L"a&b");
    EXPECT_EQ(Expand(L"a&xb&").strText, L"ab");
    EXPECT_EQ(Expand(L"&p+99999999999999999999").strText, L"1000000003");
    EXPECT_EQ(Expand(L"").strText, L"");
}

TEST(PrintPattern, LastAlignmentWinsAndPrintsNothing) {
    EXPECT_EQ(Expand(L"x").align, PrintAlign::Centre);
    EXPECT_EQ(Expand(L"&l&r").align, PrintAlign::Right);
    EXPECT_EQ(Expand(L"&R&C&L").align, PrintAlign::Left);
    const ExpandedPrintLine only = Expand(L"&l&c&r");
    EXPECT_EQ(only.strText, L"");
    EXPECT_EQ(only.align, PrintAlign::Right);
}

TEST(PrintPattern, MarginsBecomeInsetsInsideTheUnprintableArea) {
    // 20 mm and 25 mm at 300 dpi: 236.2 and 295.3 pixels.
    RECT rc = MarginsToPrinterInset(RECT{2000, 2500, 2000, 2500}, true, 300, 300, 0, 0);
    EXPECT_EQ(rc.left, 236);
    EXPECT_EQ(rc.top, 295);
    // Half a pixel rounds up; an offset larger than the margin leaves 0.
    rc = MarginsToPrinterInset(RECT{500, 1000, 100, 0}, false, 3, 600, 5, 50);
    EXPECT_EQ(rc.left, 0);    // 1.5 -> 2, less 5
    EXPECT_EQ(rc.top, 550);   // 600 - 50
    EXPECT_EQ(rc.right, 0);   // 0.3 -> 0
    EXPECT_EQ(rc.bottom, 0);
    rc = MarginsToPrinterInset(RECT{500, 0, 0, 0}, false, 3, 600, 0, 0);
    EXPECT_EQ(rc.left, 2);
    rc = MarginsToPrinterInset(RECT{-1000, 0, 0, 0}, true, 300, 300, 0, 0);
    EXPECT_EQ(rc.left, 0);
}

TEST(PrintPattern, CentreIsOnThePrintableWidth) {
    EXPECT_EQ(PrintLineX(PrintAlign::Centre, 200, 2000, 2479, 101), 1239 - 50);
    EXPECT_EQ(PrintLineX(PrintAlign::Left, 200, 2000, 2479, 101), 200);
    EXPECT_EQ(PrintLineX(PrintAlign::Right, 200, 2000, 2479, 101), 1899);
}
