#pragma once
// Replace All over a plain buffer: the fast mode's output builder, which writes the new text in
// one buffer that grows by a tenth of the text at a time, and the Notepad-like mode's match list,
// which the window side replays from the last match to the first.
#include "search/TextMatch.h"
#include <deque>
#include <string>
#include <string_view>

// A match of the Notepad-like list. The text member stays empty: the replacement is the same for
// every match.
struct MatchRecord {
    size_t start = 0;
    size_t end = 0;
    std::wstring text;
};

// The fast Replace All's output: a growable string that keeps its storage from run to run, and
// the growth step each run recomputes from the length of its text.
class CReplaceAllBuffer {
public:
    // Starts a run over a text of nTextLength units: reserves (previous step + 1) units, then sets
    // the step to a tenth of the text, never less than 1024.
    void Begin(size_t nTextLength);
    // Appends n units; when they do not fit, the capacity grows by the fewest whole steps that
    // make room for them.
    void Append(const wchar_t* p, size_t n);
    const std::wstring& Text() const { return m_strOut; }
    // Empties the output; the storage stays for the next run.
    void Clear() { m_strOut.clear(); }
    size_t Step() const { return m_nStep; }
    size_t Capacity() const { return m_nCapacity; }

private:
    std::wstring m_strOut;
    size_t m_nCapacity = 0; // units the output may hold before it grows
    size_t m_nStep = 1024;
};

// Builds the text with every match of `pattern` replaced, left to right and without overlap, into
// `out` (Begin is called here). Returns the number of matches; with none, `out` holds a copy of
// the text.
//
// Given a range [nStart, nEnd) (replace in selection), only matches wholly inside it are replaced
// and `out` holds the new text of that range alone; the whole-word test still looks at the text
// beyond its ends, so a selection's edge is no word boundary.
size_t BuildReplaceAll(std::wstring_view text, std::wstring_view pattern, std::wstring_view replacement,
                       const MatchOptions& options, CReplaceAllBuffer& out, size_t nStart = 0,
                       size_t nEnd = std::wstring_view::npos);

// Appends every match, left to right and without overlap, to `matches` (emptied first); with a
// range, only those wholly inside [nStart, nEnd).
void CollectMatches(std::wstring_view text, std::wstring_view pattern, const MatchOptions& options,
                    std::deque<MatchRecord>& matches, size_t nStart = 0, size_t nEnd = std::wstring_view::npos);
