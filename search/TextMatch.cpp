// The matcher: the case-folding table, the word-character set, the forward and backward scans and
// the whole-word loop. Scans look for the pattern's first (or last) unit in a tight loop and
// compare the rest only where it occurs; there are no skip tables.
#include "search/TextMatch.h"
#include "framework/Utf16.h"
#include <windows.h>
#include <algorithm>
#include <cwchar>
#include <memory>
#include <vector>

namespace {

// The folding table and, for each folded value, every code unit that folds to it (so a scan can
// look for the two or three spellings of the pattern's first character without folding each
// unit of the text).
struct FoldTables {
    wchar_t fold[65536];
    uint32_t classStart[65537]; // units folding to f: classUnits[classStart[f] .. classStart[f + 1])
    wchar_t classUnits[65536];

    FoldTables() {
        for (uint32_t c = 0; c < 65536; ++c) {
            auto ch = static_cast<wchar_t>(c);
            if (c == 0 || IsSurrogate(c)) {
                fold[c] = ch;
                continue;
            }
            // The single-character form: the character in the low word of the "pointer", high
            // word zero; the lowered character comes back the same way.
            auto lowered =
                reinterpret_cast<ULONG_PTR>(::CharLowerW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c))));
            fold[c] = static_cast<wchar_t>(lowered & 0xFFFF);
        }
        std::fill(std::begin(classStart), std::end(classStart), 0u);
        for (uint32_t c = 0; c < 65536; ++c)
            ++classStart[fold[c] + 1];
        for (uint32_t f = 0; f < 65536; ++f)
            classStart[f + 1] += classStart[f];
        std::vector<uint32_t> next(classStart, classStart + 65536);
        for (uint32_t c = 0; c < 65536; ++c)
            classUnits[next[fold[c]]++] = static_cast<wchar_t>(c);
    }
};

const FoldTables& Tables() {
    static const auto s_pTables = std::make_unique<FoldTables>();
    return *s_pTables;
}

// A pattern ready for scanning: folded when case does not matter, with the spellings of its first
// and last units, and whether its ends could cut a surrogate pair in the text.
class CPreparedPattern {
public:
    CPreparedPattern(std::wstring_view pattern, bool fMatchCase)
        : m_fold(Tables().fold), m_bMatchCase(fMatchCase), m_nLength(pattern.size()) {
        m_pattern.assign(pattern.begin(), pattern.end());
        if (!fMatchCase)
            for (wchar_t& ch : m_pattern)
                ch = m_fold[ch];
        if (m_nLength == 0)
            return;
        m_bCheckStart = IsLowSurrogate(pattern.front());
        m_bCheckEnd = IsHighSurrogate(pattern.back());
    }

    size_t Length() const { return m_nLength; }
    bool MatchCase() const { return m_bMatchCase; }
    wchar_t First() const { return m_pattern.front(); }
    wchar_t Last() const { return m_pattern.back(); }
    const wchar_t* Fold() const { return m_fold; }

    // The units at p equal the pattern (p points at the text's candidate start).
    bool EqualsAt(const wchar_t* p) const {
        if (m_bMatchCase)
            return std::wmemcmp(p, m_pattern.data(), m_nLength) == 0;
        for (size_t k = 0; k < m_nLength; ++k)
            if (m_fold[p[k]] != m_pattern[k])
                return false;
        return true;
    }
    // A candidate [s, s + length) would start or end between the halves of a surrogate pair.
    bool SplitsPair(std::wstring_view text, size_t s) const {
        if (m_bCheckStart && s > 0 && IsHighSurrogate(text[s - 1]) && IsLowSurrogate(text[s]))
            return true;
        size_t e = s + m_nLength;
        return m_bCheckEnd && e < text.size() && IsHighSurrogate(text[e - 1]) && IsLowSurrogate(text[e]);
    }

private:
    const wchar_t* m_fold;
    bool m_bMatchCase;
    size_t m_nLength;
    std::wstring m_pattern;
    bool m_bCheckStart = false;
    bool m_bCheckEnd = false;
};

// The spellings of a unit as the comparison sees it: itself when case matters, otherwise every
// unit with the same folded value.
struct Spellings {
    const wchar_t* units;
    size_t count;
    wchar_t one;
};
Spellings SpellingsOf(const CPreparedPattern& pattern, wchar_t ch) {
    if (pattern.MatchCase())
        return {nullptr, 1, ch};
    const FoldTables& t = Tables();
    const wchar_t* units = t.classUnits + t.classStart[ch];
    size_t count = t.classStart[ch + 1] - t.classStart[ch];
    return {units, count, count == 1 ? units[0] : ch};
}

// The first position in [p, pEnd) holding one of the spellings, or pEnd.
const wchar_t* ScanForward(const wchar_t* p, const wchar_t* pEnd, const Spellings& sp, const wchar_t* fold,
                           wchar_t folded) {
    if (sp.count == 1) {
        const wchar_t* hit = std::wmemchr(p, sp.one, static_cast<size_t>(pEnd - p));
        return hit ? hit : pEnd;
    }
    if (sp.count == 2) {
        wchar_t a = sp.units[0], b = sp.units[1];
        while (p < pEnd && *p != a && *p != b)
            ++p;
        return p;
    }
    while (p < pEnd && fold[*p] != folded)
        ++p;
    return p;
}

// The last position in [pBegin, p) holding one of the spellings, or nullptr.
const wchar_t* ScanBackward(const wchar_t* pBegin, const wchar_t* p, const Spellings& sp, const wchar_t* fold,
                        wchar_t folded) {
    if (sp.count == 1) {
        wchar_t a = sp.one;
        while (p > pBegin)
            if (*--p == a)
                return p;
        return nullptr;
    }
    if (sp.count == 2) {
        wchar_t a = sp.units[0], b = sp.units[1];
        while (p > pBegin) {
            wchar_t ch = *--p;
            if (ch == a || ch == b)
                return p;
        }
        return nullptr;
    }
    while (p > pBegin)
        if (fold[*--p] == folded)
            return p;
    return nullptr;
}

size_t Forward(std::wstring_view text, size_t nFrom, size_t nLimit, const CPreparedPattern& pattern) {
    size_t n = pattern.Length();
    nLimit = std::min(nLimit, text.size());
    if (n == 0 || nLimit < n || nFrom > nLimit - n)
        return nLimit;
    const wchar_t* pText = text.data();
    const wchar_t* pLastStart = pText + (nLimit - n);
    Spellings sp = SpellingsOf(pattern, pattern.First());
    for (const wchar_t* p = pText + nFrom; p <= pLastStart; ++p) {
        p = ScanForward(p, pLastStart + 1, sp, pattern.Fold(), pattern.First());
        if (p > pLastStart)
            break;
        size_t s = static_cast<size_t>(p - pText);
        if (pattern.EqualsAt(p) && !pattern.SplitsPair(text, s))
            return s;
    }
    return nLimit;
}

size_t Backward(std::wstring_view text, size_t nFrom, size_t nLimit, const CPreparedPattern& pattern) {
    size_t n = pattern.Length();
    nFrom = std::min(nFrom, text.size());
    if (n == 0 || nFrom < nLimit || nFrom - nLimit < n)
        return nLimit;
    const wchar_t* pText = text.data();
    // Candidate ends run from nFrom down to nLimit + n; the scan looks for the pattern's last
    // unit at end - 1.
    const wchar_t* pLowest = pText + nLimit + n - 1;
    const wchar_t* p = pText + nFrom; // one past the next unit to look at
    Spellings sp = SpellingsOf(pattern, pattern.Last());
    while (p > pLowest) {
        const wchar_t* hit = ScanBackward(pLowest, p, sp, pattern.Fold(), pattern.Last());
        if (!hit)
            break;
        size_t e = static_cast<size_t>(hit - pText) + 1;
        if (pattern.EqualsAt(pText + (e - n)) && !pattern.SplitsPair(text, e - n))
            return e;
        p = hit;
    }
    return nLimit;
}

} // namespace

wchar_t FoldCase(wchar_t ch) {
    return Tables().fold[ch];
}

const wchar_t* CaseFoldTable() {
    return Tables().fold;
}

CWordCharSet::CWordCharSet(std::wstring_view chars) {
    for (wchar_t ch : chars) {
        m_bits[ch >> 6] |= uint64_t{1} << (ch & 63);
        m_bEmpty = false;
    }
}

const CWordCharSet& WordCharSetFor(std::wstring_view chars) {
    // One set per thread, remade only when asked for a different string: find in files asks once
    // per line with the same string.
    struct Cache {
        std::wstring chars;
        std::unique_ptr<CWordCharSet> pSet;
    };
    thread_local Cache s_cache;
    if (!s_cache.pSet || s_cache.chars != chars) {
        s_cache.pSet = std::make_unique<CWordCharSet>(chars);
        s_cache.chars.assign(chars);
    }
    return *s_cache.pSet;
}

size_t SearchForward(std::wstring_view text, size_t nFrom, size_t nLimit, std::wstring_view pattern, bool fMatchCase) {
    return Forward(text, nFrom, nLimit, CPreparedPattern(pattern, fMatchCase));
}

size_t SearchBackward(std::wstring_view text, size_t nFrom, size_t nLimit, std::wstring_view pattern, bool fMatchCase) {
    return Backward(text, nFrom, nLimit, CPreparedPattern(pattern, fMatchCase));
}

bool IsWholeWord(std::wstring_view text, TextRange match, const CWordCharSet& wordSet) {
    if (wordSet.Empty())
        return true;
    if (match.start > 0 && wordSet.Contains(text[match.start - 1]))
        return false;
    return match.end >= text.size() || !wordSet.Contains(text[match.end]);
}

struct CTextMatcher::Prepared : CPreparedPattern {
    using CPreparedPattern::CPreparedPattern;
};

CTextMatcher::CTextMatcher(std::wstring_view pattern, const MatchOptions& options)
    : m_pPrepared(std::make_unique<Prepared>(pattern, options.fMatchCase)) {
    if (!options.fWholeWord)
        return;
    if (options.pWordSet) {
        m_pWordSet = options.pWordSet;
    } else {
        m_pOwnSet = std::make_unique<CWordCharSet>(WordCharSetFor(options.wordChars));
        m_pWordSet = m_pOwnSet.get();
    }
}

CTextMatcher::~CTextMatcher() = default;

std::optional<TextRange> CTextMatcher::Find(std::wstring_view text, size_t nFrom, size_t nLimit, bool fDown) const {
    const CPreparedPattern& prepared = *m_pPrepared;
    size_t n = prepared.Length();
    if (n == 0)
        return std::nullopt;
    for (;;) {
        TextRange match;
        if (fDown) {
            size_t s = Forward(text, nFrom, nLimit, prepared);
            if (s >= std::min(nLimit, text.size()) || s + n > text.size())
                return std::nullopt;
            match = {s, s + n};
        } else {
            size_t e = Backward(text, nFrom, nLimit, prepared);
            if (e <= nLimit || e < n)
                return std::nullopt;
            match = {e - n, e};
        }
        if (!m_pWordSet || IsWholeWord(text, match, *m_pWordSet))
            return match;
        // Dropped by the whole-word test: go on one unit further, not a pattern length, so a
        // candidate overlapping the dropped one is still tried ("a a" in "xa a a" is found at 3).
        // A step into a surrogate pair is harmless: no match starts or ends inside one.
        if (fDown)
            nFrom = match.start + 1;
        else
            nFrom = match.end - 1;
    }
}

std::optional<TextRange> MatchText(std::wstring_view text, size_t nFrom, size_t nLimit, bool fDown,
                                   std::wstring_view pattern, const MatchOptions& options) {
    return CTextMatcher(pattern, options).Find(text, nFrom, nLimit, fDown);
}

size_t FindForward(std::wstring_view text, size_t nFrom, std::wstring_view pattern, const MatchOptions& options) {
    if (nFrom > text.size())
        return std::wstring_view::npos;
    // The cached set stays valid for this one call: nothing else asks for a set meanwhile.
    MatchOptions prepared = options;
    if (options.fWholeWord && !options.pWordSet)
        prepared.pWordSet = &WordCharSetFor(options.wordChars);
    auto match = CTextMatcher(pattern, prepared).Find(text, nFrom, text.size(), true);
    return match ? match->start : std::wstring_view::npos;
}

std::optional<SelectionMatch> FindFromSelection(std::wstring_view text, size_t nSelStart, size_t nSelEnd, bool fDown,
                                                bool fWrapAround, std::wstring_view pattern,
                                                const MatchOptions& options) {
    CTextMatcher matcher(pattern, options);
    const size_t nFrom = std::min(fDown ? nSelEnd : nSelStart, text.size());
    if (auto match = matcher.Find(text, nFrom, fDown ? text.size() : 0, fDown))
        return SelectionMatch{*match, false};
    if (!fWrapAround)
        return std::nullopt;
    if (auto match = matcher.Find(text, fDown ? 0 : text.size(), fDown ? text.size() : 0, fDown))
        return SelectionMatch{*match, true};
    return std::nullopt;
}
