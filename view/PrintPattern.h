#pragma once
// The header and footer lines and the page margins of printing as plain functions: the expansion
// of a line's codes (&&, &c, &d, &f, &l, &p with +N, &r, &t) and the margins in printer pixels.
#include <windows.h>
#include <functional>
#include <string>
#include <string_view>

enum class PrintAlign { Left, Centre, Right };

struct ExpandedPrintLine {
    std::wstring strText;
    PrintAlign align = PrintAlign::Centre;
};

// What the codes stand for on the page being printed; date and time are asked for only when the
// pattern names them.
struct PrintPatternValues {
    int nPage = 1;
    std::wstring strTitle;
    std::function<std::wstring()> date;
    std::function<std::wstring()> time;
};

// Expands a header or footer pattern. The letter after "&" counts in either case; the last
// alignment code wins; "&" before any other character drops both, and a final "&" is dropped.
// "&p+N" adds N to the page number ("&p+" adds nothing).
ExpandedPrintLine ExpandPrintPattern(std::wstring_view strPattern, const PrintPatternValues& values);

// The long date and the time of the user's default locale, as the codes &d and &t print them.
std::wstring PrintDateNow();
std::wstring PrintTimeNow();

// The margins (left, top, right, bottom, in hundredths of a millimetre when bMetric, else
// thousandths of an inch) as printer pixels inside the printable area: each converted with the
// printer's pixels per inch, rounded half up, then reduced by the unprintable offset on its side,
// never below 0.
RECT MarginsToPrinterInset(const RECT& rcMargins, bool bMetric, int nPixelsX, int nPixelsY, int nOffsetX,
                           int nOffsetY);

// Left edge of a header or footer line of width cx: at the rectangle's left or right edge, or
// centred on the printable width nPrintable (not between the margins).
int PrintLineX(PrintAlign align, int nLeft, int nRight, int nPrintable, int cx);
