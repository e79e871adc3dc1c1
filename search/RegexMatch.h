#pragma once
// Regular expressions over the editor's UTF-16 text, without a window: a compiled pattern
// (PCRE2, 16-bit code units), the finds down and up with the same whole-word test as the plain
// matcher, the replacement template ($1, ${name}, \n, \t) and Replace All's loop. Shared by the
// search engine and by find in files.
#include "search/ReplaceAll.h"
#include "search/TextMatch.h"
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What a match attempt came to. TooComplex: the pattern needed more steps (or more stack) than
// the limits allow on this text; the search stops rather than keep the window busy indefinitely.
enum class RegexStatus { Found, NotFound, TooComplex };

// A compiled pattern. Lines end in CR LF: ^ and $ match at every line's start and end (before
// the CR LF), and . never matches the CR LF. The pattern is read as UTF-16: . and every class
// match a whole character, a surrogate pair included, so no match ever starts or ends between the
// halves of a pair; a lone surrogate in the text matches nothing. Without match case, letters
// match as Unicode folds them (the same pairs as the plain search's CharLowerW table for the
// letters users meet: ASCII, accented Latin, Greek, Cyrillic, full-width Latin). \w, \d and \b
// follow Unicode too (kanji and kana are word characters to them).
class CRegex {
public:
    CRegex(std::wstring_view pattern, bool fMatchCase);
    ~CRegex();
    CRegex(const CRegex&) = delete;
    CRegex& operator=(const CRegex&) = delete;

    // False when the pattern did not compile: ErrorMessage says why (PCRE2's own text, in
    // English) and ErrorOffset where (code units into the pattern).
    bool IsValid() const { return m_pCode != nullptr; }
    const std::wstring& ErrorMessage() const { return m_strError; }
    size_t ErrorOffset() const { return m_nErrorOffset; }
    // Whether the JIT compiler took the pattern (false where the target has none).
    bool IsJitCompiled() const { return m_bJit; }

    uint32_t GroupCount() const { return m_nGroups; }
    // The number of the named group, or -1.
    int GroupNumber(std::wstring_view name) const;

    // One match attempt over text: the leftmost match starting at or after nFrom (the text before
    // it is still seen by ^, \b and lookbehind). bNotEmptyAtStart refuses an empty match at nFrom
    // itself; bAnchored asks for a match starting exactly at nFrom.
    RegexStatus Match(std::wstring_view text, size_t nFrom, bool bNotEmptyAtStart, bool bAnchored, TextRange& match);
    // Group n of the last match found: false when the group took no part in it.
    bool Group(uint32_t n, TextRange& range) const;

private:
    struct Pcre;
    std::unique_ptr<Pcre> m_p;
    void* m_pCode = nullptr; // pcre2_code_16
    bool m_bJit = false;
    uint32_t m_nGroups = 0;
    std::wstring m_strError;
    size_t m_nErrorOffset = 0;
};

// The message of a pattern that did not compile: where (in characters from 1, a surrogate pair
// counting as one) and PCRE2's reason.
std::wstring RegexErrorText(const CRegex& regex, std::wstring_view pattern);

// The replacement text as a template: "$0" to "$99" (as many digits as follow), "${12}" and
// "${name}" put in a group's text (nothing when the group took no part in the match), "$$" a
// dollar sign; "\n" a line break (CR LF, as every line ends in the editor), "\t" a tab and "\\"
// one backslash. Any other "$" or "\" stands for itself.
class CRegexReplacement {
public:
    // Reads the template for the pattern. False when it names a group the pattern lacks; strBad
    // is then the reference as written ("$3", "${name}").
    bool Parse(std::wstring_view replacement, const CRegex& regex, std::wstring& strBad);
    // Appends the replacement of the last match of regex (in text) to out.
    void AppendTo(const CRegex& regex, std::wstring_view text, std::wstring& out) const;
    void AppendTo(const CRegex& regex, std::wstring_view text, CReplaceAllBuffer& out) const;
    // A template without references: the same text for every match.
    bool IsConstant() const;

private:
    struct Piece {
        std::wstring literal; // text put in as it is
        int nGroup = -1;      // or, when not -1, the group's text
    };
    std::vector<Piece> m_pieces;
};

// The first match from nFrom towards nLimit, as MatchText finds a plain one: downwards, the
// leftmost match starting at or after nFrom and ending at or before nLimit; upwards, of the
// matches ending at or before nFrom and starting at or after nLimit, the one that starts last.
// bSkipEmptyAtFrom passes over an empty match at nFrom itself (the caret, where the last find
// already stopped). With options.fWholeWord, a match that fails the whole-word test is dropped
// and the search goes on one character further.
RegexStatus RegexFind(CRegex& regex, std::wstring_view text, size_t nFrom, size_t nLimit, bool fDown,
                      const MatchOptions& options, bool bSkipEmptyAtFrom, TextRange& match);

// Replace All's loop, left to right: after a match the search goes on at its end, and after an
// empty match it refuses another empty one at the same place (so "x*" replaces every gap once).
// BuildRegexReplaceAll writes the whole new text into `out` (Begin is called here) and counts
// the matches; CollectRegexMatches lists them with their replacement texts. Given a range
// [nRangeStart, nRangeEnd), the pattern still sees the whole text (its anchors and lookarounds look
// past the range's edges), only the matches wholly inside the range count, and `out` holds the
// range's new text alone.
RegexStatus BuildRegexReplaceAll(CRegex& regex, const CRegexReplacement& replacement, std::wstring_view text,
                                 const MatchOptions& options, CReplaceAllBuffer& out, size_t& nCount,
                                 size_t nRangeStart = 0, size_t nRangeEnd = std::wstring_view::npos);
RegexStatus CollectRegexMatches(CRegex& regex, const CRegexReplacement& replacement, std::wstring_view text,
                                const MatchOptions& options, std::deque<MatchRecord>& matches,
                                size_t nRangeStart = 0, size_t nRangeEnd = std::wstring_view::npos);
