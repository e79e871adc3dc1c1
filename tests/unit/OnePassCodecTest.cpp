// Decoding and encoding take one converter pass into a block of an upper bound of the result; a
// result that outgrows the bound after all is converted again whole. Long work tells its progress
// only from half a second on.
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include "TestFiles.h"
#include "document/Converter.h"
#include "document/Fidelity.h"
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

// DecodeFileBytes with detection asked for (or the encoding requested).
struct Decoded {
    CLocalBlock text;
    EncodingId encoding = EncodingId::Unspecified;
    LineEndingId lineEnding = LineEndingId::Unspecified;
    size_t nUnits = 0;
};
Decoded DecodeBytes(const std::string& bytes, EncodingId requested = EncodingId::Unspecified) {
    Decoded d;
    d.encoding = requested;
    d.text = DecodeFileBytes(bytes.data(), bytes.size(), d.encoding, d.lineEnding, nullptr, &d.nUnits);
    return d;
}

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
    auto [text, encoding, lineEnding, nUnits] = DecodeBytes(bytes);
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
    const Decoded decoded = DecodeBytes(bytes);
    const size_t nUnits = decoded.nUnits;
    const CLocalBlock& text = decoded.text;
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

namespace {

std::string EncodeForTest(const std::wstring& text, EncodingId encoding, LineEndingId lineEnding) {
    size_t n = 0;
    SetConversionOptions(EncodeOptions(encoding, lineEnding).c_str());
    EXPECT_TRUE(ConvertBuffer(nullptr, 0, &n, text.data(), text.size() * 2));
    std::string bytes(n, '\0');
    SetConversionOptions(EncodeOptions(encoding, lineEnding).c_str());
    EXPECT_TRUE(ConvertBuffer(bytes.data(), n, &n, text.data(), text.size() * 2));
    bytes.resize(n);
    return bytes;
}

} // namespace

// A large file is decoded and checked in two halves at once. Random files in Shift_JIS, EUC-JP and
// UTF-8, some with a trap for the cut (a line break of another kind or a byte no decoder takes in
// the second half, a byte-order mark at the cut, a first half of ASCII only, a four-byte character,
// an escape): the halves give the text, encoding and line ending of one pass over the whole file
// and the whole file comes back, or they decline. A clean file (one encoding, one kind of line
// break, CR LF or LF) that comes back whole is never declined.
TEST(OnePassCodec, HalvesGiveWhatTheWholeFileGivesOrDecline) {
    std::mt19937 rng(20261209);
    // Half-width katakana at the start of the second half can make its own guess change its mind
    // (it declines then); without them every clean file is cut.
    const std::wstring kPool = L"abcxyz 0129.,()\u3042\u3044\u3046\u3093\u30a2\u30ab\u30f3\u65e5\u672c"
                               L"\u8a9e\u6f22\u5b57\u6587\u66f8\uff21\u2460\u3001\u3002\u300c\u300d";
    const std::wstring kHalfWidth = L"\uff71\uff9e\uff61";
    const EncodingId kEncodings[] = {EncodingId::SjisAuto, EncodingId::EucJp, EncodingId::Utf8N, EncodingId::Utf8Bom};
    const LineEndingId kBreaks[] = {LineEndingId::Crlf, LineEndingId::Lf, LineEndingId::Cr};
    int nClean = 0, nCleanHalved = 0, nHalved = 0;
    for (int round = 0; round < 160; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const EncodingId encoding = kEncodings[rng() % 4];
        const LineEndingId lineEnding = kBreaks[rng() % 3];
        const bool bUtf8 = encoding == EncodingId::Utf8N || encoding == EncodingId::Utf8Bom;
        const int trap = static_cast<int>(rng() % 10); // 0-4: none
        const bool bHalfWidth = rng() % 2;
        const std::wstring pool = bHalfWidth ? kPool + kHalfWidth : kPool;
        std::wstring text;
        const size_t nLines = 2 + rng() % 300;
        for (size_t i = 0; i < nLines; ++i) {
            const bool bAscii = trap == 5 && i < nLines / 2;
            for (size_t k = rng() % 90; k-- > 0;)
                text += bAscii ? L"ab c"[rng() % 4] : pool[rng() % pool.size()];
            text += L"\r\n";
        }
        if (trap == 6 && bUtf8)
            text.insert(rng() % text.size(), L"\U0001F600");
        std::string bytes = EncodeForTest(text, encoding, lineEnding);
        const size_t nHalf = bytes.size() / 2;
        if (trap == 7 && nHalf > 0) // a line break of another kind in the second half
            bytes.insert(nHalf + rng() % nHalf, lineEnding == LineEndingId::Lf ? "\r\n" : "\n");
        if (trap == 8 && nHalf > 0) { // a mark at the cut, or a byte no decoder takes
            const size_t nLf = bytes.find('\n', nHalf);
            if (bUtf8 && nLf != std::string::npos && rng() % 2)
                bytes.insert(nLf + 1, "\xEF\xBB\xBF");
            else
                bytes[nHalf + rng() % nHalf] = static_cast<char>(rng() % 2 ? 0xFF : 0x80);
        }
        if (trap == 9)
            bytes.insert(rng() % (bytes.size() + 1), "\x1B$B");
        const EncodingId requested = rng() % 4 ? EncodingId::Unspecified : encoding;

        EncodingId halvesEncoding = requested;
        LineEndingId halvesBreak = LineEndingId::Unspecified;
        size_t nHalves = 0;
        CLocalBlock halves =
            DecodeCheckedInHalves(bytes.data(), bytes.size(), halvesEncoding, halvesBreak, nullptr, &nHalves, 0);
        const Decoded whole = DecodeBytes(bytes, requested);
        const EncodingId wholeEncoding = whole.encoding;
        const LineEndingId wholeBreak = whole.lineEnding;
        const std::wstring wholeText = BlockText(whole.text, whole.nUnits);
        const bool bWholeComesBack =
            !CheckOpenedText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), wholeText.c_str(),
                             wholeText.size(), wholeText.size(), wholeEncoding, wholeBreak)
                 .Differs();
        if (trap < 5 && lineEnding != LineEndingId::Cr && !bHalfWidth && bWholeComesBack) {
            ++nClean;
            nCleanHalved += halves ? 1 : 0;
            EXPECT_TRUE(halves) << "encoding " << static_cast<int>(encoding) << ", " << bytes.size() << " bytes";
        }
        if (!halves) {
            EXPECT_EQ(halvesEncoding, requested);
            continue;
        }
        ++nHalved;
        EXPECT_EQ(BlockText(halves, nHalves + 1), wholeText + L'\0');
        EXPECT_EQ(halvesEncoding, wholeEncoding);
        EXPECT_EQ(halvesBreak, wholeBreak);
        EXPECT_TRUE(bWholeComesBack);
    }
    EXPECT_EQ(nCleanHalved, nClean);
    EXPECT_GT(nClean, 20);
    std::printf("%d of 160 files opened in halves\n", nHalved);
}
