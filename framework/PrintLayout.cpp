// The edit view's page layout: clusters, rows and pages computed from character widths alone.
#include "framework/PrintLayout.h"
#include <algorithm>
#include <cwchar>

namespace {

bool IsHighSurrogate(wchar_t ch) {
    return ch >= 0xD800 && ch <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t ch) {
    return ch >= 0xDC00 && ch <= 0xDFFF;
}

// The code point at nPos and its length in units; a lone surrogate is one unit of its own.
char32_t CodePointAt(const wchar_t* pText, int nLength, int nPos, int& nUnits) {
    const wchar_t ch = pText[nPos];
    if (IsHighSurrogate(ch) && nPos + 1 < nLength && IsLowSurrogate(pText[nPos + 1])) {
        nUnits = 2;
        return 0x10000 + ((static_cast<char32_t>(ch) - 0xD800) << 10) + (pText[nPos + 1] - 0xDC00);
    }
    nUnits = 1;
    return ch;
}

bool IsLineBreak(wchar_t ch) {
    return ch == L'\r' || ch == L'\n';
}

bool IsBlank(char32_t ch) {
    return ch == L' ' || ch == L'\t' || ch == 0x3000;
}

// Japanese text has no blanks between words: a row may end between any two of these.
bool IsWideScript(char32_t ch) {
    return (ch >= 0x2E80 && ch <= 0x9FFF) || (ch >= 0xAC00 && ch <= 0xD7AF) || (ch >= 0xF900 && ch <= 0xFAFF) ||
           (ch >= 0xFF00 && ch <= 0xFFEF) || (ch >= 0x1F000 && ch <= 0x1FAFF) || (ch >= 0x20000 && ch <= 0x3FFFF);
}

// Closing marks and small kana that a row never starts with.
bool IsNoBreakBefore(char32_t ch) {
    static const wchar_t kClosing[] = L"、。，．）」』】〕〉》！？ー・ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ々｡｣､ﾞﾟ)]},.!?";
    return ch < 0x10000 && std::wcschr(kClosing, static_cast<wchar_t>(ch)) != nullptr && ch != 0;
}

} // namespace

bool IsClusterExtender(char32_t ch) {
    return (ch >= 0x0300 && ch <= 0x036F) || (ch >= 0x0483 && ch <= 0x0489) || (ch >= 0x0591 && ch <= 0x05C7) ||
           (ch >= 0x064B && ch <= 0x065F) || (ch >= 0x1AB0 && ch <= 0x1AFF) || (ch >= 0x1DC0 && ch <= 0x1DFF) ||
           ch == 0x200D || (ch >= 0x20D0 && ch <= 0x20FF) || (ch >= 0x3099 && ch <= 0x309A) ||
           (ch >= 0xFE00 && ch <= 0xFE0F) || (ch >= 0xFE20 && ch <= 0xFE2F) || (ch >= 0x1F3FB && ch <= 0x1F3FF) ||
           (ch >= 0xE0020 && ch <= 0xE007F) || (ch >= 0xE0100 && ch <= 0xE01EF);
}

int ClusterEnd(const wchar_t* pText, int nLength, int nPos) {
    if (nPos >= nLength)
        return nLength;
    if (pText[nPos] == L'\r' && nPos + 1 < nLength && pText[nPos + 1] == L'\n')
        return nPos + 2;
    int nUnits = 1;
    char32_t ch = CodePointAt(pText, nLength, nPos, nUnits);
    int nEnd = nPos + nUnits;
    if (IsLineBreak(pText[nPos]))
        return nEnd;
    bool bJoin = false;
    while (nEnd < nLength && !IsLineBreak(pText[nEnd])) {
        ch = CodePointAt(pText, nLength, nEnd, nUnits);
        if (!bJoin && !IsClusterExtender(ch))
            break;
        bJoin = ch == 0x200D; // a joiner takes the next character into the cluster too
        nEnd += nUnits;
    }
    return nEnd;
}

PrintRow LayoutRow(const wchar_t* pText, int nLength, int nStart, const PrintRowParams& params,
                   const ClusterWidthFn& width) {
    const int nTab = params.nTabWidth > 0 ? params.nTabWidth : (std::max)(1, width(L" ", 1));
    int x = 0;
    int nBreak = -1;       // latest place in the row where a wrapped row may end
    char32_t chPrev = 0;
    for (int nPos = nStart; nPos < nLength;) {
        const wchar_t unit = pText[nPos];
        const int nEnd = ClusterEnd(pText, nLength, nPos);
        if (IsLineBreak(unit))
            return {nStart, nPos, nEnd};
        int nUnits = 1;
        const char32_t ch = CodePointAt(pText, nLength, nPos, nUnits);
        if (nPos > nStart && params.bWrap && !IsBlank(ch) &&
            (IsBlank(chPrev) || ((IsWideScript(chPrev) || IsWideScript(ch)) && !IsNoBreakBefore(ch))))
            nBreak = nPos;
        const int w = unit == L'\t' ? (x / nTab + 1) * nTab - x : width(pText + nPos, nEnd - nPos);
        if (x + w > params.nWidth && nPos > nStart) {
            if (!params.bWrap)
                return {nStart, nPos, nPos};
            if (IsBlank(ch)) {
                // Blanks at the edge hang past it; a line break right after them ends this row too.
                int nAfter = nPos;
                while (nAfter < nLength && IsBlank(pText[nAfter]))
                    ++nAfter;
                int nNext = nAfter;
                if (nAfter < nLength && IsLineBreak(pText[nAfter]))
                    nNext = ClusterEnd(pText, nLength, nAfter);
                return {nStart, nAfter, nNext};
            }
            const int nCut = nBreak > nStart ? nBreak : nPos;
            return {nStart, nCut, nCut};
        }
        x += w;
        chPrev = ch;
        nPos = nEnd;
    }
    return {nStart, nLength, nLength};
}

int LayoutPage(const wchar_t* pText, int nLength, int nStart, int nMaxRows, const PrintRowParams& params,
               const ClusterWidthFn& width, std::vector<PrintRow>* pRows) {
    int nPos = nStart;
    for (int nRow = 0; nPos < nLength && (nRow < nMaxRows || nRow == 0); ++nRow) {
        PrintRow row = LayoutRow(pText, nLength, nPos, params, width);
        if (pRows)
            pRows->push_back(row);
        nPos = row.nNext;
    }
    return nPos;
}

std::vector<int> PaginateText(const wchar_t* pText, int nLength, int nMaxRows, const PrintRowParams& params,
                              const ClusterWidthFn& width) {
    std::vector<int> starts{0};
    int nPos = 0;
    while ((nPos = LayoutPage(pText, nLength, nPos, nMaxRows, params, width)) < nLength)
        starts.push_back(nPos);
    return starts;
}
