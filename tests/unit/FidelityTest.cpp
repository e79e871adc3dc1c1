// The open check and the save check over real converter runs: files that come back byte for byte
// pass, files that would not are caught with a reason and the place of the first difference, and
// the characters an encoding cannot hold are found exactly (CP932's extensions and half-width
// katakana are writable as Shift_JIS; emoji and lone surrogates are not).
#include <gtest/gtest.h>
#include <cwchar>
#include <string>
#include <vector>
#include "TestFiles.h"
#include "document/Fidelity.h"
#include "document/TextCodec.h"
#include "framework/Handles.h"

using namespace std::string_literals;

namespace {

// What the document does: decode with detection (or the forced encoding), keep the text up to the
// first NUL as the edit control would, and compare.
OpenCheckResult CheckBytes(const std::string& bytes, EncodingId requested = EncodingId::Unspecified,
                           EncodingId* pFound = nullptr) {
    EncodingId encoding = requested;
    LineEndingId lineEnding = LineEndingId::Unspecified;
    CLocalBlock block(DecodeFileBytes(bytes.data(), bytes.size(), encoding, lineEnding));
    size_t nDecoded = ::LocalSize(block.Get()) / 2 - 1;
    CLocalLock lock(block.Get());
    const wchar_t* pText = lock.As<wchar_t>();
    if (pFound)
        *pFound = encoding;
    return CheckOpenedText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), pText,
                           std::wcslen(pText), nDecoded, encoding, lineEnding);
}

std::string Read(const std::wstring& path) {
    std::vector<unsigned char> v = ReadAllBytes(path);
    return {v.begin(), v.end()};
}

struct Case {
    const char* name;
    std::string bytes;
    FidelityReason reason;
    int nLine, nColumn;
    EncodingId requested = EncodingId::Unspecified;
};

} // namespace

TEST(OpenCheck, EveryEncodingAndLineEndingComesBackIdentical) {
    for (int id = 0; id < kEncodingCount; ++id)
        for (int le = 0; le < kLineEndingCount; ++le) {
            std::wstring name = std::to_wstring(id) + L"-" + std::to_wstring(le) + L".txt";
            OpenCheckResult r = CheckBytes(Read(TestDataPath(L"roundtrip\\" + name)), static_cast<EncodingId>(id));
            EXPECT_FALSE(r.Differs()) << "roundtrip " << id << "-" << le << " reason " << static_cast<int>(r.reason)
                                      << " at " << r.nLine << ":" << r.nColumn;
        }
    EXPECT_FALSE(CheckBytes("").Differs());
    EXPECT_FALSE(CheckBytes("plain ascii\r\nlines\r\n").Differs());
}

TEST(OpenCheck, NamesTheReasonAndThePlaceOfTheFirstDifference) {
    const Case cases[] = {
        // The control stops at the NUL: everything after it would be lost.
        {"nul", "ab\r\ncd\0ef\r\n"s, FidelityReason::Nul, 2, 3},
        {"nul at the end", "abc\0"s, FidelityReason::Nul, 1, 4},
        // The first break decides; a later break of another kind is where it goes wrong.
        {"crlf then lf", "a\r\nbc\nd\r\n"s, FidelityReason::MixedLineBreaks, 2, 3},
        {"lf then crlf", "a\nbc\r\nd\n"s, FidelityReason::MixedLineBreaks, 2, 3},
        {"crlf then cr", "a\r\nb\rc"s, FidelityReason::MixedLineBreaks, 2, 2},
        {"cr then crlf", "a\rb\r\n"s, FidelityReason::MixedLineBreaks, 2, 2},
        // Read as UTF-8 on request: detection would take the bad sequence for another encoding.
        {"utf-8 bad sequence", "\xE3\x81\x82x\r\n\xE3\x81\x84\xC3(z"s, FidelityReason::InvalidBytes, 2, 2,
         EncodingId::Utf8N},
        // A bad trail byte: the file is still read as the Shift_JIS it is, wrong at that byte.
        // A stray byte at the start of a line is what is wrong there, not the line break after it.
        {"stray byte after a break", "\x82\xA0\r\n\xFF\r\n"s, FidelityReason::InvalidBytes, 2, 1},
        {"shift_jis bad trail byte", "\x82\xA0\x82\xA2\r\nx\x82\x0Ay"s, FidelityReason::InvalidBytes, 2, 2},
        {"iso-2022-jp ESC ( J", "\x1B$B$\"\x1B(Jabc"s, FidelityReason::EscapeSequence, 1, 2},
        // The character behind a single shift is left out: that is named, where it stood, even
        // after an escape sequence that is rewritten earlier in the file.
        {"iso-2022-jp single shift", "\x1B$B%I\x1B(B \x1B.A\x1BNW\n"s, FidelityReason::Dropped, 1, 3},
        {"single shift after ESC ( J", "\x1B(Jx\r\n\x1B$B$\"\x1B(B\x1B.A\x1BNab\r\n"s, FidelityReason::Dropped, 2, 2},
        {"after a lone cr", "a\r\x82\xA0\xED\x40"s, FidelityReason::Unrepresentable, 2, 2},
        {"cp932 duplicate code", "\x82\xA0\xED\x40"s, FidelityReason::Unrepresentable, 1, 2},
    };
    for (const Case& c : cases) {
        OpenCheckResult r = CheckBytes(c.bytes, c.requested);
        EXPECT_EQ(r.reason, c.reason) << c.name;
        EXPECT_EQ(r.nLine, c.nLine) << c.name;
        EXPECT_EQ(r.nColumn, c.nColumn) << c.name;
    }
}

TEST(OpenCheck, UnicodeFilesAreCheckedUnitByUnit) {
    // A lone surrogate in UTF-16 is not a character; the same with a pair comes back.
    EXPECT_FALSE(CheckBytes(std::string("\xFF\xFE"
                                        "A\0"
                                        "\x3D\xD8\x00\xDE"
                                        "B\0",
                                        10))
                     .Differs());
    OpenCheckResult r = CheckBytes(std::string("\xFF\xFE"
                                               "A\0\n\0"
                                               "B\0\r\0\n\0",
                                               12));
    EXPECT_EQ(r.reason, FidelityReason::MixedLineBreaks);
    EXPECT_EQ(r.nLine, 2);
    EXPECT_EQ(r.nColumn, 2);
    r = CheckBytes(std::string("\xFF\xFE\0\0"
                               "A\0\0\0"
                               "\0\xD8\0\0"
                               "B\0\0\0",
                               16));
    EXPECT_TRUE(r.Differs());
    EXPECT_EQ(r.reason, FidelityReason::InvalidBytes);
    EXPECT_EQ(r.nLine, 1);
    EXPECT_EQ(r.nColumn, 2);
}

TEST(SaveCheck, FindsExactlyWhatTheEncodingCannotHold) {
    // CP932's NEC and IBM extensions and half-width katakana are Shift_JIS as Windows writes it.
    UnencodableResult r = [] {
        std::wstring text = L"\u2460\u3231\u7E8A\uFF71\u3042abc\r\n\u00A5";
        return FindUnencodable(text.data(), text.size(), EncodingId::SjisAuto);
    }();
    EXPECT_EQ(r.nCount, 0u);

    std::wstring text = L"a\u3042\r\nx\U0001F600y\U0001F600\u00E9";
    r = FindUnencodable(text.data(), text.size(), EncodingId::SjisAuto);
    EXPECT_EQ(r.nCount, 3u) << "two emoji and an e with acute";
    EXPECT_EQ(r.chFirst, U'\U0001F600');
    EXPECT_FALSE(r.bFirstIsLoneSurrogate);
    EXPECT_EQ(r.nLine, 2);
    EXPECT_EQ(r.nColumn, 2);

    // The look-alikes Windows input methods type (U+FF5E and the like) are written as the JIS codes
    // Windows writes for them: no question, though they read back as the JIS characters. A zero
    // width no-break space inside the text is written by every encoding that has it.
    std::wstring lookAlikes = L"\uFF5E\u301C\uFF0D\u2212\u2225\uFFE0\uFFE1\uFFE2\u2015\uFFE4";
    for (EncodingId id : {EncodingId::SjisAuto, EncodingId::EucJp, EncodingId::Iso2022Jp})
        EXPECT_EQ(FindUnencodable(lookAlikes.data(), lookAlikes.size(), id).nCount, 0u) << static_cast<int>(id);
    std::wstring zwnbsp = L"a\uFEFFb";
    for (EncodingId id : {EncodingId::Utf8N, EncodingId::Utf8Bom, EncodingId::Utf16Le, EncodingId::Utf32BeBom})
        EXPECT_EQ(FindUnencodable(zwnbsp.data(), zwnbsp.size(), id).nCount, 0u) << static_cast<int>(id);

    for (EncodingId id : {EncodingId::Utf8N, EncodingId::Utf16LeBom, EncodingId::Utf32Be})
        EXPECT_EQ(FindUnencodable(text.data(), text.size(), id).nCount, 0u) << static_cast<int>(id);

    // Half a pair is written by no encoding, wherever it stands.
    std::wstring lone = L"ab\xD83D\r\n\xDE00z";
    for (EncodingId id : {EncodingId::Utf8N, EncodingId::Utf16Le, EncodingId::SjisAuto}) {
        r = FindUnencodable(lone.data(), lone.size(), id);
        EXPECT_EQ(r.nCount, 2u) << static_cast<int>(id);
        EXPECT_TRUE(r.bFirstIsLoneSurrogate);
        EXPECT_EQ(r.chFirst, 0xD83Du);
        EXPECT_EQ(r.nLine, 1);
        EXPECT_EQ(r.nColumn, 3);
    }
    EXPECT_EQ(FindUnencodable(nullptr, 0, EncodingId::SjisAuto).nCount, 0u);
}
