// Replace All over a plain buffer: the output builder with its growth rule, and the match list.
#include "search/ReplaceAll.h"
#include <algorithm>

void CReplaceAllBuffer::Begin(size_t nTextLength) {
    m_strOut.clear();
    if (m_nCapacity < m_nStep) {
        m_strOut.reserve(m_nStep + 1);
        m_nCapacity = m_nStep;
    }
    m_nStep = std::max<size_t>(nTextLength / 10, 1024);
}

void CReplaceAllBuffer::Append(const wchar_t* p, size_t n) {
    size_t nNeeded = m_strOut.size() + n;
    if (nNeeded > m_nCapacity) {
        size_t nSteps = (nNeeded - m_nCapacity + m_nStep - 1) / m_nStep;
        m_nCapacity += nSteps * m_nStep;
        m_strOut.reserve(m_nCapacity + 1);
    }
    m_strOut.append(p, n);
}

size_t BuildReplaceAll(std::wstring_view text, std::wstring_view pattern, std::wstring_view replacement,
                       const MatchOptions& options, CReplaceAllBuffer& out, size_t nStart, size_t nEnd) {
    nEnd = std::min(nEnd, text.size());
    nStart = std::min(nStart, nEnd);
    out.Begin(nEnd - nStart);
    size_t nCopied = nStart, nCount = 0;
    // The scan goes on behind each match in the original text, so a replacement that contains
    // the pattern is never replaced again.
    CTextMatcher matcher(pattern, options);
    while (auto match = matcher.Find(text, nCopied, nEnd, true)) {
        out.Append(text.data() + nCopied, match->start - nCopied);
        out.Append(replacement.data(), replacement.size());
        nCopied = match->end;
        ++nCount;
    }
    out.Append(text.data() + nCopied, nEnd - nCopied);
    return nCount;
}

void CollectMatches(std::wstring_view text, std::wstring_view pattern, const MatchOptions& options,
                    std::deque<MatchRecord>& matches, size_t nStart, size_t nEnd) {
    matches.clear();
    nEnd = std::min(nEnd, text.size());
    size_t nFrom = std::min(nStart, nEnd);
    CTextMatcher matcher(pattern, options);
    while (auto match = matcher.Find(text, nFrom, nEnd, true)) {
        matches.push_back(MatchRecord{match->start, match->end, {}});
        nFrom = match->end;
    }
}
