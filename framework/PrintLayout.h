#pragma once
// The edit view's page layout as plain arithmetic over a text and character widths: where each
// printed row starts and ends, and where each page starts. No device is needed; the print code
// hands in the widths its printer font measures, the tests a table of their own.
#include <functional>
#include <vector>

// Width of one cluster (a character with its surrogate partner and combining marks) in device
// units; the text passed is the cluster alone.
using ClusterWidthFn = std::function<int(const wchar_t* pCluster, int nUnits)>;

struct PrintRowParams {
    int nWidth = 0;      // width of the drawing rectangle
    int nTabWidth = 0;   // distance between tab stops; 0: a tab is as wide as a space
    bool bWrap = false;  // break at word boundaries (true) or anywhere between characters
};

// One printed row: the characters [nStart, nEnd) are drawn; the next row starts at nNext, past a
// line break that ends this row (CR LF, or a lone CR or LF).
struct PrintRow {
    int nStart = 0;
    int nEnd = 0;
    int nNext = 0;
};

// Offset just past the cluster that starts at nPos: a surrogate pair stays whole, combining marks,
// variation selectors and emoji modifiers stay with their base, and a zero-width joiner binds the
// character after it. A CR LF counts as one.
int ClusterEnd(const wchar_t* pText, int nLength, int nPos);

// True for characters that join the one before them (combining marks and the like).
bool IsClusterExtender(char32_t ch);

// Lays out the row that starts at nStart. A row holds what fits in nWidth; a line longer than
// that goes on in the next row, never dropped: with bWrap the row ends after the last blank or
// between two Japanese characters where one is in the row, otherwise after the last whole
// cluster that fits. Blanks at a wrap point stay at the end of the row even past the edge. A row
// takes at least one cluster, however wide.
PrintRow LayoutRow(const wchar_t* pText, int nLength, int nStart, const PrintRowParams& params,
                   const ClusterWidthFn& width);

// Lays out a page of at most nMaxRows rows (at least one row is printed, so that every page moves
// on) from nStart; returns where the next page starts. pRows, when given, receives the rows.
int LayoutPage(const wchar_t* pText, int nLength, int nStart, int nMaxRows, const PrintRowParams& params,
               const ClusterWidthFn& width, std::vector<PrintRow>* pRows = nullptr);

// The first character of each page for pages of nMaxRows rows: page 1 starts at 0, and an empty
// text has that one page.
std::vector<int> PaginateText(const wchar_t* pText, int nLength, int nMaxRows, const PrintRowParams& params,
                              const ClusterWidthFn& width);
