// Header and footer codes, the date and time they print, and the margins in printer pixels.
#include "view/PrintPattern.h"
#include <algorithm>
#include <cmath>
#include <cwctype>

ExpandedPrintLine ExpandPrintPattern(std::wstring_view strPattern, const PrintPatternValues& values) {
    ExpandedPrintLine line;
    for (size_t i = 0; i < strPattern.size(); ++i) {
        if (strPattern[i] != L'&') {
            line.strText += strPattern[i];
            continue;
        }
        if (++i >= strPattern.size())
            break; // a final "&" is dropped
        switch (std::towlower(strPattern[i])) {
        case L'&': line.strText += L'&'; break;
        case L'c': line.align = PrintAlign::Centre; break;
        case L'l': line.align = PrintAlign::Left; break;
        case L'r': line.align = PrintAlign::Right; break;
        case L'f': line.strText += values.strTitle; break;
        case L'd':
            if (values.date)
                line.strText += values.date();
            break;
        case L't':
            if (values.time)
                line.strText += values.time();
            break;
        case L'p': {
            long long nPage = values.nPage;
            if (i + 1 < strPattern.size() && strPattern[i + 1] == L'+') {
                ++i;
                long long nAdd = 0;
                while (i + 1 < strPattern.size() && strPattern[i + 1] >= L'0' && strPattern[i + 1] <= L'9') {
                    // Digits beyond what a page number can hold stop counting rather than overflow.
                    nAdd = (std::min)(nAdd * 10 + (strPattern[i + 1] - L'0'), 1000000000LL);
                    ++i;
                }
                nPage += nAdd;
            }
            line.strText += std::to_wstring(nPage);
            break;
        }
        default: break; // "&" and an unknown letter are both dropped
        }
    }
    return line;
}

namespace {
std::wstring CallNls(const std::function<int(wchar_t*, int)>& call) {
    int n = call(nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring text(static_cast<size_t>(n), L'\0');
    n = call(text.data(), n);
    text.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return text;
}
} // namespace

std::wstring PrintDateNow() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return CallNls([&](wchar_t* p, int n) {
        return ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, p, n);
    });
}

std::wstring PrintTimeNow() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return CallNls([&](wchar_t* p, int n) { return ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, p, n); });
}

RECT MarginsToPrinterInset(const RECT& rcMargins, bool bMetric, int nPixelsX, int nPixelsY, int nOffsetX,
                           int nOffsetY) {
    const double dUnits = bMetric ? 2540.0 : 1000.0;
    auto inset = [&](LONG nMargin, int nPixels, int nOffset) {
        const double dPixels = std::floor(static_cast<double>(nMargin) * nPixels / dUnits + 0.5);
        const double dInset = dPixels - nOffset;
        return dInset > 0 ? static_cast<LONG>((std::min)(dInset, 1e9)) : 0L;
    };
    return RECT{inset(rcMargins.left, nPixelsX, nOffsetX), inset(rcMargins.top, nPixelsY, nOffsetY),
                inset(rcMargins.right, nPixelsX, nOffsetX), inset(rcMargins.bottom, nPixelsY, nOffsetY)};
}

int PrintLineX(PrintAlign align, int nLeft, int nRight, int nPrintable, int cx) {
    switch (align) {
    case PrintAlign::Left: return nLeft;
    case PrintAlign::Right: return nRight - cx;
    default: return nPrintable / 2 - cx / 2;
    }
}
