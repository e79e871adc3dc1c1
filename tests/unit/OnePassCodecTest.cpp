// Decoding and encoding take one converter pass into a block of an upper bound of the result; a
// result that outgrows the bound after all is converted again whole. Long work tells its progress
// only from half a second on.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "TestFiles.h"
#include "document/Converter.h"
#include "document/TextCodec.h"
#include "framework/File.h"
#include "framework/Handles.h"
#include "framework/Progress.h"
#include "res/resource.h"

namespace {

int g_nCalls = 0;

bool CountingConvert(void* pOut, size_t nCapacity, size_t* pnProduced, const void* pIn, size_t nInLength) {
    ++g_nCalls;
    return ConvertBuffer(pOut, nCapacity, pnProduced, pIn, nInLength);
}

// Writes three 'x' units for every input byte: more than any real decoding gives, so more than the
// bound the decoder allocates.
bool TripleConvert(void* pOut, size_t nCapacity, size_t* pnProduced, const void*, size_t nInLength) {
    ++g_nCalls;
    const size_t n = nInLength * 6;
    auto* p = static_cast<unsigned char*>(pOut);
    for (size_t i = 0; p && i < n && i < nCapacity; ++i)
        p[i] = i % 2 ? 0 : 'x';
    *pnProduced = n;
    return true;
}

class CConverterSwap {
public:
    explicit CConverterSwap(ConvertFunction pfn) : m_pfnPrevious(SetConvertFunction(pfn)) { g_nCalls = 0; }
    ~CConverterSwap() { SetConvertFunction(m_pfnPrevious); }
    CConverterSwap(const CConverterSwap&) = delete;
    CConverterSwap& operator=(const CConverterSwap&) = delete;

private:
    ConvertFunction m_pfnPrevious;
};

std::wstring BlockText(const CLocalBlock& block, size_t nUnits) {
    CLocalLock lock(block.Get());
    return std::wstring(lock.As<wchar_t>(), nUnits);
}

struct Shown {
    UINT nTextId;
    int nPercent;
};
std::vector<Shown> g_shown;
void RecordShown(CFrameWnd*, UINT nTextId, int nPercent) {
    g_shown.push_back({nTextId, nPercent});
}

} // namespace

// Shift_JIS with LF breaks (each break gains a CR), read and written back: one conversion each way,
// and the bytes come back.
TEST(OnePassCodec, DecodingAndEncodingTakeOneConversionEach) {
    std::string bytes;
    for (int i = 0; i < 2000; ++i)
        bytes += "\x82\xa0\x82\xa2 line " + std::to_string(i) + "\n\n\x8a\xbf\x8e\x9a\n";
    CConverterSwap swap(CountingConvert);
    EncodingId encoding = EncodingId::Unspecified;
    LineEndingId lineEnding = LineEndingId::Unspecified;
    size_t nUnits = 0;
    CLocalBlock text = DecodeFileBytes(bytes.data(), bytes.size(), encoding, lineEnding, nullptr, &nUnits);
    EXPECT_EQ(g_nCalls, 1);
    EXPECT_EQ(encoding, EncodingId::SjisAuto);
    EXPECT_EQ(lineEnding, LineEndingId::Lf);
    EXPECT_EQ(::LocalSize(text.Get()), nUnits * 2 + 2); // what the bound left over went back
    const std::wstring decoded = BlockText(text, nUnits);
    EXPECT_EQ(decoded.substr(0, 13), L"\u3042\u3044 line 0\r\n\r\n");
    EXPECT_LE(nUnits * 2, DecodedBound(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));

    CTempDir dir;
    const std::wstring path = dir.File(L"back.txt");
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        EncodeTextToFile(decoded.c_str(), decoded.size(), encoding, lineEnding, file);
    }
    EXPECT_EQ(g_nCalls, 2);
    const std::vector<unsigned char> back = ReadAllBytes(path);
    EXPECT_EQ(std::string(back.begin(), back.end()), bytes);
}

// A converter whose result outgrows the bound: converted once more into a block of the exact size,
// and nothing of it is lost.
TEST(OnePassCodec, AResultOutgrowingItsBoundIsConvertedAgainWhole) {
    const std::string bytes(1000, 'a');
    CConverterSwap swap(TripleConvert);
    EncodingId encoding = EncodingId::Unspecified;
    LineEndingId lineEnding = LineEndingId::Unspecified;
    size_t nUnits = 0;
    CLocalBlock text = DecodeFileBytes(bytes.data(), bytes.size(), encoding, lineEnding, nullptr, &nUnits);
    EXPECT_EQ(g_nCalls, 2);
    ASSERT_EQ(nUnits, 3000u);
    EXPECT_EQ(BlockText(text, nUnits + 1), std::wstring(3000, L'x') + L'\0');
}

// Nothing is shown for the first half second; then the phase and percent, a new phase at once, the
// same phase's percent at most every 100 ms.
TEST(OnePassCodec, ProgressShowsFromHalfASecondOn) {
    g_shown.clear();
    CProgress::ShowFunction previous = CProgress::SetShowFunction(RecordShown);
    {
        CProgress progress(nullptr);
        const ULONGLONG nStart = ::GetTickCount64();
        progress.Step(IDS_PROGRESS_READING, 1, 10);
        if (::GetTickCount64() - nStart < CProgress::kDelayMs) {
            EXPECT_TRUE(g_shown.empty());
        }
        while (::GetTickCount64() - nStart <= CProgress::kDelayMs)
            progress.Step(IDS_PROGRESS_READING, 2, 10);
        progress.Step(IDS_PROGRESS_READING, 3, 10);
        ASSERT_FALSE(g_shown.empty());
        EXPECT_EQ(g_shown.back().nTextId, static_cast<UINT>(IDS_PROGRESS_READING));
        const size_t nAfterFirst = g_shown.size();
        progress.Step(IDS_PROGRESS_DECODING, 0, 10);
        ASSERT_EQ(g_shown.size(), nAfterFirst + 1);
        EXPECT_EQ(g_shown.back().nTextId, static_cast<UINT>(IDS_PROGRESS_DECODING));
        EXPECT_EQ(g_shown.back().nPercent, 0);
        const ULONGLONG nShownAt = ::GetTickCount64();
        progress.Step(IDS_PROGRESS_DECODING, 5, 10);
        if (::GetTickCount64() - nShownAt < CProgress::kRefreshMs) {
            EXPECT_EQ(g_shown.size(), nAfterFirst + 1);
        }
        while (::GetTickCount64() - nShownAt <= CProgress::kRefreshMs) {
        }
        progress.Step(IDS_PROGRESS_DECODING, 7, 10);
        EXPECT_EQ(g_shown.back().nPercent, 70);
        EXPECT_TRUE(progress.Shown());
    }
    CProgress::SetShowFunction(previous);
}
