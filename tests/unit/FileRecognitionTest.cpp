// Real files that the converter alone misreads: UTF-16 and UTF-32 without a mark, UTF-8 opening
// with a four-byte character, files with a stray byte, JIS X 0212 in EUC-JP, and text holding
// half a surrogate pair. Each must open as what it is and be written back without losing text.
// And files whose text would not fit in memory, which are refused.
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include "TestFiles.h"
#include "TestMain.h"
#include "document/Converter.h"
#include "document/TextCodec.h"
#include "framework/File.h"
#include "framework/Exception.h"
#include "framework/Handles.h"
#include "res/resource.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Opened {
    std::wstring text;
    EncodingId encoding;
    LineEndingId lineEnding;
};

Opened Open(const CTempDir& dir, const Bytes& bytes, EncodingId requested = EncodingId::Unspecified) {
    std::wstring path = dir.File(L"in.txt");
    WriteAllBytes(path, bytes);
    CFile file(path, CFile::modeRead | CFile::shareDenyWrite);
    Opened o{L"", requested, LineEndingId::Unspecified};
    CLocalBlock block(DecodeFileText(file, o.encoding, o.lineEnding));
    CLocalLock lock(block.Get());
    o.text = lock.As<wchar_t>();
    return o;
}

Bytes Save(const CTempDir& dir, const std::wstring& text, EncodingId encoding, LineEndingId lineEnding) {
    std::wstring path = dir.File(L"out.txt");
    {
        CFile file(path, CFile::modeWrite | CFile::modeCreate);
        EncodeTextToFile(text.data(), text.size(), encoding, lineEnding, file);
    }
    return ReadAllBytes(path);
}

Bytes FromString(const std::string& s) {
    return {s.begin(), s.end()};
}

// UTF-16 or UTF-32 code units of the text, in the given width and byte order, without a mark.
Bytes Units(const std::u32string& text, size_t width, bool bigEndian) {
    Bytes out;
    auto put = [&](uint32_t unit) {
        for (size_t k = 0; k < width; ++k)
            out.push_back(static_cast<unsigned char>(unit >> (8 * (bigEndian ? width - 1 - k : k))));
    };
    for (char32_t c : text) {
        if (width == 2 && c > 0xFFFF) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

std::wstring Wide(const std::u32string& text) {
    std::wstring out;
    for (char32_t c : text) {
        if (c > 0xFFFF) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

// The text as the editor holds it: every line break CR LF.
std::wstring WithCrLf(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\r')
            continue;
        if (c == L'\n')
            out += L'\r';
        out += c;
    }
    return out;
}

bool IsUtf16Or32(EncodingId id) {
    return id >= EncodingId::Utf16BeBom && id <= EncodingId::Utf32Le;
}

} // namespace

// Without a mark nkf takes UTF-16 and UTF-32 for binary and stops at the first NUL. Texts of
// Japanese alone hold few zero bytes in UTF-16 (only in line breaks and ASCII, and in U+3000 at
// the other position); UTF-32 holds them in every unit. A few such texts, then random ones
// (--seed and --steps lengthen the run), in the four forms, come back whole; each in UTF-8 with
// one stray NUL is never taken for them.
TEST(FileRecognition, UnmarkedUtf16AndUtf32OpenAsWhatTheyAreAndSaveIdentical) {
    CTempDir dir;
    std::vector<std::u32string> texts = {
        U"日本語だけの行\n二行目も日本語\n三行目\n",
        U"一　二　三\r\n全角空白と「一」\r\n",        // zeros in both bytes of the units
        U"ASCII and 日本語, 𠮷野家 and 😀\nlast line", // surrogate pairs
        U"abc",                                       // one line without a break
    };
    std::mt19937 rng(g_testRun.seed);
    auto pick = [&](char32_t lo, char32_t hi) { return static_cast<char32_t>(lo + rng() % (hi - lo + 1)); };
    for (int r = 0, rounds = g_testRun.steps > 0 ? g_testRun.steps : 30; r < rounds; ++r) {
        std::u32string text;
        for (int line = 0, lines = 2 + static_cast<int>(rng() % 6); line < lines; ++line) {
            for (int i = 0, length = static_cast<int>(rng() % 40); i < length; ++i) {
                switch (rng() % 6) {
                case 0: text += pick(0x3041, 0x3093); break;
                case 1: text += pick(0x30A1, 0x30F3); break;
                case 2: text += pick(0x4E00, 0x9FA0); break;
                case 3: text += pick(0x20, 0x7E); break;
                case 4: text += rng() % 8 ? pick(0x3000, 0x3002) : pick(0x1F600, 0x1F64F); break;
                default: text += pick(0x4E00, 0x4E10); break;
                }
            }
            text += U'\n';
        }
        texts.push_back(text);
    }
    for (size_t t = 0; t < texts.size(); ++t) {
        SCOPED_TRACE(testing::Message() << "text " << t << " of seed " << g_testRun.seed);
        std::wstring wide = Wide(texts[t]);
        for (auto [width, bigEndian, id] :
             {std::tuple{2, false, EncodingId::Utf16Le}, std::tuple{2, true, EncodingId::Utf16Be},
              std::tuple{4, false, EncodingId::Utf32Le}, std::tuple{4, true, EncodingId::Utf32Be}}) {
            Bytes bytes = Units(texts[t], width, bigEndian);
            Opened o = Open(dir, bytes);
            EXPECT_EQ(o.encoding, id);
            EXPECT_EQ(o.lineEnding, wide.find(L"\r\n") == std::wstring::npos && wide.find(L'\n') != std::wstring::npos
                                        ? LineEndingId::Lf
                                        : LineEndingId::Crlf);
            EXPECT_EQ(o.text, WithCrLf(wide));
            EXPECT_TRUE(Save(dir, o.text, o.encoding, o.lineEnding) == bytes);
        }
        Bytes utf8 = Save(dir, WithCrLf(wide), EncodingId::Utf8N, LineEndingId::Lf);
        utf8.insert(utf8.begin() + static_cast<ptrdiff_t>(rng() % (utf8.size() + 1)), 0);
        EXPECT_FALSE(IsUtf16Or32(Open(dir, utf8).encoding));
    }
    // The detection code names the family and the first line break.
    Bytes le = Units(U"日本\r\n", 2, false);
    SetConversionOptions(DecodeOptions(EncodingId::Unspecified).c_str());
    size_t produced = 0;
    ASSERT_TRUE(ConvertBuffer(nullptr, 0, &produced, le.data(), le.size()));
    EXPECT_EQ(GetDetectionCode(), 64 + 3);
    EXPECT_EQ(produced, 8u);
    // A forced byte encoding is not second-guessed.
    EXPECT_EQ(Open(dir, le, EncodingId::Utf8N).encoding, EncodingId::Utf8N);
}

// A text in Shift_JIS or UTF-8 never holds a zero byte, but a damaged one may: wherever one stray
// NUL lands, the file is not taken for UTF-16 or UTF-32, and between lines it changes nothing.
TEST(FileRecognition, StrayNulDoesNotMakeUtf16) {
    CTempDir dir;
    const Bytes sjisFixture = ReadAllBytes(TestDataPath(L"roundtrip/0-1.txt"));
    const Bytes utf8Fixture = ReadAllBytes(TestDataPath(L"roundtrip/4-1.txt"));
    for (const Bytes* fixture : {&sjisFixture, &utf8Fixture}) {
        // The first three lines.
        Bytes text;
        for (size_t i = 0, lines = 0; i < fixture->size() && lines < 3; ++i) {
            text.push_back((*fixture)[i]);
            lines += (*fixture)[i] == '\n';
        }
        EncodingId clean = Open(dir, text).encoding;
        ASSERT_EQ(clean, fixture == &sjisFixture ? EncodingId::SjisAuto : EncodingId::Utf8N);
        for (size_t at = 0; at <= text.size(); ++at) {
            Bytes damaged = text;
            damaged.insert(damaged.begin() + static_cast<ptrdiff_t>(at), 0);
            SCOPED_TRACE(testing::Message() << "NUL at byte " << at << " of " << text.size());
            Opened o = Open(dir, damaged);
            EXPECT_FALSE(IsUtf16Or32(o.encoding));
            if (at == 0 || text[at - 1] == '\n') {
                EXPECT_EQ(o.encoding, clean);
            }
        }
    }
}

// nkf weighs the first characters of a file and took UTF-8 that opens with a four-byte character
// for Shift_JIS or ISO-2022-JP; Save then wrote garbage.
TEST(FileRecognition, Utf8OpeningWithFourByteCharacterIsUtf8) {
    CTempDir dir;
    for (const char* text :
         {"\xF0\x9F\x98\x80\n", "\xF0\xA0\xAE\xB7\xE9\x87\x8E\xE5\xAE\xB6\r\n",
          "\xF0\x9F\x98\x80 \xE7\xB5\xB5\xE6\x96\x87\xE5\xAD\x97\xE3\x81\xAE\xE3\x83\x86"
          "\xE3\x82\xB9\xE3\x83\x88\n\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF\n"}) {
        SCOPED_TRACE(text);
        Bytes bytes = FromString(text);
        Opened o = Open(dir, bytes);
        EXPECT_EQ(o.encoding, EncodingId::Utf8N);
        EXPECT_TRUE(Save(dir, o.text, o.encoding, o.lineEnding) == bytes);
    }
    Opened o = Open(dir, FromString("\xF0\xA0\xAE\xB7\xE9\x87\x8E\xE5\xAE\xB6"));
    EXPECT_EQ(o.text, L"𠮷野家");
}

// A stray byte makes nkf's guess change its mind, and its last guess was shown: a Shift_JIS file
// ending in one 0xFF was labelled ISO-2022-JP and saved as 48 bytes of escapes. The label is the
// encoding that decoded the text, and saving keeps everything but the stray byte.
TEST(FileRecognition, StrayByteKeepsTheEncodingThatReadTheText) {
    CTempDir dir;
    // 「日本語のテキストです。」 CR LF, "abcdefgh" CR LF, 0xFF CR LF in Shift_JIS: 37 bytes.
    const std::string sjis = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\x82\xC5\x82\xB7"
                             "\x81\x42\r\nabcdefgh\r\n";
    Bytes bytes = FromString(sjis + "\xFF\r\n");
    ASSERT_EQ(bytes.size(), 37u);
    Opened o = Open(dir, bytes);
    EXPECT_EQ(o.encoding, EncodingId::SjisAuto);
    EXPECT_EQ(o.lineEnding, LineEndingId::Crlf);
    EXPECT_EQ(o.text.substr(0, 13), L"日本語のテキストです。\r\n");
    EXPECT_TRUE(Save(dir, o.text, o.encoding, o.lineEnding) == FromString(sjis + "\r\n"));

    // The same in EUC-JP and in UTF-8 (where nkf's decoder also swallows the byte after the stray
    // one).
    const std::string euc = "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\r\n";
    o = Open(dir, FromString(euc + "\xFF\r\n"));
    EXPECT_EQ(o.encoding, EncodingId::EucJp);
    EXPECT_TRUE(Save(dir, o.text, o.encoding, o.lineEnding) == FromString(euc + "\r\n"));
    const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9"
                             "\xE3\x83\x88\n";
    o = Open(dir, FromString(utf8 + "\xFF\n"));
    EXPECT_EQ(o.encoding, EncodingId::Utf8N);
    EXPECT_EQ(o.text.substr(0, 10), L"日本語のテキスト\r\n");
}

// nkf's -e output left out JIS X 0212 (8F xx xx) characters, which it reads: a README lost its ©.
TEST(FileRecognition, EucJisX0212IsWrittenBack) {
    CTempDir dir;
    // ō ū © ¦ ¡ ¿ Ā ǎ 丂 龥, then the JIS X 0208 あ, each followed by a blank.
    const std::string x0212 = "\x8F\xAB\xD7 \x8F\xAB\xE9 \x8F\xA2\xED \x8F\xA2\xC3 \x8F\xA2\xC2 \x8F\xA2\xC4 "
                              "\x8F\xAA\xA7 \x8F\xAB\xA6 \x8F\xB0\xA1 \x8F\xED\xE3 \xA4\xA2\n";
    Bytes bytes = FromString(x0212);
    Opened o = Open(dir, bytes, EncodingId::EucJp);
    EXPECT_EQ(o.text, L"ō ū © ¦ ¡ ¿ Ā ǎ 丂 龥 あ\r\n");
    EXPECT_TRUE(Save(dir, o.text, EncodingId::EucJp, LineEndingId::Lf) == bytes);
    // Detected, in a longer text of ordinary EUC-JP (the file's own pair is written back).
    Bytes fixture = ReadAllBytes(TestDataPath(L"roundtrip/1-0.txt"));
    Bytes mixed = FromString(x0212.substr(0, x0212.size() - 1) + "\r\n");
    mixed.insert(mixed.begin(), fixture.begin(), fixture.end());
    o = Open(dir, mixed);
    EXPECT_EQ(o.encoding, EncodingId::EucJp);
    EXPECT_TRUE(Save(dir, o.text, o.encoding, o.lineEnding) == mixed);
}

// Wine's EDIT control can leave half a surrogate pair in the text; nkf then ate the character
// after it ("x\uD83D y and more" was saved as "x and more"). Only the lone half is left out.
TEST(FileRecognition, LoneSurrogateCostsNoNeighbour) {
    CTempDir dir;
    struct Case {
        std::wstring text;
        std::wstring kept;
    } cases[] = {
        {L"x\xD83D y and more", L"x y and more"},
        {L"x\xDE00 y", L"x y"},                       // a lone low half
        {L"x\xD83D\xD83D\xDE00!", L"x\xD83D\xDE00!"}, // a lone high half before a whole pair
        {L"x\xD83D", L"x"},                           // at the end
        {L"\xDE00\xD83D\r\nあ", L"\r\nあ"},
    };
    for (const Case& c : cases) {
        for (EncodingId id : {EncodingId::Utf8Bom, EncodingId::Utf16Le, EncodingId::Utf16BeBom, EncodingId::Utf32Le,
                              EncodingId::SjisAuto, EncodingId::EucJp}) {
            SCOPED_TRACE(testing::Message()
                         << "encoding " << static_cast<int>(id) << ", case of " << c.text.size() << " units");
            Bytes written = Save(dir, c.text, id, LineEndingId::Crlf);
            bool emoji = c.kept.find(L'\xD83D') != std::wstring::npos;
            if (emoji && (id == EncodingId::SjisAuto || id == EncodingId::EucJp))
                continue; // the emoji itself cannot be held there
            EXPECT_TRUE(written == Save(dir, c.kept, id, LineEndingId::Crlf));
            EXPECT_EQ(Open(dir, written, id).text, c.kept);
        }
    }
}

namespace {

ULONGLONG g_nFakeAvailable = 0;

ULONGLONG FakeAvailableMemory() {
    return g_nFakeAvailable;
}

// Puts a fixed figure in place of the memory available while it lives.
class CAvailableMemoryScope {
public:
    explicit CAvailableMemoryScope(ULONGLONG nBytes) {
        g_nFakeAvailable = nBytes;
        m_pfnPrevious = SetAvailableMemoryFunction(FakeAvailableMemory);
    }
    ~CAvailableMemoryScope() { SetAvailableMemoryFunction(m_pfnPrevious); }
    CAvailableMemoryScope(const CAvailableMemoryScope&) = delete;
    CAvailableMemoryScope& operator=(const CAvailableMemoryScope&) = delete;

private:
    AvailableMemoryFunction m_pfnPrevious;
};

constexpr size_t kMiB = 1024 * 1024;

std::string ShortLines(size_t nBytes) {
    std::string text;
    while (text.size() < nBytes)
        text += std::string(78, 'a') + "\r\n";
    return text;
}

} // namespace

// The text takes 2 bytes a character; the control lays out the longest line whole when it shows it,
// at some 10 bytes a character more.
TEST(TextMemory, EstimateFollowsTheTextAndItsLongestLine) {
    std::string shortLines = ShortLines(kMiB);
    ULONGLONG estimate = EstimateTextMemory(shortLines.data(), shortLines.size());
    EXPECT_GE(estimate, 2 * kMiB);
    EXPECT_LE(estimate, 3 * kMiB);
    std::string oneLine(kMiB, 'a');
    TextEstimate one = EstimateText(oneLine.data(), oneLine.size());
    EXPECT_EQ(one.longestLineUnits, kMiB);
    EXPECT_GE(one.memory, 12 * kMiB);
    EXPECT_LE(one.memory, 13 * kMiB);
    // UTF-16 with a mark is measured in its units: the same line takes half the bytes' cost.
    Bytes utf16 = {0xFF, 0xFE};
    for (size_t i = 0; i < kMiB; ++i)
        utf16.insert(utf16.end(), {'a', 0});
    EXPECT_EQ(EstimateText(utf16.data(), utf16.size()).longestLineUnits, kMiB + 1); // the mark too
    EXPECT_LE(EstimateTextMemory(utf16.data(), utf16.size()), 13 * kMiB);
    EXPECT_EQ(EstimateTextMemory(nullptr, 0), 4u); // an empty text: its terminating CR LF at most
}

// Long lines cost only their memory: a file of one line of 33 Mi characters, which the platform's
// edit control took over half a minute to lay out (it was refused for that), is read when the
// memory is there.
TEST(TextMemory, ALongLineIsRefusedOnlyForWantOfMemory) {
    CTempDir dir;
    const std::string oneLine(33 * kMiB, 'a');
    const std::wstring path = dir.File(L"one line.txt");
    WriteAllBytes(path, FromString(oneLine));
    size_t n = 0;
    {
        CAvailableMemoryScope available(~0ull);
        CFile file(path, CFile::modeRead);
        EXPECT_TRUE(ReadFileBytes(file, n));
        EXPECT_EQ(n, oneLine.size());
    }
    CAvailableMemoryScope available(300 * kMiB); // short of the 400 MB its text and layout take
    try {
        CFile file(path, CFile::modeRead);
        ReadFileBytes(file, n);
        FAIL() << "33 Mi characters in one line take about 400 MB to show";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_nMessageId, static_cast<UINT>(IDS_FILE_NEEDS_TOO_MUCH_MEMORY));
    }
}

// A file whose text would not fit in the memory available is refused with its own message before
// anything is converted, and the format asked for is left as it was; the same bytes in short
// lines open.
TEST(TextMemory, FileThatWouldNotFitIsRefused) {
    CTempDir dir;
    std::wstring path = dir.File(L"one line.txt");
    WriteAllBytes(path, FromString(std::string(4 * kMiB, 'a')));
    {
        CAvailableMemoryScope available(32 * kMiB);
        CFile file(path, CFile::modeRead);
        EncodingId encoding = EncodingId::EucJp;
        LineEndingId lineEnding = LineEndingId::Cr;
        try {
            DecodeFileText(file, encoding, lineEnding);
            FAIL() << "4 Mi characters in one line need about 48 MB";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_nMessageId, static_cast<UINT>(IDS_FILE_NEEDS_TOO_MUCH_MEMORY));
            std::wstring message = e.GetErrorMessage();
            EXPECT_NE(message.find(path), std::wstring::npos);
            EXPECT_NE(message.find(L"メモリが足りない"), std::wstring::npos);
        }
        EXPECT_EQ(encoding, EncodingId::EucJp);
        EXPECT_EQ(lineEnding, LineEndingId::Cr);

        std::wstring shortPath = dir.File(L"short lines.txt");
        WriteAllBytes(shortPath, FromString(ShortLines(4 * kMiB)));
        CFile shortFile(shortPath, CFile::modeRead);
        encoding = EncodingId::Unspecified;
        CLocalBlock text(DecodeFileText(shortFile, encoding, lineEnding));
        EXPECT_TRUE(text);
        EXPECT_EQ(encoding, EncodingId::SjisAuto);
    }
    // With less than the file itself, it is refused before reading: a handle that cannot read
    // would otherwise fail with a read error.
    CAvailableMemoryScope available(kMiB);
    CFile writeOnly(path, CFile::modeWrite);
    EncodingId encoding = EncodingId::Unspecified;
    LineEndingId lineEnding = LineEndingId::Unspecified;
    try {
        DecodeFileText(writeOnly, encoding, lineEnding);
        FAIL() << "a file larger than the memory available must be refused";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_nMessageId, static_cast<UINT>(IDS_FILE_NEEDS_TOO_MUCH_MEMORY));
    }
}
