// Regular expressions with PCRE2 (16-bit code units): compiling with the editor's line ends and
// Unicode rules, the match limits, the finds down and up, the replacement template and Replace
// All's loop.
#include "search/RegexMatch.h"
#include "framework/Utf16.h"
#include <pcre2.h>
#include "framework/Strings.h"
#include "res/resource.h"
#include <algorithm>
#include <new>
#include <optional>

namespace {

// Enough for any pattern a user types against a text of any length; a pattern that needs more
// backtracks exponentially and would otherwise keep the window busy for minutes or years.
constexpr uint32_t kMatchLimit = 5000000;
constexpr uint32_t kDepthLimit = 200000;
// The JIT's stack grows to this (it starts at 32 KB); deeper recursion counts as too complex.
constexpr size_t kJitStackMax = 8 * 1024 * 1024;

PCRE2_SPTR Units(std::wstring_view text) {
    static_assert(sizeof(wchar_t) == sizeof(PCRE2_UCHAR), "the text is in UTF-16 code units");
    return reinterpret_cast<PCRE2_SPTR>(text.data());
}

// Whether the units at pos - 1 and pos are one character to the search: the halves of a
// surrogate pair, or the CR LF that ends a line (no match starts or ends between them).
bool InsideCharacter(std::wstring_view text, size_t pos) {
    if (pos == 0 || pos >= text.size())
        return false;
    return (IsHighSurrogate(text[pos - 1]) && IsLowSurrogate(text[pos])) || (text[pos - 1] == L'\r' && text[pos] == L'\n');
}

// The length of the character at pos: 2 for a whole surrogate pair or a CR LF, else 1.
size_t CharLength(std::wstring_view text, size_t pos) {
    return InsideCharacter(text, pos + 1) ? 2 : 1;
}

// pos moved back to the start of the character it lies inside.
size_t CharStart(std::wstring_view text, size_t pos) {
    return InsideCharacter(text, pos) ? pos - 1 : pos;
}

} // namespace

// The match-time objects that live as long as the pattern.
struct CRegex::Pcre {
    pcre2_match_data* pData = nullptr;
    pcre2_match_context* pContext = nullptr;
    pcre2_jit_stack* pJitStack = nullptr;
    ~Pcre() {
        pcre2_match_data_free(pData);
        pcre2_match_context_free(pContext);
        pcre2_jit_stack_free(pJitStack);
    }
};

CRegex::CRegex(std::wstring_view pattern, bool fMatchCase) : m_p(std::make_unique<Pcre>()) {
    pcre2_compile_context* pCompile = pcre2_compile_context_create(nullptr);
    if (!pCompile)
        throw std::bad_alloc();
    // Every line of the editor's text ends in CR LF.
    pcre2_set_newline(pCompile, PCRE2_NEWLINE_CRLF);
    // ALT_CIRCUMFLEX: the empty line after a last CR LF is a line of the editor too, and ^ starts it.
    uint32_t nOptions = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_UCP | PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX;
    if (!fMatchCase)
        nOptions |= PCRE2_CASELESS;
    int nError = 0;
    PCRE2_SIZE nOffset = 0;
    pcre2_code* pCode = pcre2_compile(Units(pattern), pattern.size(), nOptions, &nError, &nOffset, pCompile);
    pcre2_compile_context_free(pCompile);
    if (!pCode) {
        PCRE2_UCHAR buffer[256];
        int n = pcre2_get_error_message(nError, buffer, sizeof(buffer) / sizeof(buffer[0]));
        m_strError.assign(reinterpret_cast<const wchar_t*>(buffer), n > 0 ? static_cast<size_t>(n) : 0);
        m_nErrorOffset = std::min<size_t>(nOffset, pattern.size());
        return;
    }
    m_pCode = pCode;
    // Without a JIT (a target it does not support) the interpreter matches alone, slower.
    m_bJit = pcre2_jit_compile(pCode, PCRE2_JIT_COMPLETE) == 0;
    pcre2_pattern_info(pCode, PCRE2_INFO_CAPTURECOUNT, &m_nGroups);
    m_p->pData = pcre2_match_data_create_from_pattern(pCode, nullptr);
    m_p->pContext = pcre2_match_context_create(nullptr);
    if (!m_p->pData || !m_p->pContext)
        throw std::bad_alloc();
    pcre2_set_match_limit(m_p->pContext, kMatchLimit);
    pcre2_set_depth_limit(m_p->pContext, kDepthLimit);
    if (m_bJit) {
        m_p->pJitStack = pcre2_jit_stack_create(32 * 1024, kJitStackMax, nullptr);
        if (m_p->pJitStack)
            pcre2_jit_stack_assign(m_p->pContext, nullptr, m_p->pJitStack);
    }
}

CRegex::~CRegex() {
    pcre2_code_free(static_cast<pcre2_code*>(m_pCode));
}

std::wstring RegexErrorText(const CRegex& regex, std::wstring_view pattern) {
    // The offset counts code units; the user counts characters, a surrogate pair as one.
    const std::wstring_view before = pattern.substr(0, std::min(regex.ErrorOffset(), pattern.size()));
    size_t nChars = 0;
    for (size_t i = 0; i < before.size(); ++i)
        if (!(i > 0 && IsHighSurrogate(before[i - 1]) && IsLowSurrogate(before[i])))
            ++nChars;
    return FormatString(IDS_REGEX_BAD_PATTERN, {std::to_wstring(nChars + 1), regex.ErrorMessage()});
}

int CRegex::GroupNumber(std::wstring_view name) const {
    if (!m_pCode)
        return -1;
    std::wstring strName(name);
    int n = pcre2_substring_number_from_name(static_cast<const pcre2_code*>(m_pCode),
                                             reinterpret_cast<PCRE2_SPTR>(strName.c_str()));
    return n > 0 ? n : -1;
}

RegexStatus CRegex::Match(std::wstring_view text, size_t nFrom, bool bNotEmptyAtStart, bool bAnchored,
                          TextRange& match) {
    if (!m_pCode || nFrom > text.size())
        return RegexStatus::NotFound;
    uint32_t nOptions = (bNotEmptyAtStart ? PCRE2_NOTEMPTY_ATSTART : 0u) | (bAnchored ? PCRE2_ANCHORED : 0u);
    int rc = pcre2_match(static_cast<const pcre2_code*>(m_pCode), Units(text), text.size(), nFrom, nOptions,
                         m_p->pData, m_p->pContext);
    if (rc >= 0) {
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(m_p->pData);
        // \K may set the start after the end; the match is then taken as empty at its end.
        match.end = ov[1];
        match.start = std::min(ov[0], ov[1]);
        return RegexStatus::Found;
    }
    switch (rc) {
    case PCRE2_ERROR_MATCHLIMIT:
    case PCRE2_ERROR_DEPTHLIMIT:
    case PCRE2_ERROR_HEAPLIMIT:
    case PCRE2_ERROR_JIT_STACKLIMIT:
    case PCRE2_ERROR_NOMEMORY: return RegexStatus::TooComplex;
    default: return RegexStatus::NotFound;
    }
}

bool CRegex::Group(uint32_t n, TextRange& range) const {
    if (!m_p->pData || n > m_nGroups || n >= pcre2_get_ovector_count(m_p->pData))
        return false;
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(m_p->pData);
    if (ov[2 * n] == PCRE2_UNSET || ov[2 * n + 1] == PCRE2_UNSET || ov[2 * n] > ov[2 * n + 1])
        return false;
    range = TextRange{ov[2 * n], ov[2 * n + 1]};
    return true;
}

bool CRegexReplacement::Parse(std::wstring_view replacement, const CRegex& regex, std::wstring& strBad) {
    m_pieces.clear();
    std::wstring literal;
    auto addGroup = [&](int nGroup) {
        m_pieces.push_back(Piece{literal, nGroup});
        literal.clear();
    };
    const size_t n = replacement.size();
    for (size_t i = 0; i < n; ++i) {
        const wchar_t ch = replacement[i];
        if (ch == L'\\' && i + 1 < n) {
            const wchar_t next = replacement[i + 1];
            if (next == L'n' || next == L't' || next == L'\\') {
                literal += next == L'n' ? L"\r\n" : next == L't' ? L"\t" : L"\\";
                ++i;
                continue;
            }
        } else if (ch == L'$' && i + 1 < n) {
            const wchar_t next = replacement[i + 1];
            if (next == L'$') {
                literal += L'$';
                ++i;
                continue;
            }
            if (next >= L'0' && next <= L'9') {
                size_t j = i + 1;
                long long nGroup = 0;
                for (; j < n && replacement[j] >= L'0' && replacement[j] <= L'9'; ++j)
                    nGroup = std::min<long long>(nGroup * 10 + (replacement[j] - L'0'), 1000000);
                if (nGroup > regex.GroupCount()) {
                    strBad.assign(replacement.substr(i, j - i));
                    return false;
                }
                addGroup(static_cast<int>(nGroup));
                i = j - 1;
                continue;
            }
            if (next == L'{') {
                const size_t nClose = replacement.find(L'}', i + 2);
                if (nClose != std::wstring_view::npos && nClose > i + 2) {
                    const std::wstring_view name = replacement.substr(i + 2, nClose - i - 2);
                    int nGroup = -1;
                    if (std::all_of(name.begin(), name.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
                        long long value = 0;
                        for (wchar_t c : name)
                            value = std::min<long long>(value * 10 + (c - L'0'), 1000000);
                        nGroup = value <= regex.GroupCount() ? static_cast<int>(value) : -1;
                    } else {
                        nGroup = regex.GroupNumber(name);
                    }
                    if (nGroup < 0) {
                        strBad.assign(replacement.substr(i, nClose + 1 - i));
                        return false;
                    }
                    addGroup(nGroup);
                    i = nClose;
                    continue;
                }
            }
        }
        literal += ch;
    }
    if (!literal.empty() || m_pieces.empty())
        addGroup(-1);
    return true;
}

bool CRegexReplacement::IsConstant() const {
    return std::none_of(m_pieces.begin(), m_pieces.end(), [](const Piece& piece) { return piece.nGroup >= 0; });
}

void CRegexReplacement::AppendTo(const CRegex& regex, std::wstring_view text, std::wstring& out) const {
    for (const Piece& piece : m_pieces) {
        out += piece.literal;
        TextRange group;
        if (piece.nGroup >= 0 && regex.Group(static_cast<uint32_t>(piece.nGroup), group))
            out.append(text.data() + group.start, group.end - group.start);
    }
}

void CRegexReplacement::AppendTo(const CRegex& regex, std::wstring_view text, CReplaceAllBuffer& out) const {
    for (const Piece& piece : m_pieces) {
        out.Append(piece.literal.data(), piece.literal.size());
        TextRange group;
        if (piece.nGroup >= 0 && regex.Group(static_cast<uint32_t>(piece.nGroup), group))
            out.Append(text.data() + group.start, group.end - group.start);
    }
}

namespace {

const CWordCharSet* WordSetOf(const MatchOptions& options) {
    if (!options.fWholeWord || options.wordChars.empty())
        return nullptr;
    return options.pWordSet ? options.pWordSet : &WordCharSetFor(options.wordChars);
}

// Downwards from nFrom in text[0, nLimit), with the whole-word test (pWordSet) against the whole
// text.
RegexStatus FindDown(CRegex& regex, std::wstring_view text, size_t nFrom, size_t nLimit, const CWordCharSet* pWordSet,
                     bool bNotEmptyAtStart, TextRange& match) {
    const std::wstring_view subject = text.substr(0, nLimit);
    // From inside a character, the search starts after it: no match starts before nFrom.
    size_t pos = InsideCharacter(subject, nFrom) ? nFrom + 1 : nFrom;
    for (;;) {
        RegexStatus status = regex.Match(subject, pos, bNotEmptyAtStart, false, match);
        if (status != RegexStatus::Found || !pWordSet || IsWholeWord(text, match, *pWordSet))
            return status;
        pos = match.start + CharLength(subject, match.start);
        bNotEmptyAtStart = false;
        if (pos > subject.size())
            return RegexStatus::NotFound;
    }
}

// Upwards: windows of start positions below nFrom, nearest first and twice as wide each time;
// in each, every start is tried (the matches may overlap) and the last acceptable match wins.
RegexStatus FindUp(CRegex& regex, std::wstring_view text, size_t nFrom, size_t nLimit, const CWordCharSet* pWordSet,
                   bool bSkipEmptyAtFrom, TextRange& match) {
    size_t nHigh = nFrom + 1; // starts below this are examined in the current window
    size_t nWidth = 4096;
    for (;;) {
        size_t nLow = nHigh - nLimit > nWidth ? CharStart(text, nHigh - nWidth) : nLimit;
        std::optional<TextRange> best;
        for (size_t pos = nLow; pos < nHigh && pos <= text.size();) {
            TextRange found;
            RegexStatus status = regex.Match(text, pos, false, false, found);
            if (status == RegexStatus::TooComplex)
                return status;
            if (status == RegexStatus::NotFound || found.start >= nHigh)
                break;
            bool bSkip = bSkipEmptyAtFrom && found.start == nFrom && found.end == nFrom;
            if (found.end <= nFrom && !bSkip && (!pWordSet || IsWholeWord(text, found, *pWordSet)))
                best = found;
            pos = found.start + CharLength(text, found.start);
        }
        if (best) {
            match = *best;
            return RegexStatus::Found;
        }
        if (nLow <= nLimit)
            return RegexStatus::NotFound;
        nHigh = nLow;
        nWidth *= 2;
    }
}

} // namespace

RegexStatus RegexFind(CRegex& regex, std::wstring_view text, size_t nFrom, size_t nLimit, bool fDown,
                      const MatchOptions& options, bool bSkipEmptyAtFrom, TextRange& match) {
    const CWordCharSet* pWordSet = WordSetOf(options);
    if (fDown) {
        nLimit = std::min(nLimit, text.size());
        if (nFrom > nLimit)
            return RegexStatus::NotFound;
        return FindDown(regex, text, nFrom, nLimit, pWordSet, bSkipEmptyAtFrom, match);
    }
    nFrom = std::min(nFrom, text.size());
    if (nLimit > nFrom)
        return RegexStatus::NotFound;
    return FindUp(regex, text, nFrom, nLimit, pWordSet, bSkipEmptyAtFrom, match);
}

namespace {

// Calls onMatch(match) for every match of the left-to-right loop; stops at the first failure to
// match or when the limits are reached.
template <typename OnMatch>
RegexStatus ForEachMatch(CRegex& regex, std::wstring_view text, const MatchOptions& options, OnMatch onMatch) {
    const CWordCharSet* pWordSet = WordSetOf(options);
    size_t pos = 0;
    bool bAfterEmpty = false;
    for (;;) {
        TextRange match;
        RegexStatus status = FindDown(regex, text, pos, text.size(), pWordSet, bAfterEmpty, match);
        if (status == RegexStatus::TooComplex)
            return status;
        if (status == RegexStatus::NotFound)
            return RegexStatus::Found;
        onMatch(match);
        bAfterEmpty = match.start == match.end;
        pos = match.end;
    }
}

} // namespace

RegexStatus BuildRegexReplaceAll(CRegex& regex, const CRegexReplacement& replacement, std::wstring_view text,
                                 const MatchOptions& options, CReplaceAllBuffer& out, size_t& nCount,
                                 size_t nRangeStart, size_t nRangeEnd) {
    nRangeEnd = std::min(nRangeEnd, text.size());
    nRangeStart = std::min(nRangeStart, nRangeEnd);
    out.Begin(nRangeEnd - nRangeStart);
    nCount = 0;
    size_t nCopied = nRangeStart;
    RegexStatus status = ForEachMatch(regex, text, options, [&](const TextRange& match) {
        if (match.start < nRangeStart || match.end > nRangeEnd)
            return;
        out.Append(text.data() + nCopied, match.start - nCopied);
        replacement.AppendTo(regex, text, out);
        nCopied = match.end;
        ++nCount;
    });
    out.Append(text.data() + nCopied, nRangeEnd - nCopied);
    return status;
}

RegexStatus CollectRegexMatches(CRegex& regex, const CRegexReplacement& replacement, std::wstring_view text,
                                const MatchOptions& options, std::deque<MatchRecord>& matches, size_t nRangeStart,
                                size_t nRangeEnd) {
    matches.clear();
    return ForEachMatch(regex, text, options, [&](const TextRange& match) {
        if (match.start < nRangeStart || match.end > nRangeEnd)
            return;
        MatchRecord record{match.start, match.end, {}};
        replacement.AppendTo(regex, text, record.text);
        matches.push_back(std::move(record));
    });
}
