// The text control's store against a std::wstring reference: random replacements over an alphabet
// rich in CR, LF, CR LF, surrogate halves and combining marks, checking the text, the contiguous
// block, every line start, the line of every offset, and that no boundary splits a character.
// --seed=N --steps=N run it longer.
#include "TestMain.h"
#include "view/TextStore.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<int> ReferenceLineStarts(const std::wstring& s) {
    std::vector<int> starts{0};
    for (size_t i = 0; i + 1 < s.size(); ++i)
        if (s[i] == L'\r' && s[i + 1] == L'\n')
            starts.push_back(static_cast<int>(i + 2));
    return starts;
}

bool High(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool Low(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Where a caret must not stand: inside a pair, inside CR LF, before a combining mark that follows
// an ordinary character.
bool MustNotSplit(const std::wstring& s, size_t i) {
    if (i == 0 || i >= s.size())
        return false;
    if ((s[i - 1] == L'\r' && s[i] == L'\n') || (High(s[i - 1]) && Low(s[i])))
        return true;
    const bool bMark = (s[i] >= 0x0300 && s[i] <= 0x036F) || s[i] == 0x3099 || (s[i] >= 0xFE00 && s[i] <= 0xFE0F);
    return bMark && s[i - 1] != L'\r' && s[i - 1] != L'\n';
}

std::wstring RandomPiece(std::mt19937& rng, int nMax) {
    static const std::wstring pieces[] = {L"a", L"b", L"あ", L"\r\n", L"\r", L"\n", L"\t", L"\xD83D\xDE00", L"\xD83D",
                                          L"\xDE00", L"\x0301", L"\x3099", L"\xFE0F", L"\r\n\r\n", L"xyz"};
    std::wstring s;
    int n = std::uniform_int_distribution<int>(0, nMax)(rng);
    for (int i = 0; i < n; ++i)
        s += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(rng)];
    return s;
}

void ExpectSame(CTextStore& store, const std::wstring& ref) {
    ASSERT_EQ(store.Length(), static_cast<int>(ref.size()));
    ASSERT_EQ(store.Text(), ref);
    const std::vector<int> starts = ReferenceLineStarts(ref);
    ASSERT_EQ(store.LineCount(), static_cast<int>(starts.size()));
    for (size_t l = 0; l < starts.size(); ++l) {
        ASSERT_EQ(store.LineStart(static_cast<int>(l)), starts[l]) << "line " << l;
        const int nEnd = l + 1 < starts.size() ? starts[l + 1] - 2 : static_cast<int>(ref.size());
        ASSERT_EQ(store.LineEnd(static_cast<int>(l)), nEnd) << "line " << l;
    }
    EXPECT_EQ(store.LineStart(-1), -1);
    EXPECT_EQ(store.LineStart(static_cast<int>(starts.size())), -1);
    size_t line = 0;
    for (size_t i = 0; i <= ref.size(); ++i) {
        while (line + 1 < starts.size() && starts[line + 1] <= static_cast<int>(i))
            ++line;
        ASSERT_EQ(store.LineFromOffset(static_cast<int>(i)), static_cast<int>(line)) << "offset " << i;
        if (MustNotSplit(ref, i)) {
            ASSERT_FALSE(store.IsBoundary(static_cast<int>(i))) << "offset " << i;
        }
    }
    EXPECT_EQ(store.LineFromOffset(static_cast<int>(ref.size()) + 5), static_cast<int>(starts.size()) - 1);
}

HLOCAL MakeBlock(const std::wstring& text, size_t nExtra) {
    HLOCAL h = ::LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, (text.size() + nExtra) * sizeof(wchar_t));
    auto* p = static_cast<wchar_t*>(::LocalLock(h));
    std::memcpy(p, text.data(), text.size() * sizeof(wchar_t));
    ::LocalUnlock(h);
    return h;
}

} // namespace

TEST(TextStoreTest, RandomEditsAgreeWithAStringReference) {
    std::mt19937 rng(g_testRun.seed);
    const int nSteps = g_testRun.steps > 0 ? g_testRun.steps : 3000;
    CTextStore store;
    ASSERT_TRUE(store.IsValid());
    std::wstring ref;
    for (int step = 0; step < nSteps; ++step) {
        SCOPED_TRACE("step " + std::to_string(step) + " seed " + std::to_string(g_testRun.seed));
        const int nLen = static_cast<int>(ref.size());
        int s = std::uniform_int_distribution<int>(0, nLen)(rng);
        int e = std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? std::uniform_int_distribution<int>(0, nLen)(rng)
                                                                     : std::min(nLen, s + static_cast<int>(rng() % 4));
        // Texts grow to a few hundred characters, then shrink now and then.
        std::wstring piece = RandomPiece(rng, ref.size() > 400 ? 2 : 6);
        ASSERT_TRUE(store.Replace(s, e, piece.c_str(), static_cast<int>(piece.size())));
        if (s > e)
            std::swap(s, e);
        ref.replace(static_cast<size_t>(s), static_cast<size_t>(e - s), piece);
        if (step % 7 == 0 || ref.size() < 40) {
            ExpectSame(store, ref);
        } else {
            // Cheap checks in between: a few random offsets.
            for (int k = 0; k < 3; ++k) {
                int i = std::uniform_int_distribution<int>(0, static_cast<int>(ref.size()))(rng);
                std::vector<int> starts = ReferenceLineStarts(ref);
                int line = static_cast<int>(std::upper_bound(starts.begin(), starts.end(), i) - starts.begin()) - 1;
                ASSERT_EQ(store.LineFromOffset(i), line);
                ASSERT_EQ(store.LineStart(line), starts[line]);
            }
        }
        {
            // A range read in one piece agrees wherever the gap stands, and the rest stays whole.
            const int nLen2 = static_cast<int>(ref.size());
            int a = std::uniform_int_distribution<int>(-2, nLen2 + 2)(rng);
            int b = std::uniform_int_distribution<int>(a, nLen2 + 4)(rng);
            const int ca = std::clamp(a, 0, nLen2), cb = std::clamp(b, ca, nLen2);
            ASSERT_EQ(std::wstring(store.ContiguousRange(a, b), static_cast<size_t>(cb - ca)),
                      ref.substr(static_cast<size_t>(ca), static_cast<size_t>(cb - ca)));
        }
        if (step % 50 == 0) {
            const wchar_t* p = store.Contiguous();
            ASSERT_EQ(std::wstring(p), ref.substr(0, ref.find(L'\0')));
            ASSERT_EQ(p[ref.size()], L'\0');
            // The handle gives the same block, locked as a caller would.
            HLOCAL h = store.ContiguousHandle();
            auto* q = static_cast<const wchar_t*>(::LocalLock(h));
            ASSERT_NE(q, nullptr);
            EXPECT_EQ(std::wstring(q, ref.size()), ref);
            ::LocalUnlock(h);
        }
        if (ref.size() > 600) {
            // Empty it now and then through one large replacement.
            ASSERT_TRUE(store.Replace(0, static_cast<int>(ref.size()), L"", 0));
            ref.clear();
        }
    }
    ExpectSame(store, ref);
}

TEST(TextStoreTest, AdoptsABlockWithoutACopyAndGivesTheOldOneBack) {
    CTextStore store;
    ASSERT_TRUE(store.Replace(0, 0, L"old", 3));
    const HLOCAL hFirst = store.ContiguousHandle();

    // A block with room: adopted as it is, the same handle, edits go into its spare room.
    const std::wstring text = L"一行目\r\n二行目\r\n\r\nlast";
    HLOCAL hText = MakeBlock(text, 1);
    HLOCAL hOld = nullptr;
    ASSERT_TRUE(store.Adopt(hText, &hOld));
    EXPECT_EQ(hOld, hFirst);
    ::LocalFree(hOld);
    EXPECT_EQ(store.ContiguousHandle(), hText);
    ExpectSame(store, text);
    ASSERT_TRUE(store.Replace(3, 3, L"!", 1));
    ExpectSame(store, L"一行目!\r\n二行目\r\n\r\nlast");

    // A block without a terminator: every character is text, and the block grows for the NUL.
    const std::wstring full = L"ab\r\ncd";
    HLOCAL hFull = MakeBlock(full, 0);
    ASSERT_TRUE(store.Adopt(hFull, &hOld));
    ::LocalFree(hOld);
    ExpectSame(store, full);
    EXPECT_EQ(std::wstring(store.Contiguous()), full);

    // A block that cannot be locked is refused, and the text stays.
    EXPECT_FALSE(store.Adopt(nullptr, &hOld));
    ExpectSame(store, full);
}

TEST(TextStoreTest, LargeTextsGrowAndKeepTheirLines) {
    // Tens of thousands of lines, edited at both ends and in the middle: the pending shift of the
    // line index must follow edits that jump around.
    std::wstring ref;
    for (int i = 0; i < 20000; ++i)
        ref += L"line " + std::to_wstring(i) + L"\r\n";
    CTextStore store;
    ASSERT_TRUE(store.Replace(0, 0, ref.c_str(), static_cast<int>(ref.size())));
    std::mt19937 rng(g_testRun.seed + 1);
    for (int k = 0; k < 200; ++k) {
        int s = static_cast<int>(rng() % (ref.size() + 1));
        int e = std::min(static_cast<int>(ref.size()), s + static_cast<int>(rng() % 8));
        std::wstring piece = (k % 3 == 0) ? L"\r\n" : (k % 3 == 1 ? L"" : L"x\r");
        ASSERT_TRUE(store.Replace(s, e, piece.c_str(), static_cast<int>(piece.size())));
        ref.replace(static_cast<size_t>(s), static_cast<size_t>(e - s), piece);
        int probe = static_cast<int>(rng() % (ref.size() + 1));
        std::vector<int> starts = ReferenceLineStarts(ref);
        int line = static_cast<int>(std::upper_bound(starts.begin(), starts.end(), probe) - starts.begin()) - 1;
        ASSERT_EQ(store.LineFromOffset(probe), line) << "edit " << k;
        ASSERT_EQ(store.LineCount(), static_cast<int>(starts.size()));
    }
    ExpectSame(store, ref);
}

TEST(TextStoreTest, BoundariesKeepCharactersWhole) {
    CTextStore store;
    // e + acute, a smiley, CR LF, ka + voicing mark, a heart with its emoji selector.
    const std::wstring text = L"e\x0301\xD83D\xDE00\r\nか\x3099\x2764\xFE0Fz";
    ASSERT_TRUE(store.Replace(0, 0, text.c_str(), static_cast<int>(text.size())));
    std::vector<int> forward{0};
    for (int p = 0; p < store.Length();)
        forward.push_back(p = store.NextBoundary(p));
    EXPECT_EQ(forward, (std::vector<int>{0, 2, 4, 6, 8, 10, 11}));
    std::vector<int> backward{store.Length()};
    for (int p = store.Length(); p > 0;)
        backward.push_back(p = store.PrevBoundary(p));
    EXPECT_EQ(backward, (std::vector<int>{11, 10, 8, 6, 4, 2, 0}));
    EXPECT_EQ(store.FloorBoundary(3), 2);
    EXPECT_EQ(store.CeilBoundary(3), 4);
    // A mark at the start of a line has nothing to attach to: it is a character of its own.
    ASSERT_TRUE(store.Replace(0, static_cast<int>(text.size()), L"\r\n\x0301", 3));
    EXPECT_TRUE(store.IsBoundary(2));
}
