#pragma once
// CTextStore: the text of our own text control, as UTF-16 in a gap buffer that lives in one movable
// local block, with an index of line starts. Plain code: no window.
//
// Lines end at CR LF only. A lone CR or a lone LF is an ordinary character of its line: the text
// the editor decodes always has CR LF breaks, so lone ones come only from pastes and drops, and
// treating them as characters keeps every line start where an offset count over CR LF puts it.
#include <windows.h>
#include <string>
#include <vector>

class CTextStore {
public:
    CTextStore();
    ~CTextStore();
    CTextStore(const CTextStore&) = delete;
    CTextStore& operator=(const CTextStore&) = delete;

    bool IsValid() const { return m_pBuf != nullptr; }
    int Length() const { return m_nLength; }
    wchar_t At(int nOffset) const { return m_pBuf[nOffset < m_nGapStart ? nOffset : nOffset + GapSize()]; }
    // Copies [nStart, nEnd) (clamped to the text).
    std::wstring Text(int nStart, int nEnd) const;
    std::wstring Text() const { return Text(0, m_nLength); }

    int LineCount() const { return static_cast<int>(m_starts.size()); }
    // The line holding nOffset; offsets past the end give the last line. An offset between CR and
    // LF belongs to the line the pair ends.
    int LineFromOffset(int nOffset) const;
    // Offset of the line's first character; -1 for a line that does not exist.
    int LineStart(int nLine) const;
    // Offset just before the line's CR LF (the end of the text on the last line).
    int LineEnd(int nLine) const;

    // Replaces [nStart, nEnd) (clamped, ordered) with n characters; false (and nothing changed)
    // when the memory for it cannot be had.
    bool Replace(int nStart, int nEnd, const wchar_t* p, int n);

    // The whole text as one NUL-terminated block: the gap moves to the end. The handle stays the
    // store's; it may be locked for reading until the next change.
    HLOCAL ContiguousHandle();
    const wchar_t* Contiguous();
    // [nStart, nEnd) (clamped) as one piece, without a terminator: the gap moves only when it
    // lies inside the range, and then to the range's nearer edge, so a search just after the last
    // edit moves a few characters instead of the text after them. Valid until the next change.
    const wchar_t* ContiguousRange(int nStart, int nEnd);
    // Takes a movable local block holding NUL-terminated UTF-16 text as the whole text, without a
    // copy (the block grows in place of a copy when it has no room for the terminator). The block
    // held before is let go of, not freed: it is returned, and the caller decides. On failure the
    // store is unchanged and returns nullptr; hText then stays the caller's.
    bool Adopt(HLOCAL hText, HLOCAL* phOld);

    // Grapheme-ish boundaries: a caret never stands inside a surrogate pair, between CR and LF, or
    // between a base character and its combining marks or variation selectors.
    bool IsBoundary(int nOffset) const;
    int NextBoundary(int nOffset) const; // the first boundary after nOffset (Length at the end)
    int PrevBoundary(int nOffset) const; // the last boundary before nOffset (0 at the start)
    int FloorBoundary(int nOffset) const { return IsBoundary(nOffset) ? nOffset : PrevBoundary(nOffset); }
    int CeilBoundary(int nOffset) const { return IsBoundary(nOffset) ? nOffset : NextBoundary(nOffset); }

    // Whether a code point attaches to the character before it (combining marks, variation
    // selectors, the combining kana voicing marks, zero-width joiner).
    static bool IsExtender(unsigned cp);
    // The boundary rule itself, over any text read through at(i), 0 <= i < nLength: the store
    // applies it to its gap buffer, the edit history to the few characters around an edit.
    template <class Read> static bool IsBoundaryIn(const Read& at, int nLength, int nOffset);

private:
    int Capacity() const { return m_nCapacity; }
    int GapSize() const { return m_nCapacity - m_nLength; }
    void MoveGap(int nOffset);
    bool Reserve(int nLength);
    void RebuildLines();
    // Line index with a pending shift: entries after m_nStepLine are m_nStepDelta short, so a run
    // of edits in one place updates a few entries instead of every one after it.
    int StoredStart(int i) const { return m_starts[i] + (i > m_nStepLine ? m_nStepDelta : 0); }
    void MoveStepTo(int nLine);
    int FirstLineStartingAtOrAfter(int nOffset) const;

    HLOCAL m_hText = nullptr;
    wchar_t* m_pBuf = nullptr; // m_hText, locked by the store for as long as it holds it
    int m_nCapacity = 0;       // in characters, the gap and the terminator's room included
    int m_nLength = 0;
    int m_nGapStart = 0;
    std::vector<int> m_starts{0};
    int m_nStepLine = 0;
    int m_nStepDelta = 0;
};

template <class Read> bool CTextStore::IsBoundaryIn(const Read& at, int nLength, int nOffset) {
    if (nOffset <= 0 || nOffset >= nLength)
        return true;
    const wchar_t c = at(nOffset), b = at(nOffset - 1);
    const bool bHigh = c >= 0xD800 && c <= 0xDBFF, bLow = c >= 0xDC00 && c <= 0xDFFF;
    const bool bBeforeHigh = b >= 0xD800 && b <= 0xDBFF;
    if (b == L'\r' && c == L'\n')
        return false;
    if (bLow && bBeforeHigh)
        return false;
    unsigned cp = c;
    if (bHigh && nOffset + 1 < nLength) {
        const wchar_t d = at(nOffset + 1);
        if (d >= 0xDC00 && d <= 0xDFFF)
            cp = 0x10000u + ((c - 0xD800u) << 10) + (d - 0xDC00u);
    }
    // A mark after a line break stands on its own.
    return !IsExtender(cp) || b == L'\r' || b == L'\n';
}
