#pragma once
// Plain matching of a literal UTF-16 pattern over a buffer, without a window: shared by the find
// and replace engine and by find in files, so both fold case and test whole words alike.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class CWordCharSet;

struct MatchOptions {
    bool fMatchCase = false;     // compare code units exactly; otherwise fold both sides
    bool fWholeWord = false;     // accept a match only between word boundaries
    std::wstring_view wordChars; // the word characters; empty: every match passes the whole-word test
    // The set of wordChars made beforehand (optional): callers that match many lines with one set
    // pass it to save even the check that the cached set is still the one for wordChars.
    const CWordCharSet* pWordSet = nullptr;
};

// The start of the first match that starts at or after `nFrom` and lies wholly within `text`, or
// std::wstring_view::npos. The ends of `text` count as word boundaries.
size_t FindForward(std::wstring_view text, size_t nFrom, std::wstring_view pattern, const MatchOptions& options);

// Case folding: CharLowerW in its single-character form, looked up in a table of all 65536 code
// units made once (the same answers as calling it per character, without a call per character).
// Surrogates fold to themselves: lowering half of a pair would make a different character.
wchar_t FoldCase(wchar_t ch);
// The same table, indexed by code unit, for loops that fold every unit of a long text.
const wchar_t* CaseFoldTable();

// The word characters of the whole-word test as a bit per code unit, made from the plain string
// (a character is a word character when it occurs in the string).
class CWordCharSet {
public:
    explicit CWordCharSet(std::wstring_view chars);
    bool Contains(wchar_t ch) const { return (m_bits[ch >> 6] >> (ch & 63)) & 1; }
    bool Empty() const { return m_bEmpty; }

private:
    uint64_t m_bits[65536 / 64] = {};
    bool m_bEmpty = true;
};
// The set for `chars`, made once and kept while the same string is asked for again.
const CWordCharSet& WordCharSetFor(std::wstring_view chars);

// A match: [start, end) in code units of the whole text.
struct TextRange {
    size_t start = 0;
    size_t end = 0;
    bool operator==(const TextRange&) const = default;
};

// The plain scans. `text` is the whole text (its ends are where the whole-word test sees a
// boundary, and a match is never taken that starts or ends between the halves of a surrogate
// pair in it); the scans look only at candidates within [nLimit, nFrom] or [nFrom, nLimit].
//
// SearchForward: the start of the first match at or after nFrom that ends at or before nLimit;
// nLimit when there is none.
size_t SearchForward(std::wstring_view text, size_t nFrom, size_t nLimit, std::wstring_view pattern, bool fMatchCase);
// SearchBackward: the end of the match ending nearest below or at nFrom that starts at or after
// nLimit (nLimit <= nFrom); nLimit when there is none.
size_t SearchBackward(std::wstring_view text, size_t nFrom, size_t nLimit, std::wstring_view pattern, bool fMatchCase);
// True when neither neighbour of [start, end) is a word character; the ends of the text are
// boundaries, and an empty set lets every match pass.
bool IsWholeWord(std::wstring_view text, TextRange match, const CWordCharSet& wordSet);

// The engine's core: the first match from nFrom towards nLimit (downwards: starting at or after
// nFrom, ending at or before nLimit; upwards: ending at or before nFrom, starting at or after
// nLimit), with the whole-word test when asked for. A candidate that fails the test is dropped and
// the scan goes on one character further, so an overlapping candidate that passes is still found.
std::optional<TextRange> MatchText(std::wstring_view text, size_t nFrom, size_t nLimit, bool fDown,
                                   std::wstring_view pattern, const MatchOptions& options);

// MatchText with the pattern and the options prepared once, for callers that search one pattern
// many times (Replace All, find in files over many lines).
class CTextMatcher {
public:
    CTextMatcher(std::wstring_view pattern, const MatchOptions& options);
    ~CTextMatcher();
    CTextMatcher(const CTextMatcher&) = delete;
    CTextMatcher& operator=(const CTextMatcher&) = delete;
    std::optional<TextRange> Find(std::wstring_view text, size_t nFrom, size_t nLimit, bool fDown) const;

private:
    struct Prepared;
    std::unique_ptr<Prepared> m_pPrepared;
    const CWordCharSet* m_pWordSet = nullptr; // null: no whole-word test
    std::unique_ptr<CWordCharSet> m_pOwnSet;
};

// Find Next's search from a selection [nSelStart, nSelEnd): down from its end to the end of the
// text, up from its start to the start. With fWrapAround, when nothing lies that way, the whole
// text is searched once more from the other end (so the selection itself may be found again, when
// it is the only match); bWrapped then says so.
struct SelectionMatch {
    TextRange range;
    bool bWrapped = false;
};
std::optional<SelectionMatch> FindFromSelection(std::wstring_view text, size_t nSelStart, size_t nSelEnd, bool fDown,
                                                bool fWrapAround, std::wstring_view pattern,
                                                const MatchOptions& options);
