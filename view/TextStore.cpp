// CTextStore: the gap buffer in its movable block, the line-start index and the character
// boundaries the caret keeps to.
#include "view/TextStore.h"
#include "framework/TextRoom.h"
#include <algorithm>
#include <cstring>

namespace {
constexpr wchar_t kCr = L'\r';
constexpr wchar_t kLf = L'\n';
constexpr int kMinCapacity = static_cast<int>(kTextRoomMinimum);
} // namespace

CTextStore::CTextStore() {
    m_hText = ::LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, kMinCapacity * sizeof(wchar_t));
    if (m_hText)
        m_pBuf = static_cast<wchar_t*>(::LocalLock(m_hText));
    m_nCapacity = m_pBuf ? kMinCapacity : 0;
}

CTextStore::~CTextStore() {
    if (m_hText) {
        if (m_pBuf)
            ::LocalUnlock(m_hText);
        ::LocalFree(m_hText);
    }
}

std::wstring CTextStore::Text(int nStart, int nEnd) const {
    nStart = std::clamp(nStart, 0, m_nLength);
    nEnd = std::clamp(nEnd, nStart, m_nLength);
    std::wstring s(static_cast<size_t>(nEnd - nStart), L'\0');
    // Up to two pieces: before the gap and after it.
    int nBefore = std::clamp(m_nGapStart - nStart, 0, nEnd - nStart);
    if (nBefore > 0)
        std::memcpy(s.data(), m_pBuf + nStart, nBefore * sizeof(wchar_t));
    if (nBefore < nEnd - nStart)
        std::memcpy(s.data() + nBefore, m_pBuf + nStart + nBefore + GapSize(),
                    (nEnd - nStart - nBefore) * sizeof(wchar_t));
    return s;
}

void CTextStore::MoveGap(int nOffset) {
    const int nGap = GapSize();
    if (nOffset < m_nGapStart)
        std::memmove(m_pBuf + nOffset + nGap, m_pBuf + nOffset, (m_nGapStart - nOffset) * sizeof(wchar_t));
    else if (nOffset > m_nGapStart)
        std::memmove(m_pBuf + m_nGapStart, m_pBuf + m_nGapStart + nGap, (nOffset - m_nGapStart) * sizeof(wchar_t));
    m_nGapStart = nOffset;
}

bool CTextStore::Reserve(int nLength) {
    if (nLength < m_nCapacity) // room for the terminator too
        return true;
    long long nWanted = static_cast<long long>(TextRoom(static_cast<size_t>(nLength)));
    if (nWanted > 0x7FFFFFFF / static_cast<long long>(sizeof(wchar_t)))
        nWanted = static_cast<long long>(nLength) + 1;
    if (nWanted > 0x7FFFFFFF / static_cast<long long>(sizeof(wchar_t)))
        return false;
    const int nNewCapacity = static_cast<int>(nWanted);
    // The text after the gap moves to the end of the larger block: the gap grows.
    const int nAfter = m_nLength - m_nGapStart;
    ::LocalUnlock(m_hText);
    HLOCAL hNew = ::LocalReAlloc(m_hText, static_cast<SIZE_T>(nNewCapacity) * sizeof(wchar_t), LMEM_MOVEABLE);
    if (hNew)
        m_hText = hNew;
    m_pBuf = static_cast<wchar_t*>(::LocalLock(m_hText));
    if (!hNew || !m_pBuf)
        return false;
    std::memmove(m_pBuf + nNewCapacity - nAfter, m_pBuf + m_nCapacity - nAfter, nAfter * sizeof(wchar_t));
    m_nCapacity = nNewCapacity;
    return true;
}

HLOCAL CTextStore::ContiguousHandle() {
    MoveGap(m_nLength);
    m_pBuf[m_nLength] = L'\0';
    return m_hText;
}

const wchar_t* CTextStore::Contiguous() {
    ContiguousHandle();
    return m_pBuf;
}

const wchar_t* CTextStore::ContiguousRange(int nStart, int nEnd) {
    nStart = std::clamp(nStart, 0, m_nLength);
    nEnd = std::clamp(nEnd, nStart, m_nLength);
    if (nStart < m_nGapStart && m_nGapStart < nEnd)
        MoveGap(m_nGapStart - nStart <= nEnd - m_nGapStart ? nStart : nEnd);
    return nStart < m_nGapStart || nStart == nEnd ? m_pBuf + nStart : m_pBuf + nStart + GapSize();
}

bool CTextStore::Adopt(HLOCAL hText, HLOCAL* phOld) {
    if (!hText)
        return false;
    auto* p = static_cast<wchar_t*>(::LocalLock(hText));
    if (!p)
        return false;
    const SIZE_T cbSize = ::LocalSize(hText);
    const SIZE_T nUnits = std::min<SIZE_T>(cbSize / sizeof(wchar_t), 0x7FFFFFFE);
    const wchar_t* pEnd = std::find(p, p + nUnits, L'\0');
    const int nLength = static_cast<int>(pEnd - p);
    int nCapacity = static_cast<int>(nUnits);
    if (nLength == nCapacity) {
        // No terminator inside the block: it grows by one character for it.
        ::LocalUnlock(hText);
        HLOCAL hGrown = ::LocalReAlloc(hText, (nUnits + 1) * sizeof(wchar_t), LMEM_MOVEABLE);
        if (!hGrown)
            return false;
        hText = hGrown;
        p = static_cast<wchar_t*>(::LocalLock(hText));
        if (!p)
            return false;
        p[nLength] = L'\0';
        ++nCapacity;
    }
    if (m_pBuf)
        ::LocalUnlock(m_hText);
    if (phOld)
        *phOld = m_hText;
    m_hText = hText;
    m_pBuf = p;
    m_nCapacity = nCapacity;
    m_nLength = nLength;
    m_nGapStart = nLength;
    RebuildLines();
    return true;
}

void CTextStore::RebuildLines() {
    m_starts.assign(1, 0);
    m_nStepLine = 0;
    m_nStepDelta = 0;
    // About one line in 80 characters; a guess that saves most reallocations of the index.
    m_starts.reserve(static_cast<size_t>(m_nLength / 80 + 16));
    for (int i = 0; i + 1 < m_nLength; ++i) {
        if (At(i) == kCr && At(i + 1) == kLf) {
            m_starts.push_back(i + 2);
            ++i;
        }
    }
}

void CTextStore::MoveStepTo(int nLine) {
    if (m_nStepDelta == 0) {
        m_nStepLine = nLine;
        return;
    }
    if (nLine > m_nStepLine) {
        for (int i = m_nStepLine + 1; i <= nLine; ++i)
            m_starts[i] += m_nStepDelta;
    } else {
        for (int i = nLine + 1; i <= m_nStepLine; ++i)
            m_starts[i] -= m_nStepDelta;
    }
    m_nStepLine = nLine;
}

int CTextStore::FirstLineStartingAtOrAfter(int nOffset) const {
    int lo = 0, hi = LineCount();
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (StoredStart(mid) < nOffset)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int CTextStore::LineFromOffset(int nOffset) const {
    if (nOffset >= m_nLength)
        return LineCount() - 1;
    return std::max(FirstLineStartingAtOrAfter(nOffset + 1) - 1, 0);
}

int CTextStore::LineStart(int nLine) const {
    if (nLine < 0 || nLine >= LineCount())
        return -1;
    return StoredStart(nLine);
}

int CTextStore::LineEnd(int nLine) const {
    if (nLine < 0 || nLine >= LineCount())
        return -1;
    return nLine + 1 < LineCount() ? StoredStart(nLine + 1) - 2 : m_nLength;
}

bool CTextStore::Replace(int nStart, int nEnd, const wchar_t* p, int n) {
    if (!m_pBuf)
        return false;
    nStart = std::clamp(nStart, 0, m_nLength);
    nEnd = std::clamp(nEnd, 0, m_nLength);
    if (nStart > nEnd)
        std::swap(nStart, nEnd);
    if (n < 0 || static_cast<long long>(m_nLength) - (nEnd - nStart) + n > 0x7FFFFFFE)
        return false;
    const int nNewLength = m_nLength - (nEnd - nStart) + n;
    if (!Reserve(nNewLength))
        return false;

    // Line starts that a CR LF touching the edit made (a pair from nStart - 1 to nEnd - 1) go,
    // and the pairs of the edited stretch come back after the edit.
    const int nFirst = FirstLineStartingAtOrAfter(nStart + 1);
    const int nLast = FirstLineStartingAtOrAfter(nEnd + 2); // exclusive
    const int nLineBefore = nFirst - 1;                     // line 0 always stays
    MoveStepTo(nLineBefore);

    MoveGap(nStart);
    m_nLength -= nEnd - nStart; // the removed characters join the gap
    if (n > 0)
        std::memcpy(m_pBuf + nStart, p, n * sizeof(wchar_t));
    m_nGapStart += n;
    m_nLength += n;

    std::vector<int> added;
    for (int i = std::max(nStart - 1, 0); i <= nStart + n - 1 && i + 1 < m_nLength; ++i) {
        if (At(i) == kCr && At(i + 1) == kLf)
            added.push_back(i + 2);
    }
    // Entries after the step are stored short by the pending delta.
    for (int& v : added)
        v -= m_nStepDelta;
    const auto itFirst = m_starts.begin() + nFirst;
    if (static_cast<size_t>(nLast - nFirst) == added.size()) {
        std::copy(added.begin(), added.end(), itFirst);
    } else {
        m_starts.erase(itFirst, m_starts.begin() + nLast);
        m_starts.insert(m_starts.begin() + nFirst, added.begin(), added.end());
    }
    MoveStepTo(nLineBefore + static_cast<int>(added.size()));
    m_nStepDelta += n - (nEnd - nStart);
    if (m_nStepLine >= LineCount() - 1) {
        m_nStepLine = LineCount() - 1;
        m_nStepDelta = 0;
    }
    return true;
}

bool CTextStore::IsExtender(unsigned cp) {
    return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x0483 && cp <= 0x0489) || (cp >= 0x0591 && cp <= 0x05BD) ||
           (cp >= 0x0610 && cp <= 0x061A) || (cp >= 0x064B && cp <= 0x065F) || (cp >= 0x1AB0 && cp <= 0x1AFF) ||
           (cp >= 0x1DC0 && cp <= 0x1DFF) || cp == 0x200D || (cp >= 0x20D0 && cp <= 0x20FF) ||
           (cp >= 0x302A && cp <= 0x302F) || cp == 0x3099 || cp == 0x309A || (cp >= 0xFE00 && cp <= 0xFE0F) ||
           (cp >= 0xFE20 && cp <= 0xFE2F) || (cp >= 0x1F3FB && cp <= 0x1F3FF) || (cp >= 0xE0100 && cp <= 0xE01EF);
}

bool CTextStore::IsBoundary(int nOffset) const {
    return IsBoundaryIn([this](int i) { return At(i); }, m_nLength, nOffset);
}

int CTextStore::NextBoundary(int nOffset) const {
    if (nOffset >= m_nLength)
        return m_nLength;
    int i = std::max(nOffset + 1, 1);
    while (i < m_nLength && !IsBoundary(i))
        ++i;
    return i;
}

int CTextStore::PrevBoundary(int nOffset) const {
    if (nOffset <= 0)
        return 0;
    int i = std::min(nOffset - 1, m_nLength);
    while (i > 0 && !IsBoundary(i))
        --i;
    return i;
}
