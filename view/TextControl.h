#pragma once
// CTextControl: the editor's own multi-line text control, a window class of its own that answers
// the messages the program sends the platform's EDIT control, with the same meanings, over a gap
// buffer (TextStore.h). It lays out and paints only the rows on screen, so handing it 100 MB of
// text costs one scan for line starts.
//
// A window of the class "TessarinText" is created like an EDIT control (styles ES_MULTILINE,
// ES_AUTOHSCROLL: without it lines wrap at the right edge; ES_NOHIDESEL, ES_READONLY) and may be
// subclassed like one: the object lives in the window's extra bytes from WM_NCCREATE to
// WM_NCDESTROY.
#include "view/TextStore.h"
#include "framework/GdiHandles.h"
#include <windows.h>
#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

class CTextControl {
public:
    static constexpr const wchar_t* kClassName = L"TessarinText";
    // Registers the class once per process; false when it cannot be registered.
    static bool Register();

    // Messages of its own, beyond the EDIT control's.
    // kMsgReadRange: copies [nStart, nEnd) (clamped to the text) into pBuffer, which holds
    // nEnd - nStart + 1 characters, and a NUL after it; returns the characters copied. Unlike
    // EM_GETHANDLE it leaves the gap where it is, so it costs the range's length only.
    struct ReadRange {
        int nStart;
        int nEnd;
        wchar_t* pBuffer;
    };
    static constexpr UINT kMsgReadRange = WM_USER + 0x5A0; // lParam: ReadRange*
    // kMsgWholeCharacters: widens [*wParam, *lParam) (int*) so that neither edge cuts a character
    // (CTextStore::IsBoundary); returns TRUE.
    static constexpr UINT kMsgWholeCharacters = WM_USER + 0x5A1;
    // kMsgPeekRange: points pText at [nStart, nEnd) (clamped to the text) in the control's own
    // buffer, valid until the next change, no terminator; returns the characters there. The gap
    // moves only when it lies inside the range (CTextStore::ContiguousRange), so a search from the
    // caret after an edit there does not move the text beyond it, as EM_GETHANDLE would.
    struct PeekRange {
        int nStart;
        int nEnd;
        const wchar_t* pText;
    };
    static constexpr UINT kMsgPeekRange = WM_USER + 0x5A2; // lParam: PeekRange*
    // kMsgPlaceCaret: puts the system caret and the input method's window where the selection now
    // stands. A change of the selection or the text places them only when the control next handles
    // anything but a run of selections, replacements and questions about the text (a message it
    // posts itself, a paint, input): under Wine each SetCaretPos draws the caret, and Replace All
    // match by match would place it once a match. Whoever reads the caret with GetCaretPos sends
    // this first. wParam and lParam are unused.
    static constexpr UINT kMsgPlaceCaret = WM_USER + 0x5A3;

    // Answered with a number that changes whenever the text or the selection changes, and never
    // 0 (no two controls of the process give the same one): whoever shows where the caret is
    // compares it instead of recomputing on every idle pass. wParam and lParam are unused.
    static constexpr UINT kGetChangeStamp = WM_USER + 2920;

    // Where lines may wrap: not before closing brackets, small kana, the prolonged sound mark and
    // punctuation, not after opening brackets.
    static bool IsNoBreakBefore(wchar_t c);
    static bool IsNoBreakAfter(wchar_t c);

private:
    explicit CTextControl(HWND hWnd);
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // One line laid out: x of every offset boundary in it, and where its rows start when wrapped.
    struct Layout {
        std::wstring text;
        std::vector<int> x;    // x[i]: left edge of character i; x[n]: the line's width
        std::vector<int> rows; // offsets in the line where rows start; rows[0] == 0
    };
    struct ScrollState { // what a scroll bar was last set to
        int nMax = -1;
        int nPage = -1;
        int nPos = -1;
    };
    struct RowPos {
        int nLine = 0;
        int nRow = 0;
    };

    // Text changes: the one road every change takes (notice, layout, caret).
    void ReplaceRange(int nStart, int nEnd, const wchar_t* p, int n, bool bNotify);
    void ReplaceSelection(const wchar_t* p, int n, bool bNotify);
    void SetText(const wchar_t* psz, bool bNotify);
    bool Adopt(HLOCAL hText);
    void Notify(WORD wCode);
    bool IsReadOnly() const { return (::GetWindowLongW(m_hWnd, GWL_STYLE) & ES_READONLY) != 0; }
    bool IsWrapped() const { return !(::GetWindowLongW(m_hWnd, GWL_STYLE) & ES_AUTOHSCROLL); }

    // Selection and caret.
    void SetSel(int nAnchor, int nCaret, bool bScroll);
    int SelStart() const { return std::min(m_nAnchor, m_nCaret); }
    int SelEnd() const { return std::max(m_nAnchor, m_nCaret); }
    void MoveCaret(int nOffset, bool bExtend, bool bKeepColumn = false);
    void UpdateCaret();       // places the caret and the input method's window now
    void UpdateCaretLater();  // ... before anything else is handled but the quiet messages below
    static bool IsQuietMessage(UINT message);
    void ScrollCaret();
    // InvalidateRect without erasing (the paint fills every pixel), unless drawing is off
    // (WM_SETREDRAW). Null: the whole window.
    void Invalidate(const RECT* pRect = nullptr);
    void InvalidateRange(int nStart, int nEnd);

    // Layout and geometry.
    void SetFont(HFONT hFont, bool bRedraw);
    const Layout& LayoutOf(int nLine);
    // The advance of a character in the font, learnt from the runs measured so far (measuring a
    // line through GDI costs about a millisecond under Wine); -1 when not known yet.
    int KnownWidth(wchar_t c) const;
    void LearnWidths(const wchar_t* p, const std::vector<int>& dx, int nTotal);
    void WrapRows(Layout& layout) const;
    int RowCount(int nLine) { return IsWrapped() ? static_cast<int>(LayoutOf(nLine).rows.size()) : 1; }
    int RowOf(const Layout& layout, int nInLine) const;
    RowPos Advance(RowPos pos, int nRows);
    int RowsBetween(RowPos from, RowPos to, int nLimit);
    int VisibleRows() const;
    RECT TextRect() const;
    POINT PosFromChar(int nOffset);
    int CharFromPos(POINT pt);
    int WordStart(int nOffset) const;
    int WordEnd(int nOffset) const;

    // Scrolling.
    void ScrollTo(RowPos top, int nX);
    void UpdateScrollBars();
    void OnVScroll(int nCode);
    // The vertical scroll bar counts rows when wrapped: every line's rows, exact for the lines
    // laid out, estimated from the length for the rest, so nothing is laid out for it.
    void ForgetLayouts();
    void KeepTopInText();
    long long WrapWidth() const;
    int EstimateRows(int nLine, long long nWidth) const;
    void EnsureRowCounts();
    void SpliceRowCounts(int nFirst, int nOldLast, int nNewLast);
    int RowsBefore(int nLine);
    RowPos RowAt(int nRow);
    void OnHScroll(int nCode);
    void OnWheel(int nDelta);

    // Input.
    void OnChar(wchar_t ch);
    void OnKeyDown(UINT vk);
    void OnMouseDown(POINT pt, bool bDouble);
    void OnMouseMove(POINT pt);
    void OnAutoScroll();
    bool Copy(); // false when the clipboard did not take the selection
    void Paste();
    void OnContextMenu(POINT pt);
    void OnImeStart();
    bool OnImeComposition(LPARAM lParam);

    void OnPaint();
    void PaintRow(HDC hdc, int y, int nLine, const Layout& layout, int nRowStart, int nRowEnd);

    HGDIOBJ Font() const;

    HWND m_hWnd;
    CMemoryDC m_dcMeasure; // lines are measured here, with no round trip to the display
    CTextStore m_store;
    int m_nAnchor = 0;
    int m_nCaret = 0;
    int m_nPreferredX = -1; // kept by Up, Down, PgUp and PgDn
    HFONT m_hFont = nullptr;
    int m_nLineHeight = 16;
    int m_nAveCharWidth = 8;
    int m_nTabStops = 32; // dialog units: a quarter of the font's average character width each
    int m_nLimit = 0x7FFFFFFE;
    RowPos m_top;
    int m_nXOffset = 0;
    int m_nWidest = 0; // the widest line laid out so far, for the horizontal scroll bar
    int m_nWheelRest = 0;
    ScrollState m_vertBar;
    ScrollState m_horzBar;
    bool m_bFocus = false;
    bool m_bCaret = false;
    bool m_bRedraw = true; // WM_SETREDRAW
    bool m_bCaretPending = false; // UpdateCaretLater was asked and the caret is not placed yet
    bool m_bSelecting = false; // the left button is down and drags the selection
    bool m_bWordSelecting = false;
    POINT m_ptMouse{};   // where the mouse was last seen while selecting
    int m_nWordAnchorStart = 0; // the word a double click selected
    int m_nWordAnchorEnd = 0;
    bool m_bModify = false;
    unsigned m_nChangeStamp = NewStamp(); // kGetChangeStamp's answer
    static unsigned NewStamp();
    std::unordered_map<int, Layout> m_layouts; // lines laid out since the last change
    std::vector<short> m_widths;      // advances by character in the font, -1: not known yet
    bool m_bWidthsUnreliable = false; // the font's runs are not the sum of their characters
    std::vector<int> m_rowCounts; // wrapped: rows of every line, exact or estimated
    long long m_nTotalRows = 0;
    int m_nBeforeLine = 0;  // m_nBefore: the rows of the lines before this one
    long long m_nBefore = 0;
    bool m_bRowsValid = false;
    bool m_bRowsSampled = false;   // the estimates came from measured lines
    long long m_nSampleWidth = 0;  // pixels and characters of the lines laid out, for estimates
    long long m_nSampleChars = 0;
};
